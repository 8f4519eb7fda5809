// ProgressCallback driving a real progress bar, called from another thread as
// the update worker does.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <thread>
#include "http/http_connection.h"
#include "http/progress_callback.h"
#include "tests/support/scripted_server.h"
#include "tests/support/udp_log_receiver.h"
#include "tests/support/wait_until.h"

namespace {

class ProgressCallbackTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "WC_PROGRESS_CALLBACK_TEST";
        RegisterClassA(&wc);
        parent = CreateWindowA(wc.lpszClassName, "test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100,
                               NULL, NULL, wc.hInstance, NULL);
        bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 10, 10, 200, 20, parent,
                            reinterpret_cast<HMENU>(3002), wc.hInstance, NULL);
        ASSERT_NE(nullptr, parent);
        ASSERT_NE(nullptr, bar);
    }
    void TearDown() override { DestroyWindow(parent); }

    // Calls OnProgress on a separate thread and returns its result.
    HRESULT ReportFromWorker(ProgressCallback& callback, ULONG progress, ULONG max, ULONG code)
    {
        HRESULT result = E_FAIL;
        std::thread worker([&] { result = callback.OnProgress(progress, max, code, L"status"); });
        worker.join();
        return result;
    }

    // Handles this thread's messages until cond holds or 5 seconds have passed.
    bool PumpUntil(const std::function<bool()>& cond)
    {
        return WaitUntil([&] {
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            return cond();
        }, 5000);
    }

    LRESULT Pos() { return SendMessageA(bar, PBM_GETPOS, 0, 0); }
    LRESULT High() { return SendMessageA(bar, PBM_GETRANGE, FALSE, 0); }

    HWND parent = nullptr;
    HWND bar = nullptr;
    RunFlag running{true};
};

class CountedCallback : public ProgressCallback {
public:
    CountedCallback(int& destroyed) : ProgressCallback(NULL, nullptr), destroyed(destroyed) {}
    ~CountedCallback() override { ++destroyed; }
    int& destroyed;
};

}  // namespace

TEST_F(ProgressCallbackTest, BeginResetsTheBarAndShowsBarAndWindow)
{
    SendMessageA(bar, PBM_SETPOS, 40, 0);
    ProgressCallback callback(bar, &running);
    EXPECT_EQ(S_OK, ReportFromWorker(callback, 99, 100, BINDSTATUS_BEGINDOWNLOADDATA));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) && IsWindowVisible(parent); }));
    EXPECT_EQ(0, Pos());
}

TEST_F(ProgressCallbackTest, DownloadingPostsRangeThenPosition)
{
    ProgressCallback callback(bar, &running);
    EXPECT_EQ(S_OK, ReportFromWorker(callback, 300, 1000, BINDSTATUS_DOWNLOADINGDATA));
    EXPECT_TRUE(PumpUntil([&] { return Pos() == 300; }));
    EXPECT_EQ(1000, High());
    EXPECT_EQ(0, SendMessageA(bar, PBM_GETRANGE, TRUE, 0));

    // Without a Content-Length the range is 0 to 0.
    EXPECT_EQ(S_OK, ReportFromWorker(callback, 5000, 0, BINDSTATUS_DOWNLOADINGDATA));
    EXPECT_TRUE(PumpUntil([&] { return High() == 0; }));
}

TEST_F(ProgressCallbackTest, AClearedRunFlagAbortsAndPostsNothing)
{
    SendMessageA(bar, PBM_SETRANGE32, 0, 100);
    SendMessageA(bar, PBM_SETPOS, 50, 0);
    running = false;
    ProgressCallback callback(bar, &running);
    EXPECT_EQ(E_ABORT, ReportFromWorker(callback, 70, 1000, BINDSTATUS_DOWNLOADINGDATA));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(50, Pos());
    EXPECT_EQ(100, High());
}

TEST_F(ProgressCallbackTest, EndHidesTheBarAndLeavesTheWindow)
{
    ShowWindow(parent, SW_SHOW);
    ShowWindow(bar, SW_SHOW);
    ProgressCallback callback(bar, &running);
    EXPECT_EQ(S_OK, ReportFromWorker(callback, 10, 10, BINDSTATUS_ENDDOWNLOADDATA));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(bar); }));
    EXPECT_TRUE(IsWindowVisible(parent));
}

TEST_F(ProgressCallbackTest, OtherCodesAreLogged)
{
    UdpLogReceiver receiver;
    ASSERT_TRUE(receiver.Bound());
    ProgressCallback callback(bar, &running);
    EXPECT_EQ(S_OK, ReportFromWorker(callback, 1, 2, 1));
    EXPECT_TRUE(receiver.WaitForDatagram(std::string("ulProgress=1 ulProgressMax=2 urlStatusCode=1 status\r\n") + '\0'));
}

TEST_F(ProgressCallbackTest, ClearedFlagStopsADownloadAfterOneBlock)
{
    ScriptedServer server;
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\nContent-Length: 300\r\n\r\n" + std::string(100, 'x'))
                   .Pause(300).Send(std::string(200, 'y')));
    char folder[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    ASSERT_NE(0u, GetTempFileNameA(folder, "pc", 0, name));
    running = false;
    ProgressCallback callback(bar, &running);
    HRESULT result = E_FAIL;
    DWORD size = 0;
    std::thread worker([&] {
        HttpConnection connection;
        result = connection.DownloadToFile(server.Url("/").c_str(), name, &callback);
        size = GetFileSize(connection.file, NULL);
    });
    worker.join();
    EXPECT_EQ(E_ABORT, result);
    EXPECT_EQ(100u, size);
    DeleteFileA(name);
}

TEST(ProgressCallbackObject, QueryInterfaceAndReferenceCounting)
{
    RunFlag running{true};
    ProgressCallback callback(NULL, &running);
    EXPECT_EQ(1, callback.refCount);
    void* got = nullptr;
    EXPECT_EQ(S_OK, callback.QueryInterface(IID_IUnknown, &got));
    EXPECT_EQ(static_cast<IBindStatusCallback*>(&callback), got);
    EXPECT_EQ(S_OK, callback.QueryInterface(IID_IBindStatusCallback, &got));
    EXPECT_EQ(static_cast<IBindStatusCallback*>(&callback), got);
    EXPECT_EQ(3, callback.refCount);
    got = &callback;
    EXPECT_EQ(E_NOINTERFACE, callback.QueryInterface(IID_IClassFactory, &got));
    EXPECT_EQ(nullptr, got);
    EXPECT_EQ(3, callback.refCount);
    EXPECT_EQ(2u, callback.Release());
    EXPECT_EQ(1u, callback.Release());
    EXPECT_EQ(2u, callback.AddRef());
    callback.Release();

    EXPECT_EQ(S_OK, callback.OnStartBinding(0, nullptr));
    EXPECT_EQ(S_OK, callback.GetPriority(nullptr));
    EXPECT_EQ(S_OK, callback.OnLowResource(0));
    EXPECT_EQ(S_OK, callback.OnStopBinding(S_OK, nullptr));
    EXPECT_EQ(E_NOTIMPL, callback.GetBindInfo(nullptr, nullptr));
    EXPECT_EQ(S_OK, callback.OnDataAvailable(0, 0, nullptr, nullptr));
    EXPECT_EQ(S_OK, callback.OnObjectAvailable(IID_IUnknown, nullptr));
}

TEST(ProgressCallbackObject, AHeapObjectReleasedToZeroDeletesItself)
{
    int destroyed = 0;
    ProgressCallback* callback = new CountedCallback(destroyed);
    callback->AddRef();
    EXPECT_EQ(1u, callback->Release());
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(0u, callback->Release());
    EXPECT_EQ(1, destroyed);
}
