// A stand-in for the launcher window in tests: a hidden top-level window with
// the two progress bars (3001, 3002), created and pumped by a thread of its own.
// Messages that reach the overall bar are recorded.
#pragma once
#include <windows.h>
#include <mutex>
#include <thread>
#include <vector>

struct BarMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class TestWindow {
public:
    TestWindow();   // returns once the window and its bars exist
    ~TestWindow();  // destroys the window and ends its thread
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // PBM_SETRANGE32 and PBM_SETPOS messages the overall bar received, in order.
    std::vector<BarMessage> OverallBarMessages() const;
    // Waits until the window's thread has handled every message posted before the call.
    void Flush() const;

    HWND hwnd = nullptr;
    HWND overallBar = nullptr;
    HWND fileBar = nullptr;

private:
    static LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE ready);

    mutable std::mutex mutex;
    std::vector<BarMessage> barMessages;
    WNDPROC barProc = nullptr;
    DWORD threadId = 0;
    std::thread thread;
};
