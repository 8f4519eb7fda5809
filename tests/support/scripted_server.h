// A scripted HTTP-ish server for tests: a listening TCP socket on 127.0.0.1
// with an ephemeral port, served by threads inside the test program. Each
// connection's request head is recorded byte for byte and answered with the
// next scripted reply.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the server does on one connection after it has read the request head.
// Steps run in order; when they are done the connection is closed gracefully.
class ScriptedReply {
public:
    ScriptedReply() = default;
    // Sends bytes, then closes.
    ScriptedReply(std::string bytes) { Send(std::move(bytes)); }
    ScriptedReply(const char* bytes) { Send(bytes); }

    // Sends these exact bytes.
    ScriptedReply& Send(std::string bytes);
    // Waits ms milliseconds without sending (ends early when the server stops).
    ScriptedReply& Pause(DWORD ms);
    // Keeps the connection open without sending for ms milliseconds, or until the
    // server is stopped when ms is INFINITE.
    ScriptedReply& Stall(DWORD ms = INFINITE) { return Pause(ms); }
    // Sends chunk over and over until the peer closes or the server stops.
    ScriptedReply& Endless(std::string chunk);
    // Ends with a reset (abortive close) instead of a graceful close.
    ScriptedReply& Reset();
    // Answers without reading a request first.
    ScriptedReply& NoRequest();

    struct Step {
        enum Kind { SendBytes, Wait, Repeat } kind;
        std::string bytes;
        DWORD ms;
    };
    std::vector<Step> steps;
    bool reset = false;
    bool readRequest = true;
};

// "HTTP/1.0 <status>\r\n" + extra header lines + "\r\n" + body. When
// contentLength is true a Content-Length of the body's size is added.
std::string HttpResponse(const std::string& status, const std::string& body,
                         const std::string& headerLines = "", bool contentLength = true);

class ScriptedServer {
public:
    ScriptedServer();   // listens at once; Port() is valid afterwards
    ~ScriptedServer();  // Stop()
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Queues the reply for the next connection that has none yet.
    void Add(ScriptedReply reply);
    // Reply used once the queue is empty (default: close without a byte).
    void SetFallback(ScriptedReply reply);

    uint16_t Port() const { return port; }
    // "http://127.0.0.1:<port><path>"
    std::string Url(const std::string& path = "/") const;

    // Request heads received so far, in the order of the connections.
    std::vector<std::string> Requests() const;
    // Connections accepted so far.
    size_t ConnectionCount() const;
    // Connections whose handling has finished (the server closed its side).
    size_t FinishedCount() const;

    // Closes the listening socket, so that connections are refused; Listen()
    // reopens it on the same port. Both return once the change has happened.
    void StopListening();
    bool Listen();

    // Ends every connection and the listening thread. Idempotent.
    void Stop();

    // Polls cond every 5 ms until it holds or timeoutMs has passed. Returns cond's last value.
    static bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 10000);
    bool WaitForConnections(size_t n, DWORD timeoutMs = 10000);
    bool WaitForFinished(size_t n, DWORD timeoutMs = 10000);

private:
    void AcceptLoop();
    void ServeReply(SOCKET s, size_t index, const ScriptedReply& reply);
    bool Interruptible(DWORD ms);  // false when the server stopped during the wait
    bool SendAll(SOCKET s, const char* data, size_t size);
    SOCKET OpenListener();

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<ScriptedReply> queue;
    ScriptedReply fallback;
    std::vector<std::string> requests;
    std::vector<SOCKET> open;
    std::vector<std::thread> workers;
    size_t accepted = 0;
    size_t finished = 0;
    bool wantListening = true;
    bool listening = false;
    bool listenFailed = false;

    std::atomic<bool> stopping{false};
    HANDLE stopEvent;
    SOCKET listener = INVALID_SOCKET;
    uint16_t port = 0;
    std::thread acceptor;
};
