#include "app/launcher_window.h"
#include <commctrl.h>
#include <new>
#include <process.h>
#include "common/launcher_texts.h"

static const char ThisProperty[] = "this";
enum { ShowTimerId = 100, ShowDelayMs = 1000, ClientWidth = 320, ClientHeight = 32 };

ATOM RegisterLauncherWindowClass()
{
    // The bars need the progress-bar class before the first window is made.
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_PROGRESS_CLASS };
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LauncherWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_MENU + 1);
    wc.lpszClassName = LAUNCHER_WINDOW_CLASS;
    return RegisterClassExA(&wc);
}

HWND CreateLauncherWindow()
{
    // Hidden and of no size: the creation handling sizes and centres it, and
    // its timer shows it.
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, LAUNCHER_WINDOW_CLASS, LauncherTitle,
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

LauncherWindow::LauncherWindow()
    : workerThread(INVALID_HANDLE_VALUE), running(true), hwnd(NULL), workerThreadId(0)
{
}

LauncherWindow::~LauncherWindow()
{
    running = false;
    // Whoever takes the handle first closes it: a finished worker already did.
    HANDLE thread = workerThread.exchange(INVALID_HANDLE_VALUE);
    if (thread != INVALID_HANDLE_VALUE) {
        WaitForWorker(thread);
        CloseHandle(thread);
    }
}

void LauncherWindow::MarkWorkerFinished()
{
    HANDLE thread = workerThread.exchange(INVALID_HANDLE_VALUE);
    if (thread != INVALID_HANDLE_VALUE)
        CloseHandle(thread);
}

// Closes a message box of the worker thread. Returns TRUE to go on enumerating.
static BOOL CALLBACK CloseMessageBox(HWND window, LPARAM)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// The worker may be inside a synchronous call on this thread's window (ShowWindow)
// or showing a message box owned by it: messages sent to this thread are handled
// and the worker's message boxes are closed until the worker has ended.
void LauncherWindow::WaitForWorker(HANDLE thread)
{
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED)
            return;
        MSG message;
        PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (workerThreadId != 0)
            EnumThreadWindows(workerThreadId, CloseMessageBox, 0);
    }
}

unsigned __stdcall UpdateThreadEntry(void* launcherWindow)
{
    static_cast<LauncherWindow*>(launcherWindow)->RunUpdate();
    return 0;
}

void LauncherWindow::StartWorker()
{
    unsigned threadId = 0;
    uintptr_t thread = _beginthreadex(NULL, 0, UpdateThreadEntry, this, 0, &threadId);
    workerThreadId = threadId;
    workerThread = thread != 0 ? reinterpret_cast<HANDLE>(thread) : INVALID_HANDLE_VALUE;
}

void LauncherWindow::OnCreate(HWND window, const CREATESTRUCTA* creation)
{
    hwnd = window;
    SetTimer(window, ShowTimerId, ShowDelayMs, NULL);

    RECT frame = { 0, 0, ClientWidth, ClientHeight };
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    AdjustWindowRectEx(&frame, creation->style, creation->hMenu != NULL, creation->dwExStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = work.left + ((work.right - work.left) - width) / 2;
    int y = work.top + ((work.bottom - work.top) - height) / 2;
    SetWindowPos(window, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT client;
    GetClientRect(window, &client);
    int barWidth = client.right - client.left;
    int half = (client.bottom - client.top) / 2;
    HINSTANCE instance = GetModuleHandleA(NULL);
    const DWORD barStyle = WS_CHILD | WS_VISIBLE | PBS_SMOOTH;
    CreateWindowExA(0, PROGRESS_CLASSA, NULL, barStyle, 0, 0, barWidth, half, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(OverallBarId)), instance, NULL);
    CreateWindowExA(0, PROGRESS_CLASSA, NULL, barStyle, 0, half, barWidth, half, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(FileBarId)), instance, NULL);

    StartWorker();
}

LRESULT LauncherWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        break;
    case WM_TIMER:
        if (wParam == ShowTimerId) {
            KillTimer(window, ShowTimerId);
            ShowWindow(window, SW_SHOW);
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_ESCAPE)
            PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LauncherWindow* object = static_cast<LauncherWindow*>(GetPropA(window, ThisProperty));
    if (object == NULL) {
        if (message != WM_CREATE)
            return DefWindowProcA(window, message, wParam, lParam);
        object = new (std::nothrow) LauncherWindow;
        SetPropA(window, ThisProperty, object);
        if (object == NULL)
            return DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = object->HandleMessage(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // The property goes first: messages sent while the destructor waits for
        // the worker then get the default handling, as after destruction.
        RemovePropA(window, ThisProperty);
        delete object;
    }
    return result;
}
