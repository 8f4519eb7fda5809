// Finds, reads and answers message boxes ("#32770" dialogs) from tests.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Text id of the static control that holds a message box's text.
enum { MessageBoxTextId = 0xFFFF };

// What a test can see of one message box. Texts are bytes in the ANSI code page
// of the calling process (932 under LC_ALL=ja_JP.UTF-8).
struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;        // GW_OWNER; null for a box without owner
    DWORD processId = 0;
    DWORD threadId = 0;
    std::string caption;
    std::string text;
    LONG style = 0;
    LONG exStyle = 0;
    bool hasIcon = false;        // an icon static with an icon set
    std::vector<int> buttons;    // ids of the visible buttons (IDOK, IDCANCEL, ...)
};

// Selects the boxes of one process (0: the calling process; AnyProcess: every
// process of the desktop) and, unless 0, of one thread.
struct MessageBoxFilter {
    static const DWORD AnyProcess = 0xFFFFFFFF;
    DWORD processId = 0;
    DWORD threadId = 0;
};

// Returns the visible message boxes that match filter, in window Z order.
std::vector<MessageBoxInfo> ListMessageBoxes(MessageBoxFilter filter = {});

// Returns the number of visible message boxes that match filter.
int CountMessageBoxes(MessageBoxFilter filter = {});

// Waits up to timeoutMs for a visible message box that matches filter.
// Returns true and fills *info when one was found. Messages sent to the
// calling thread are handled while waiting, so a box owned by one of its
// windows can come up.
bool WaitForMessageBox(MessageBoxInfo* info, DWORD timeoutMs, MessageBoxFilter filter = {});

// Reads the facts of the message box window. Returns false when it is not one.
bool ReadMessageBox(HWND window, MessageBoxInfo* info);

// Presses the button buttonId (IDOK, ...) of the box by posting WM_COMMAND.
// Returns false when the box has no such button.
bool PressMessageBoxButton(HWND window, int buttonId);

// Waits up to timeoutMs until window no longer exists. Returns true when gone.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

// Watches for message boxes on a thread of its own and keeps each distinct box
// it has seen (first sighting), so that tests can count boxes shown and closed.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(MessageBoxFilter filter = {});
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Returns the number of distinct boxes seen so far.
    int Count();
    // Returns the boxes seen so far, in the order first seen.
    std::vector<MessageBoxInfo> Seen();

private:
    static DWORD WINAPI ThreadEntry(void* self);
    void Run();

    MessageBoxFilter filter;
    CRITICAL_SECTION lock;
    HANDLE stop;
    HANDLE thread;
    std::vector<MessageBoxInfo> seen;
};
