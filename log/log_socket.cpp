#include "log/log_socket.h"

LogSocket::LogSocket()
    : socket(::socket(AF_INET, SOCK_DGRAM, 0))
{
    if (socket == INVALID_SOCKET)
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        closesocket(socket);
        socket = INVALID_SOCKET;
    }
}

LogSocket::~LogSocket()
{
    if (socket != INVALID_SOCKET)
        closesocket(socket);
    socket = INVALID_SOCKET;
}
