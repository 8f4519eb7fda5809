// Receives the launcher's log datagrams on UDP 127.0.0.1:514 for a test.
#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class UdpLogReceiver {
public:
    // Binds 127.0.0.1:514, retrying until bindTimeoutMs has passed (other test
    // processes may hold the port for a while). Check Bound() afterwards.
    explicit UdpLogReceiver(DWORD bindTimeoutMs = 120000);
    ~UdpLogReceiver();
    UdpLogReceiver(const UdpLogReceiver&) = delete;
    UdpLogReceiver& operator=(const UdpLogReceiver&) = delete;

    bool Bound() const { return socket != INVALID_SOCKET; }

    // Every datagram received so far, exact bytes, in arrival order.
    std::vector<std::string> Datagrams() const;
    size_t Count() const;
    void Clear();

    // Wait until at least n datagrams are held; returns whether they are.
    bool WaitForCount(size_t n, DWORD timeoutMs = 10000) const;
    // Wait until a datagram equal to bytes is held; returns whether it is.
    bool WaitForDatagram(const std::string& bytes, DWORD timeoutMs = 10000) const;

private:
    void ReceiveLoop();

    mutable std::mutex mutex;
    std::vector<std::string> datagrams;
    std::atomic<bool> stopping{false};
    SOCKET socket = INVALID_SOCKET;
    std::thread receiver;
};
