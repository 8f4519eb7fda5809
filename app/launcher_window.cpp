#include "app/launcher_window.h"

LauncherWindow::LauncherWindow()
    : workerThread(INVALID_HANDLE_VALUE), running(true), hwnd(NULL)
{
}

LauncherWindow::~LauncherWindow()
{
    running = false;
    HANDLE thread = workerThread.exchange(INVALID_HANDLE_VALUE);
    if (thread != INVALID_HANDLE_VALUE) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

void LauncherWindow::MarkWorkerFinished()
{
    HANDLE thread = workerThread.exchange(INVALID_HANDLE_VALUE);
    if (thread != INVALID_HANDLE_VALUE)
        CloseHandle(thread);
}

LRESULT LauncherWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
