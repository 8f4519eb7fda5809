#include "tests/support/udp_log_receiver.h"
#include "tests/support/wait_until.h"

namespace {

// Returns a UDP socket bound to 127.0.0.1:514, or INVALID_SOCKET.
SOCKET BindLogPort()
{
    SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

}  // namespace

UdpLogReceiver::UdpLogReceiver(DWORD bindTimeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        socket = BindLogPort();
        if (socket != INVALID_SOCKET || GetTickCount() - start >= bindTimeoutMs)
            break;
        Sleep(100);
    }
    if (socket != INVALID_SOCKET)
        receiver = std::thread(&UdpLogReceiver::ReceiveLoop, this);
}

UdpLogReceiver::~UdpLogReceiver()
{
    stopping = true;
    if (receiver.joinable())
        receiver.join();
    if (socket != INVALID_SOCKET)
        closesocket(socket);
}

void UdpLogReceiver::ReceiveLoop()
{
    std::vector<char> buffer(65536);
    while (!stopping) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval timeout = {0, 20000};
        if (select(0, &set, nullptr, nullptr, &timeout) != 1)
            continue;
        int got = recv(socket, buffer.data(), static_cast<int>(buffer.size()), 0);
        // A refused earlier send to this port can show up as an error here; skip it.
        if (got < 0)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        datagrams.emplace_back(buffer.data(), static_cast<size_t>(got));
    }
}

std::vector<std::string> UdpLogReceiver::Datagrams() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return datagrams;
}

size_t UdpLogReceiver::Count() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return datagrams.size();
}

void UdpLogReceiver::Clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    datagrams.clear();
}

bool UdpLogReceiver::WaitForCount(size_t n, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Count() >= n; }, timeoutMs);
}

bool UdpLogReceiver::WaitForDatagram(const std::string& bytes, DWORD timeoutMs) const
{
    return WaitUntil([&] {
        std::lock_guard<std::mutex> lock(mutex);
        for (const std::string& d : datagrams)
            if (d == bytes)
                return true;
        return false;
    }, timeoutMs);
}
