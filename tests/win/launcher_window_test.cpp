#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include "common/launcher_texts.h"
#include "app/launcher_window.h"
#include "tests/support/message_box.h"
#include "tests/support/scripted_server.h"
#include "tests/support/work_folder.h"
#include "update/base_url.h"
#include "update/md5.h"

namespace {

// Set when PumpUntil took the quit message out of the queue.
bool quitSeen = false;
WPARAM quitCode = 0;

// Handles this thread's messages until cond holds or timeoutMs has passed.
// Returns cond's last value.
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        if (GetQueueStatus(QS_ALLINPUT) == 0)
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        // One message at a time: a download floods the queue with bar updates.
        MSG message;
        if (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen = true;
                quitCode = message.wParam;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// Destroys window and returns how long that took, in milliseconds: the
// destruction waits for the worker. (Hiding a shown window alone takes about
// two seconds under Wine on a bare X server, so limits below are generous but
// well under the 10-second pauses and the endless waits they guard against.)
DWORD DestroyTimed(HWND window)
{
    DWORD start = GetTickCount();
    EXPECT_TRUE(DestroyWindow(window));
    return GetTickCount() - start;
}

// A launcher window whose worker fetches its list from a scripted server, in a
// fresh working folder.
class LauncherWindowTest : public testing::Test {
protected:
    void SetUp() override { BaseUrl = server.Url("/dl/"); }
    void TearDown() override
    {
        if (window != NULL && IsWindow(window))
            DestroyWindow(window);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        }
        BaseUrl.clear();
    }

    HWND Create()
    {
        window = CreateLauncherWindow();
        EXPECT_NE(nullptr, window);
        return window;
    }

    WorkFolder folder;
    ScriptedServer server;
    HWND window = NULL;
};

RECT WindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

RECT ChildRect(HWND parent, int id)
{
    RECT rect = {};
    HWND child = GetDlgItem(parent, id);
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

TEST_F(LauncherWindowTest, IsASmallTopMostToolWindowCentredInTheWorkArea)
{
    server.SetFallback(HttpResponse("404 Not Found", ""));
    Create();
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(LauncherTitle, title);
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~static_cast<DWORD>(WS_CLIPSIBLINGS);
    EXPECT_EQ(0x80C80000u, style & 0xFFFF0000u);
    EXPECT_EQ(0x88u, static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & 0x88u);

    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(320, client.right - client.left);
    EXPECT_EQ(32, client.bottom - client.top);

    RECT work = {}, frame = WindowRect(window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_EQ(work.left + ((work.right - work.left) - width) / 2, frame.left);
    EXPECT_EQ(work.top + ((work.bottom - work.top) - height) / 2, frame.top);

    RECT top = ChildRect(window, OverallBarId), bottom = ChildRect(window, FileBarId);
    EXPECT_EQ(0, top.left); EXPECT_EQ(0, top.top); EXPECT_EQ(320, top.right); EXPECT_EQ(16, top.bottom);
    EXPECT_EQ(0, bottom.left); EXPECT_EQ(16, bottom.top); EXPECT_EQ(320, bottom.right); EXPECT_EQ(32, bottom.bottom);
    for (int id : { OverallBarId, FileBarId }) {
        char className[32] = "";
        GetClassNameA(GetDlgItem(window, id), className, sizeof className);
        EXPECT_STREQ("msctls_progress32", className);
        EXPECT_EQ(0x50000001u, static_cast<DWORD>(GetWindowLongA(GetDlgItem(window, id), GWL_STYLE)));
    }
}

TEST_F(LauncherWindowTest, ShowsItselfAfterOneSecondAndClosesOnEscape)
{
    server.SetFallback(HttpResponse("404 Not Found", ""));
    DWORD start = GetTickCount();
    Create();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 800));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    EXPECT_GE(GetTickCount() - start, 950u);

    quitSeen = false;
    SendMessageA(window, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window) && quitSeen; }, 8000));
    EXPECT_EQ(0u, quitCode);
}

TEST_F(LauncherWindowTest, ClosingDuringTheListRetryPauseEndsTheWorkerQuickly)
{
    server.SetFallback(HttpResponse("404 Not Found", ""));
    Create();
    ASSERT_TRUE(server.WaitForFinished(1));
    // The worker now pauses 10 s before its next attempt; closing ends the pause,
    // one more attempt follows and the worker ends.
    // Depending on where the worker was, the close comes during the pause (one
    // more attempt follows) or during the first attempt (none follows).
    EXPECT_LT(DestroyTimed(window), 8000u);
    EXPECT_LE(server.ConnectionCount(), 2u);
}

TEST_F(LauncherWindowTest, ClosingDuringADownloadAbortsIt)
{
    std::string expected = Md5OfBytes("new", 3);
    server.Add(HttpResponse("200 OK", "a.exe=" + expected));
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\n\r\n").Endless(std::string(4096, 'x')));
    Create();
    ASSERT_TRUE(PumpUntil([&] { return server.ConnectionCount() >= 2; }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    EXPECT_LT(DestroyTimed(window), 8000u);
    EXPECT_FALSE(PathExists(folder.path + "a.exe"));
}

TEST_F(LauncherWindowTest, ClosingWhileTheVerificationMessageIsUpDismissesIt)
{
    server.Add(HttpResponse("200 OK", "a.exe=" + std::string(32, 'f')));
    server.Add(HttpResponse("200 OK", "not what the list promised"));
    Create();
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(&box, 20000));
    EXPECT_EQ(window, box.owner);
    EXPECT_EQ(0u, box.text.find("a.exe invalid md5"));

    EXPECT_LT(DestroyTimed(window), 8000u);
    EXPECT_TRUE(WaitForWindowGone(box.window, 2000));
}

TEST(LauncherWindowObject, DestructorDoesNotWaitForAFinishedWorker)
{
    LauncherWindow* object = new LauncherWindow;
    EXPECT_TRUE(object->running);
    EXPECT_EQ(INVALID_HANDLE_VALUE, object->workerThread.load());
    // A worker that already marked itself finished leaves nothing to wait for.
    HANDLE blocker = CreateEventA(NULL, TRUE, FALSE, NULL);
    object->workerThread = blocker;
    object->MarkWorkerFinished();
    EXPECT_EQ(INVALID_HANDLE_VALUE, object->workerThread.load());
    DWORD start = GetTickCount();
    delete object;
    EXPECT_LT(GetTickCount() - start, 1000u);
}
