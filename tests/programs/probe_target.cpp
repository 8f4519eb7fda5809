// probe_target: a window shaped like the launcher's, for testing the probe on its
// own. Class "WC_PROBE_TARGET", the launcher's title and styles, a 320x32 client
// area centred in the work area, bar 3001 at 2 of 5 and a hidden bar 3002 at 250
// of 1000. Escape (key up) and WM_CLOSE close it. With an argument (the bytes of a
// text in hexadecimal), it shows that text in an error message box owned by the
// window once the window is visible.
// Exit status: the message box's result (0 without one).
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string>
#include "app/launcher_window.h"
#include "common/launcher_texts.h"

namespace {

std::string boxText;
int boxResult = 0;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        KillTimer(window, 1);
        if (!boxText.empty())
            boxResult = MessageBoxA(window, boxText.c_str(), LauncherTitle, MB_ICONERROR);
        return 0;
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

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    for (const char* hex = commandLine; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
        char pair[3] = {hex[0], hex[1], 0};
        boxText.push_back(static_cast<char>(strtoul(pair, nullptr, 16)));
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszClassName = "WC_PROBE_TARGET";
    RegisterClassA(&windowClass);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    RECT wanted = {0, 0, 320, 32}, work = {};
    AdjustWindowRectEx(&wanted, style, FALSE, exStyle);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = wanted.right - wanted.left, h = wanted.bottom - wanted.top;
    HWND window = CreateWindowExA(exStyle, "WC_PROBE_TARGET", LauncherTitle, style,
                                  work.left + (work.right - work.left - w) / 2,
                                  work.top + (work.bottom - work.top - h) / 2, w, h,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 100;
    HWND overall = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 320, 16,
                                   window, reinterpret_cast<HMENU>(OverallBarId), instance, nullptr);
    HWND file = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | PBS_SMOOTH, 0, 16, 320, 16,
                                window, reinterpret_cast<HMENU>(FileBarId), instance, nullptr);
    SendMessageA(overall, PBM_SETRANGE32, 0, 5);
    SendMessageA(overall, PBM_SETPOS, 2, 0);
    SendMessageA(file, PBM_SETRANGE32, 0, 1000);
    SendMessageA(file, PBM_SETPOS, 250, 0);
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, 200, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return boxResult;
}
