// The demo's sample game, published as korvan.exe: a window showing the command line it got.
//
// The window's title is the command line exactly as GetCommandLineA gives it,
// so that it can be read from outside (the demo reads it from the X display);
// the window's text repeats it with the working directory. The program runs a
// message loop, so the launcher's wait for the game to become idle returns,
// and it ends when its window is closed.
#include <windows.h>
#include <string>

namespace {

const char WindowClass[] = "KorvanSampleGame";

// What the window says: the command line and the working directory.
std::string Text;

// Returns the window procedure's result for each message.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        InflateRect(&area, -12, -12);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, Text.c_str(), static_cast<int>(Text.size()), &area, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// Returns 0 once the window was closed, 1 when it could not be made.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    const char* commandLine = GetCommandLineA();
    char directory[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    Text = std::string("korvan.exe (the demo's sample game) was started with the command line\r\n\r\n") +
           commandLine + "\r\n\r\nin the folder\r\n\r\n" + (length < sizeof directory ? directory : "?");

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WindowClass;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowA(WindowClass, commandLine, WS_OVERLAPPEDWINDOW, 24, 24, 560, 220,
                                NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
