#include "http/use_wsock32.h"
#include <windows.h>

WinsockStartup::WinsockStartup()
{
    WSADATA data;
    if (WSAStartup(0x101, &data) != 0)
        MessageBoxA(NULL, "WSAStartup(0x101) failed", "use_wsock32", MB_ICONERROR);
}

WinsockStartup::~WinsockStartup()
{
    // Both calls are made even after a failed start; their results don't matter here.
    WSACancelBlockingCall();
    WSACleanup();
}
