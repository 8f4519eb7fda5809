#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "common/launcher_texts.h"
#include "tests/support/message_box.h"

namespace {

// "アプリケーションの更新情報を取得できませんでした", CR LF CR LF, "インターネット" in Shift-JIS.
const char JapaneseText[] =
    "\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8D\x58\x90\x56"
    "\x8F\xEE\x95\xF1\x82\xF0\x8E\xE6\x93\xBE\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
    "\x82\xB5\x82\xBD\x0D\x0A\x0D\x0A\x83\x43\x83\x93\x83\x5E\x81\x5B\x83\x6C\x83\x62\x83\x67";

// Shows one MessageBoxA on a thread of its own and keeps its result.
class BoxThread {
public:
    BoxThread(HWND owner, const char* text, const char* caption, UINT type)
        : owner(owner), text(text), caption(caption), type(type), result(-1)
    {
        thread = CreateThread(nullptr, 0, Entry, this, 0, &threadId);
    }
    ~BoxThread() { Join(); }
    BoxThread(const BoxThread&) = delete;
    BoxThread& operator=(const BoxThread&) = delete;

    // Returns the box's result once the thread has ended, -1 after timeoutMs.
    int Join(DWORD timeoutMs = 10000)
    {
        if (thread != nullptr) {
            // Sent messages (to an owner window of this thread) keep flowing while waiting.
            DWORD start = GetTickCount();
            while (MsgWaitForMultipleObjects(1, &thread, FALSE, 10, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
                MSG message;
                PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
                if (GetTickCount() - start >= timeoutMs)
                    return -1;
            }
            CloseHandle(thread);
            thread = nullptr;
        }
        return result;
    }

    DWORD threadId = 0;

private:
    static DWORD WINAPI Entry(void* self)
    {
        BoxThread* box = static_cast<BoxThread*>(self);
        box->result = MessageBoxA(box->owner, box->text, box->caption, box->type);
        return 0;
    }

    HWND owner;
    const char* text;
    const char* caption;
    UINT type;
    volatile int result;
    HANDLE thread;
};

TEST(MessageBoxHelper, ReadsShiftJisCaptionAndTextOfABoxWithoutOwner)
{
    ASSERT_EQ(932u, GetACP()) << "run with LC_ALL=ja_JP.UTF-8";
    BoxThread shown(nullptr, JapaneseText, LauncherTitle, MB_OK);

    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(&box, 10000));
    EXPECT_EQ(std::string(LauncherTitle), box.caption);
    EXPECT_EQ(std::string(JapaneseText), box.text);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(GetCurrentProcessId(), box.processId);
    EXPECT_EQ(shown.threadId, box.threadId);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_EQ(1, CountMessageBoxes());

    EXPECT_FALSE(PressMessageBoxButton(box.window, IDCANCEL)) << "an MB_OK box has no Cancel";
    ASSERT_TRUE(PressMessageBoxButton(box.window, IDOK));
    EXPECT_EQ(IDOK, shown.Join());
    EXPECT_TRUE(WaitForWindowGone(box.window, 5000));
    EXPECT_EQ(0, CountMessageBoxes());
}

TEST(MessageBoxHelper, SeesTheOwnerAndTheErrorIcon)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    {
        BoxThread shown(owner, "x.exe invalid md5\r\n", LauncherTitle, MB_ICONERROR);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBox(&box, 10000));
        EXPECT_EQ(owner, box.owner);
        EXPECT_TRUE(box.hasIcon);
        EXPECT_EQ("x.exe invalid md5\r\n", box.text);
        ASSERT_TRUE(PressMessageBoxButton(box.window, IDOK));
        EXPECT_EQ(IDOK, shown.Join());
    }
    DestroyWindow(owner);
}

TEST(MessageBoxHelper, FiltersByThreadAndTimesOut)
{
    MessageBoxInfo box;
    DWORD start = GetTickCount();
    EXPECT_FALSE(WaitForMessageBox(&box, 300));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 300u);
    EXPECT_LT(waited, 3000u);

    BoxThread first(nullptr, "first", "one", MB_OK);
    BoxThread second(nullptr, "second", "two", MB_OKCANCEL);
    MessageBoxFilter onlySecond;
    onlySecond.threadId = second.threadId;
    ASSERT_TRUE(WaitForMessageBox(&box, 10000, onlySecond));
    EXPECT_EQ("second", box.text);
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), box.buttons);
    ASSERT_TRUE(PressMessageBoxButton(box.window, IDCANCEL));
    EXPECT_EQ(IDCANCEL, second.Join());

    MessageBoxFilter otherProcess;
    otherProcess.processId = GetCurrentProcessId() + 4;
    EXPECT_EQ(0, CountMessageBoxes(otherProcess));

    MessageBoxFilter onlyFirst;
    onlyFirst.threadId = first.threadId;
    ASSERT_TRUE(WaitForMessageBox(&box, 10000, onlyFirst));
    EXPECT_EQ("first", box.text);
    ASSERT_TRUE(PressMessageBoxButton(box.window, IDOK));
    EXPECT_EQ(IDOK, first.Join());
}

TEST(MessageBoxHelper, WatcherCountsEachBoxOnce)
{
    MessageBoxWatcher watcher;
    int expected = 0;
    for (const char* text : {"one", "two"}) {
        BoxThread shown(nullptr, text, "count", MB_OK);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBox(&box, 10000));
        // Stays up for several polls of the watcher, yet counts once.
        ++expected;
        DWORD start = GetTickCount();
        while ((watcher.Count() < expected && GetTickCount() - start < 5000) ||
               GetTickCount() - start < 100)
            Sleep(5);
        EXPECT_EQ(expected, watcher.Count());
        ASSERT_TRUE(PressMessageBoxButton(box.window, IDOK));
        EXPECT_EQ(IDOK, shown.Join());
        ASSERT_TRUE(WaitForWindowGone(box.window, 5000));
    }
    std::vector<MessageBoxInfo> seen = watcher.Seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("one", seen[0].text);
    EXPECT_EQ("two", seen[1].text);
}

} // namespace
