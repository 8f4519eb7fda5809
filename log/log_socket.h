// The log channel's datagram socket, connected to 127.0.0.1:514.
#pragma once
#include <windows.h>

class LogSocket {
public:
    // Leaves socket at INVALID_SOCKET when it cannot be created or connected.
    LogSocket();
    virtual ~LogSocket();
    LogSocket(const LogSocket&) = delete;
    LogSocket& operator=(const LogSocket&) = delete;

    SOCKET socket;
};
