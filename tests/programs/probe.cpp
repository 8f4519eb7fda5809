// probe: inspects and drives the windows of other programs of the same Wine
// prefix for the end-to-end tests. Prints one JSON object per line.
//
//   probe window|windows|msgboxes|foreground
//   probe wait-window|wait-visible|wait-gone|wait-msgbox|wait-no-msgbox|wait-bar
//   probe escape [--mode post|input]   probe close [--mode post|syscommand]
//   probe press [--button 1]   probe hold-shift: Shift down until the window is visible
//   probe spawn --cmdline-hex HEX [--cwd DIR]: starts a program with exactly
//     that command line, prints its process id, waits and prints its exit code.
// Options: --class NAME (default the launcher's), --hwnd N, --pid N and --exe
// PATH-PART (windows and boxes of one process), --timeout SECONDS, --id BAR,
// --visible 0|1, --min-pos N.
// Exit status: 0 done or condition met, 1 not found or timed out, 2 usage.
// QueryFullProcessImageNameA is a Vista call; the probe runs only under Wine.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "app/launcher_window.h"
#include "tests/support/message_box.h"

namespace {

struct Options {
    std::string command;
    std::string className = LAUNCHER_WINDOW_CLASS;
    HWND hwnd = nullptr;
    DWORD pid = MessageBoxFilter::AnyProcess;
    double timeout = 10;
    int button = IDOK;
    int barId = OverallBarId;
    int visible = -1;
    long minPos = -1;
    std::string mode;
    std::string exe;   // part of the owning process's image path, any case
    std::string commandLine;
    std::string cwd;
};

// One JSON object built field by field.
class Json {
public:
    Json& Raw(const char* key, const std::string& value)
    {
        text += text.empty() ? "{" : ",";
        text += "\"";
        text += key;
        text += "\":";
        text += value;
        return *this;
    }
    Json& Num(const char* key, long long value) { return Raw(key, std::to_string(value)); }
    Json& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
    Json& Str(const char* key, const std::string& value) { return Raw(key, Quote(value)); }
    Json& Hex(const char* key, const std::string& bytes)
    {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (unsigned char c : bytes) {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return Str(key, hex);
    }
    Json& Rect(const char* key, const RECT& r)
    {
        return Raw(key, "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                            std::to_string(r.right) + "," + std::to_string(r.bottom) + "]");
    }
    std::string Done() const { return text.empty() ? "{}" : text + "}"; }

    // Bytes outside printable ASCII become \u00XX, so the text survives as Latin-1.
    static std::string Quote(const std::string& value)
    {
        std::string out = "\"";
        for (unsigned char c : value) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                char escaped[8];
                snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        return out + "\"";
    }

private:
    std::string text;
};

long long HandleNumber(HWND window)
{
    return static_cast<long long>(reinterpret_cast<uintptr_t>(window));
}

void PrintLine(const std::string& line)
{
    fputs(line.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A message to a window of another process that gives up after 2 s, so that a
// blocked window thread can't hang the probe. Returns false on time-out.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, result) != 0;
}

// Returns the image path of the process, empty when it can't be read.
std::string ProcessImage(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return std::string();
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &size))
        size = 0;
    CloseHandle(process);
    return std::string(path, size);
}

bool ProcessMatches(DWORD pid, const Options& options)
{
    if (options.pid != MessageBoxFilter::AnyProcess && pid != options.pid)
        return false;
    if (options.exe.empty())
        return true;
    std::string image = ProcessImage(pid);
    CharLowerBuffA(&image[0], static_cast<DWORD>(image.size()));
    std::string part = options.exe;
    CharLowerBuffA(&part[0], static_cast<DWORD>(part.size()));
    return image.find(part) != std::string::npos;
}

std::string DescribeBar(HWND parent, int id)
{
    Json bar;
    bar.Num("id", id);
    HWND control = GetDlgItem(parent, id);
    bar.Bool("exists", control != nullptr);
    if (control == nullptr)
        return bar.Done();
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    bar.Str("class", ClassOf(control));
    bar.Rect("rect", r);
    bar.Num("style", static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)));
    bar.Num("exstyle", static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)));
    bar.Bool("visible", IsWindowVisible(control) != 0);
    DWORD_PTR low = 0, high = 0, pos = 0;
    bool answered = Ask(control, PBM_GETRANGE, TRUE, 0, &low) && Ask(control, PBM_GETRANGE, FALSE, 0, &high) &&
                    Ask(control, PBM_GETPOS, 0, 0, &pos);
    bar.Bool("answered", answered);
    bar.Raw("range", "[" + std::to_string(static_cast<int>(low)) + "," + std::to_string(static_cast<int>(high)) + "]");
    bar.Num("pos", static_cast<int>(pos));
    return bar.Done();
}

BOOL CALLBACK CountChild(HWND child, LPARAM param)
{
    if (GetParent(child) == GetAncestor(child, GA_PARENT))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

std::string DescribeWindow(HWND window)
{
    Json out;
    out.Bool("found", true);
    out.Num("hwnd", HandleNumber(window));
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    out.Num("pid", pid).Num("tid", tid);
    out.Str("exe", ProcessImage(pid));
    out.Str("class", ClassOf(window));
    char title[1024] = {};
    int length = GetWindowTextA(window, title, sizeof title);
    out.Hex("title_hex", std::string(title, length > 0 ? length : 0));
    out.Num("style", static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)));
    out.Num("exstyle", static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    out.Bool("visible", IsWindowVisible(window) != 0);
    out.Bool("iconic", IsIconic(window) != 0);
    out.Bool("foreground", GetForegroundWindow() == window);
    out.Num("owner", HandleNumber(GetWindow(window, GW_OWNER)));
    RECT client = {}, rect = {}, work = {};
    GetClientRect(window, &client);
    GetWindowRect(window, &rect);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    out.Raw("client", "[" + std::to_string(client.right - client.left) + "," +
                          std::to_string(client.bottom - client.top) + "]");
    out.Raw("client_origin", "[" + std::to_string(origin.x) + "," + std::to_string(origin.y) + "]");
    out.Rect("rect", rect);
    out.Rect("work_area", work);
    out.Num("screen_w", GetSystemMetrics(SM_CXSCREEN)).Num("screen_h", GetSystemMetrics(SM_CYSCREEN));
    int children = 0;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&children));
    out.Num("children", children);
    out.Raw("bars", "[" + DescribeBar(window, OverallBarId) + "," + DescribeBar(window, FileBarId) + "]");
    return out.Done();
}

std::string DescribeBox(const MessageBoxInfo& box)
{
    Json out;
    out.Num("hwnd", HandleNumber(box.window));
    out.Num("pid", box.processId).Num("tid", box.threadId);
    out.Str("exe", ProcessImage(box.processId));
    out.Hex("caption_hex", box.caption);
    out.Hex("text_hex", box.text);
    out.Num("owner", HandleNumber(box.owner));
    out.Str("owner_class", box.owner ? ClassOf(box.owner) : std::string());
    out.Bool("has_icon", box.hasIcon);
    std::string buttons = "[";
    for (size_t i = 0; i < box.buttons.size(); ++i)
        buttons += (i ? "," : "") + std::to_string(box.buttons[i]);
    out.Raw("buttons", buttons + "]");
    out.Num("style", static_cast<DWORD>(box.style));
    out.Num("exstyle", static_cast<DWORD>(box.exStyle));
    return out.Done();
}

struct ClassSearch {
    const Options* options;
    std::vector<HWND> found;
};

BOOL CALLBACK AddIfLauncher(HWND window, LPARAM param)
{
    ClassSearch* search = reinterpret_cast<ClassSearch*>(param);
    if (ClassOf(window) != search->options->className)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (ProcessMatches(pid, *search->options))
        search->found.push_back(window);
    return TRUE;
}

// Returns the top-level windows of the class (and process) asked for.
std::vector<HWND> FindWindows(const Options& options)
{
    if (options.hwnd != nullptr)
        return IsWindow(options.hwnd) ? std::vector<HWND>{options.hwnd} : std::vector<HWND>{};
    ClassSearch search = {&options, {}};
    EnumWindows(AddIfLauncher, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTarget(const Options& options)
{
    std::vector<HWND> windows = FindWindows(options);
    return windows.empty() ? nullptr : windows.front();
}

std::vector<MessageBoxInfo> Boxes(const Options& options)
{
    MessageBoxFilter filter;
    filter.processId = options.pid;
    std::vector<MessageBoxInfo> boxes;
    for (const MessageBoxInfo& box : ListMessageBoxes(filter))
        if (ProcessMatches(box.processId, options))
            boxes.push_back(box);
    return boxes;
}

bool BarMatches(HWND window, const Options& options)
{
    HWND bar = GetDlgItem(window, options.barId);
    if (bar == nullptr)
        return false;
    if (options.visible >= 0 && (IsWindowVisible(bar) != 0) != (options.visible != 0))
        return false;
    if (options.minPos >= 0) {
        DWORD_PTR pos = 0;
        if (!Ask(bar, PBM_GETPOS, 0, 0, &pos) || static_cast<long>(pos) < options.minPos)
            return false;
    }
    return true;
}

// Polls condition until it holds or the time-out passes. Returns true when it held.
template <typename Condition>
bool WaitFor(const Options& options, Condition condition)
{
    DWORD limit = static_cast<DWORD>(options.timeout * 1000);
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= limit)
            return false;
        Sleep(20);
    }
}

int Timeout(const char* what)
{
    PrintLine(Json().Bool("found", false).Bool("timeout", true).Str("waiting_for", what).Done());
    return 1;
}

int NotFound()
{
    PrintLine(Json().Bool("found", false).Done());
    return 1;
}

int PressEscape(HWND window, const Options& options)
{
    if (options.mode == "input") {
        // A real key press: it reaches the launcher only while it has the focus.
        SetForegroundWindow(window);
        Options quick = options;
        quick.timeout = 2;
        bool focused = WaitFor(quick, [&] { return GetForegroundWindow() == window; });
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
        keys[0].ki.wScan = keys[1].ki.wScan = static_cast<WORD>(MapVirtualKeyA(VK_ESCAPE, 0));
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        UINT sent = SendInput(2, keys, sizeof(INPUT));
        PrintLine(Json().Bool("sent", sent == 2).Bool("foreground", focused).Num("hwnd", HandleNumber(window)).Done());
        return sent == 2 ? 0 : 1;
    }
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(VK_ESCAPE, 0)) << 16;
    bool sent = PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, scan | 1) &&
                PostMessageA(window, WM_KEYUP, VK_ESCAPE, scan | 1 | (3u << 30));
    PrintLine(Json().Bool("sent", sent).Num("hwnd", HandleNumber(window)).Done());
    return sent ? 0 : 1;
}

int Close(HWND window, const Options& options)
{
    bool sent = options.mode == "syscommand" ? PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0)
                                             : PostMessageA(window, WM_CLOSE, 0, 0);
    PrintLine(Json().Bool("sent", sent != 0).Num("hwnd", HandleNumber(window)).Done());
    return sent ? 0 : 1;
}

int Press(const Options& options)
{
    MessageBoxInfo box;
    if (options.hwnd != nullptr) {
        if (!ReadMessageBox(options.hwnd, &box))
            return NotFound();
    } else {
        std::vector<MessageBoxInfo> boxes = Boxes(options);
        if (boxes.empty())
            return NotFound();
        box = boxes.front();
    }
    bool pressed = PressMessageBoxButton(box.window, options.button);
    bool gone = pressed && WaitForWindowGone(box.window, static_cast<DWORD>(options.timeout * 1000));
    PrintLine(Json().Bool("pressed", pressed).Bool("gone", gone).Num("hwnd", HandleNumber(box.window)).Done());
    return pressed && gone ? 0 : 1;
}

// Holds Shift down, repeated as a held key repeats, until the target window is
// visible; then releases it. Prints when it holds, then whether the window showed.
int HoldShift(const Options& options)
{
    INPUT key[2] = {};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = VK_SHIFT;
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    PrintLine(Json().Bool("holding", SendInput(1, key, sizeof(INPUT)) == 1).Done());
    bool shown = WaitFor(options, [&] {
        HWND window = SendInput(1, key, sizeof(INPUT)) == 1 ? FindTarget(options) : nullptr;
        return window != nullptr && IsWindowVisible(window);
    });
    const bool released = SendInput(1, key + 1, sizeof(INPUT)) == 1;
    PrintLine(Json().Bool("shown", shown).Bool("released", released).Done());
    return shown ? 0 : 1;
}

int Spawn(const Options& options)
{
    std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        options.cwd.empty() ? nullptr : options.cwd.c_str(), &startup, &process)) {
        PrintLine(Json().Bool("started", false).Num("error", GetLastError()).Done());
        return 1;
    }
    PrintLine(Json().Bool("started", true).Num("pid", process.dwProcessId).Done());
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    PrintLine(Json().Num("exit", code).Done());
    return 0;
}

int Run(const Options& options)
{
    const std::string& c = options.command;
    if (c == "window") {
        HWND window = FindTarget(options);
        if (window == nullptr)
            return NotFound();
        PrintLine(DescribeWindow(window));
        return 0;
    }
    if (c == "windows") {
        for (HWND window : FindWindows(options))
            PrintLine(DescribeWindow(window));
        return 0;
    }
    if (c == "msgboxes") {
        for (const MessageBoxInfo& box : Boxes(options))
            PrintLine(DescribeBox(box));
        return 0;
    }
    if (c == "foreground") {
        HWND window = GetForegroundWindow();
        if (window == nullptr)
            return NotFound();
        PrintLine(DescribeWindow(window));
        return 0;
    }
    if (c == "escape" || c == "close") {
        HWND window = FindTarget(options);
        if (window == nullptr)
            return NotFound();
        return c == "escape" ? PressEscape(window, options) : Close(window, options);
    }
    if (c == "press")
        return Press(options);
    if (c == "spawn")
        return Spawn(options);
    if (c == "hold-shift")
        return HoldShift(options);
    if (c == "wait-window" || c == "wait-visible" || c == "wait-bar") {
        HWND window = nullptr;
        bool met = WaitFor(options, [&] {
            window = FindTarget(options);
            if (window == nullptr)
                return false;
            if (c == "wait-visible")
                return IsWindowVisible(window) != 0;
            if (c == "wait-bar")
                return BarMatches(window, options);
            return true;
        });
        if (!met)
            return Timeout(c.c_str() + 5);
        PrintLine(DescribeWindow(window));
        return 0;
    }
    if (c == "wait-gone") {
        if (!WaitFor(options, [&] { return FindTarget(options) == nullptr; }))
            return Timeout("gone");
        PrintLine(Json().Bool("gone", true).Done());
        return 0;
    }
    if (c == "wait-msgbox") {
        std::vector<MessageBoxInfo> boxes;
        if (!WaitFor(options, [&] { return !(boxes = Boxes(options)).empty(); }))
            return Timeout("msgbox");
        PrintLine(DescribeBox(boxes.front()));
        return 0;
    }
    if (c == "wait-no-msgbox") {
        if (!WaitFor(options, [&] { return Boxes(options).empty(); }))
            return Timeout("no-msgbox");
        PrintLine(Json().Bool("gone", true).Done());
        return 0;
    }
    fprintf(stderr, "probe: unknown command %s\n", c.c_str());
    return 2;
}

std::string FromHex(const char* hex)
{
    std::string bytes;
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
        char pair[3] = {hex[0], hex[1], 0};
        bytes.push_back(static_cast<char>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: probe COMMAND [--class C] [--hwnd N] [--pid N] [--timeout S] ...\n");
        return 2;
    }
    Options options;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string key = argv[i];
        if (i + 1 >= argc) {
            fprintf(stderr, "probe: %s needs a value\n", key.c_str());
            return 2;
        }
        const char* value = argv[++i];
        if (key == "--class")
            options.className = value;
        else if (key == "--hwnd")
            options.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(value, nullptr, 0)));
        else if (key == "--pid")
            options.pid = strtoul(value, nullptr, 0);
        else if (key == "--timeout")
            options.timeout = atof(value);
        else if (key == "--button")
            options.button = atoi(value);
        else if (key == "--id")
            options.barId = atoi(value);
        else if (key == "--visible")
            options.visible = atoi(value);
        else if (key == "--min-pos")
            options.minPos = atol(value);
        else if (key == "--mode")
            options.mode = value;
        else if (key == "--exe")
            options.exe = value;
        else if (key == "--cmdline-hex")
            options.commandLine = FromHex(value);
        else if (key == "--cwd")
            options.cwd = value;
        else {
            fprintf(stderr, "probe: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    return Run(options);
}
