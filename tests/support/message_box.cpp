#include "tests/support/message_box.h"

namespace {

bool HasClass(HWND window, const char* className)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, className) == 0;
}

BOOL CALLBACK AddChildFacts(HWND child, LPARAM param)
{
    MessageBoxInfo* info = reinterpret_cast<MessageBoxInfo*>(param);
    if (!IsWindowVisible(child))
        return TRUE;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (HasClass(child, "Button")) {
        info->buttons.push_back(GetDlgCtrlID(child));
    } else if (HasClass(child, "Static") && (style & SS_TYPEMASK) == SS_ICON) {
        if (SendMessageA(child, STM_GETICON, 0, 0) != 0)
            info->hasIcon = true;
    }
    return TRUE;
}

struct ListRequest {
    MessageBoxFilter filter;
    std::vector<MessageBoxInfo>* boxes;
};

BOOL CALLBACK AddIfMessageBox(HWND window, LPARAM param)
{
    ListRequest* request = reinterpret_cast<ListRequest*>(param);
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (request->filter.processId != MessageBoxFilter::AnyProcess &&
        processId != request->filter.processId)
        return TRUE;
    if (request->filter.threadId != 0 && threadId != request->filter.threadId)
        return TRUE;
    // Visible means the dialog has finished its initialisation: texts are set.
    if (!IsWindowVisible(window) || !HasClass(window, "#32770"))
        return TRUE;
    MessageBoxInfo info;
    if (ReadMessageBox(window, &info))
        request->boxes->push_back(info);
    return TRUE;
}

MessageBoxFilter Resolve(MessageBoxFilter filter)
{
    if (filter.processId == 0)
        filter.processId = GetCurrentProcessId();
    return filter;
}

// Handles messages sent to this thread (not posted ones) for up to ms milliseconds.
void PauseHandlingSentMessages(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace

bool ReadMessageBox(HWND window, MessageBoxInfo* info)
{
    if (!IsWindow(window) || !HasClass(window, "#32770"))
        return false;
    *info = MessageBoxInfo();
    info->window = window;
    info->threadId = GetWindowThreadProcessId(window, &info->processId);
    info->owner = GetWindow(window, GW_OWNER);
    info->style = GetWindowLongA(window, GWL_STYLE);
    info->exStyle = GetWindowLongA(window, GWL_EXSTYLE);

    std::vector<char> buffer(16384);
    int length = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    info->caption.assign(buffer.data(), length > 0 ? length : 0);
    length = GetDlgItemTextA(window, MessageBoxTextId, buffer.data(), static_cast<int>(buffer.size()));
    info->text.assign(buffer.data(), length > 0 ? length : 0);

    EnumChildWindows(window, AddChildFacts, reinterpret_cast<LPARAM>(info));
    return true;
}

std::vector<MessageBoxInfo> ListMessageBoxes(MessageBoxFilter filter)
{
    std::vector<MessageBoxInfo> boxes;
    ListRequest request = {Resolve(filter), &boxes};
    EnumWindows(AddIfMessageBox, reinterpret_cast<LPARAM>(&request));
    return boxes;
}

int CountMessageBoxes(MessageBoxFilter filter)
{
    return static_cast<int>(ListMessageBoxes(filter).size());
}

bool WaitForMessageBox(MessageBoxInfo* info, DWORD timeoutMs, MessageBoxFilter filter)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<MessageBoxInfo> boxes = ListMessageBoxes(filter);
        if (!boxes.empty()) {
            *info = boxes.front();
            return true;
        }
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PauseHandlingSentMessages(10);
    }
}

bool PressMessageBoxButton(HWND window, int buttonId)
{
    HWND button = GetDlgItem(window, buttonId);
    if (button == nullptr || !IsWindowVisible(button))
        return false;
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != 0;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PauseHandlingSentMessages(10);
    }
    return true;
}

MessageBoxWatcher::MessageBoxWatcher(MessageBoxFilter filter)
    : filter(Resolve(filter)), stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread(nullptr)
{
    InitializeCriticalSection(&lock);
    thread = CreateThread(nullptr, 0, ThreadEntry, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    SetEvent(stop);
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    CloseHandle(stop);
    DeleteCriticalSection(&lock);
}

int MessageBoxWatcher::Count()
{
    EnterCriticalSection(&lock);
    int count = static_cast<int>(seen.size());
    LeaveCriticalSection(&lock);
    return count;
}

std::vector<MessageBoxInfo> MessageBoxWatcher::Seen()
{
    EnterCriticalSection(&lock);
    std::vector<MessageBoxInfo> copy = seen;
    LeaveCriticalSection(&lock);
    return copy;
}

DWORD WINAPI MessageBoxWatcher::ThreadEntry(void* self)
{
    static_cast<MessageBoxWatcher*>(self)->Run();
    return 0;
}

void MessageBoxWatcher::Run()
{
    // A box counts once from its first sighting until it is gone; a handle that
    // comes back after a poll without it is a new box.
    std::vector<HWND> present;
    do {
        std::vector<HWND> now;
        for (const MessageBoxInfo& box : ListMessageBoxes(filter)) {
            now.push_back(box.window);
            bool known = false;
            for (HWND old : present)
                known = known || old == box.window;
            if (!known) {
                EnterCriticalSection(&lock);
                seen.push_back(box);
                LeaveCriticalSection(&lock);
            }
        }
        present.swap(now);
    } while (WaitForSingleObject(stop, 5) == WAIT_TIMEOUT);
}
