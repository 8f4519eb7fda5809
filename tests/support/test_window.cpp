#include "tests/support/test_window.h"
#include <commctrl.h>

static const char WindowClass[] = "KorvanTestLauncherWindow";
static const char OwnerProperty[] = "KorvanTestWindow";

static LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_APP) {  // TestWindow::Flush
        SetEvent(reinterpret_cast<HANDLE>(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TestWindow::TestWindow()
{
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread = std::thread(&TestWindow::Run, this, ready);
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
}

TestWindow::~TestWindow()
{
    if (hwnd != nullptr)
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    else
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    thread.join();
}

void TestWindow::Run(HANDLE ready)
{
    threadId = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here on

    InitCommonControls();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = WindowClass;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    RegisterClassA(&windowClass);  // fails harmlessly when an earlier window registered it

    HINSTANCE instance = GetModuleHandleA(NULL);
    hwnd = CreateWindowExA(WS_EX_TOPMOST, WindowClass, "Korvan test window",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 320, 90, NULL, NULL,
                           instance, NULL);
    if (hwnd != nullptr) {
        overallBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 10, 290, 18,
                                     hwnd, reinterpret_cast<HMENU>(3001), instance, NULL);
        fileBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 34, 290, 18,
                                  hwnd, reinterpret_cast<HMENU>(3002), instance, NULL);
        if (overallBar != nullptr) {
            SetPropA(overallBar, OwnerProperty, this);
            barProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                overallBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TestWindow::BarProc)));
        }
    }
    SetEvent(ready);
    if (hwnd == nullptr)
        return;

    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    hwnd = nullptr;
}

LRESULT CALLBACK TestWindow::BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    TestWindow* self = static_cast<TestWindow*>(GetPropA(bar, OwnerProperty));
    if (message == PBM_SETRANGE32 || message == PBM_SETPOS) {
        std::lock_guard<std::mutex> lock(self->mutex);
        self->barMessages.push_back(BarMessage{message, wParam, lParam});
    }
    if (message == WM_NCDESTROY)
        RemovePropA(bar, OwnerProperty);
    return CallWindowProcA(self->barProc, bar, message, wParam, lParam);
}

std::vector<BarMessage> TestWindow::OverallBarMessages() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return barMessages;
}

void TestWindow::Flush() const
{
    // Posted messages are handled in order: this one comes after all earlier ones.
    HANDLE done = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (PostMessageA(hwnd, WM_APP, 0, reinterpret_cast<LPARAM>(done)))
        WaitForSingleObject(done, 10000);
    CloseHandle(done);
}
