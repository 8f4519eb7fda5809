#include "tests/support/scripted_server.h"
#include "tests/support/wait_until.h"

namespace {

// Waits up to ms for the socket to become readable (write false) or writable.
// Returns 1 when ready, 0 on time-out, -1 on error.
int WaitSocket(SOCKET s, bool write, long ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout = {ms / 1000, (ms % 1000) * 1000};
    int n = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &timeout);
    return n == SOCKET_ERROR ? -1 : n;
}

bool SetNonBlocking(SOCKET s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

}  // namespace

ScriptedReply& ScriptedReply::Send(std::string bytes)
{
    steps.push_back({Step::SendBytes, std::move(bytes), 0});
    return *this;
}

ScriptedReply& ScriptedReply::Pause(DWORD ms)
{
    steps.push_back({Step::Wait, std::string(), ms});
    return *this;
}

ScriptedReply& ScriptedReply::Endless(std::string chunk)
{
    steps.push_back({Step::Repeat, std::move(chunk), 0});
    return *this;
}

ScriptedReply& ScriptedReply::Reset()
{
    reset = true;
    return *this;
}

ScriptedReply& ScriptedReply::NoRequest()
{
    readRequest = false;
    return *this;
}

std::string HttpResponse(const std::string& status, const std::string& body,
                         const std::string& headerLines, bool contentLength)
{
    std::string text = "HTTP/1.0 " + status + "\r\n" + headerLines;
    if (contentLength)
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

ScriptedServer::ScriptedServer()
    : stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    listener = OpenListener();
    listening = listener != INVALID_SOCKET;
    listenFailed = !listening;
    acceptor = std::thread(&ScriptedServer::AcceptLoop, this);
}

ScriptedServer::~ScriptedServer()
{
    Stop();
    CloseHandle(stopEvent);
}

SOCKET ScriptedServer::OpenListener()
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

void ScriptedServer::AcceptLoop()
{
    while (!stopping) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!wantListening && listening) {
                closesocket(listener);
                listener = INVALID_SOCKET;
                listening = false;
                changed.notify_all();
            } else if (wantListening && !listening && !listenFailed) {
                listener = OpenListener();
                listening = listener != INVALID_SOCKET;
                listenFailed = !listening;
                changed.notify_all();
            }
        }
        if (listener == INVALID_SOCKET) {
            WaitForSingleObject(stopEvent, 10);
            continue;
        }
        if (WaitSocket(listener, false, 20) != 1)
            continue;
        SOCKET s = accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        size_t index = accepted++;
        requests.emplace_back();
        open.push_back(s);
        ScriptedReply reply = fallback;
        if (!queue.empty()) {
            reply = std::move(queue.front());
            queue.pop_front();
        }
        workers.emplace_back([this, s, index, reply] {
            ServeReply(s, index, reply);
        });
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    listener = INVALID_SOCKET;
    listening = false;
    changed.notify_all();
}

void ScriptedServer::ServeReply(SOCKET s, size_t index, const ScriptedReply& reply)
{
    SetNonBlocking(s);
    if (reply.readRequest) {
        std::string head;
        char buffer[4096];
        while (!stopping && head.find("\r\n\r\n") == std::string::npos) {
            int ready = WaitSocket(s, false, 50);
            if (ready == 0)
                continue;
            int got = ready < 0 ? SOCKET_ERROR : recv(s, buffer, sizeof buffer, 0);
            if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            if (got <= 0)
                break;
            head.append(buffer, got);
        }
        std::lock_guard<std::mutex> lock(mutex);
        requests[index] = head;
    }
    bool going = true;
    for (const ScriptedReply::Step& step : reply.steps) {
        if (!going)
            break;
        switch (step.kind) {
        case ScriptedReply::Step::SendBytes:
            going = SendAll(s, step.bytes.data(), step.bytes.size());
            break;
        case ScriptedReply::Step::Wait:
            going = Interruptible(step.ms);
            break;
        case ScriptedReply::Step::Repeat:
            while (SendAll(s, step.bytes.data(), step.bytes.size())) {
            }
            going = false;
            break;
        }
    }
    if (reply.reset) {
        linger hard = {1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    }
    std::lock_guard<std::mutex> lock(mutex);
    closesocket(s);
    for (size_t i = 0; i < open.size(); ++i) {
        if (open[i] == s) {
            open.erase(open.begin() + i);
            break;
        }
    }
    ++finished;
}

bool ScriptedServer::Interruptible(DWORD ms)
{
    return WaitForSingleObject(stopEvent, ms) == WAIT_TIMEOUT;
}

bool ScriptedServer::SendAll(SOCKET s, const char* data, size_t size)
{
    while (size > 0) {
        if (stopping)
            return false;
        int ready = WaitSocket(s, true, 50);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        int part = size > 65536 ? 65536 : static_cast<int>(size);
        int sent = send(s, data, part, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void ScriptedServer::Add(ScriptedReply reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    queue.push_back(std::move(reply));
}

void ScriptedServer::SetFallback(ScriptedReply reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    fallback = std::move(reply);
}

std::string ScriptedServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::vector<std::string> ScriptedServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

size_t ScriptedServer::ConnectionCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return accepted;
}

size_t ScriptedServer::FinishedCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return finished;
}

void ScriptedServer::StopListening()
{
    std::unique_lock<std::mutex> lock(mutex);
    wantListening = false;
    changed.wait_for(lock, std::chrono::seconds(10), [this] { return !listening; });
}

bool ScriptedServer::Listen()
{
    std::unique_lock<std::mutex> lock(mutex);
    wantListening = true;
    listenFailed = false;
    changed.wait_for(lock, std::chrono::seconds(10), [this] { return listening || listenFailed; });
    return listening;
}

void ScriptedServer::Stop()
{
    if (stopping.exchange(true))
        return;
    SetEvent(stopEvent);
    if (acceptor.joinable())
        acceptor.join();
    // No new worker can start now that the acceptor has ended.
    for (std::thread& worker : workers)
        worker.join();
    workers.clear();
}

bool ScriptedServer::WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs)
{
    return ::WaitUntil(cond, timeoutMs);
}

bool ScriptedServer::WaitForConnections(size_t n, DWORD timeoutMs)
{
    return WaitUntil([&] { return ConnectionCount() >= n; }, timeoutMs);
}

bool ScriptedServer::WaitForFinished(size_t n, DWORD timeoutMs)
{
    return WaitUntil([&] { return FinishedCount() >= n; }, timeoutMs);
}
