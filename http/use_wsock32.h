// Winsock 1.1 started for the whole process.
#pragma once

class WinsockStartup {
public:
    WinsockStartup();
    virtual ~WinsockStartup();
    WinsockStartup(const WinsockStartup&) = delete;
    WinsockStartup& operator=(const WinsockStartup&) = delete;
};
