// The launcher process: log, refuse a second instance, choose the working
// directory, learn the base URL, open the window and run until it is closed.
#include <windows.h>
#include "common/launcher_texts.h"
#include "app/launcher_window.h"
#include "app/working_directory.h"
#include "log/log_printf.h"
#include "update/base_url.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    LauncherCommandLine = commandLine;
    LogPrintf("---- update ----\r\n");
    LogPrintf("lpCmdLine=%s\r\n", commandLine);

    HWND existing = FindWindowA(LAUNCHER_WINDOW_CLASS, NULL);
    if (existing != NULL) {
        ShowWindow(existing, SW_SHOWNORMAL);
        SetForegroundWindow(existing);
        return 0;
    }
    if (ChangeDirectoryExeFriend() != 0)
        return 0;
    if (ChangeDirectoryToLocalAppData() != 0)
        return 0;
    if (!DiscoverBaseUrl())
        return 0;

    if (CreateLauncherWindow() == NULL) {
        MessageBoxA(NULL, "Create WC__LAUNCHER failed", LauncherTitle, MB_OK);
        return 1;
    }

    MSG message = {};
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    LogPrintf("EXIT LAUNCHER\r\n");
    return static_cast<int>(message.wParam);
}
