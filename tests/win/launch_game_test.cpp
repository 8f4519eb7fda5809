#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "app/launch_game.h"
#include "tests/support/message_box.h"
#include "tests/support/work_folder.h"

namespace {

// What the stand-in game recorded: its command line and its working directory.
struct Record {
    std::string commandLine;
    std::string directory;
};

// Waits up to 20 s for the record file. Returns true when it was read whole.
bool WaitForRecord(const std::string& path, Record* record)
{
    DWORD start = GetTickCount();
    std::string bytes;
    while (!ReadFileBytes(path, &bytes)) {
        if (GetTickCount() - start > 20000)
            return false;
        Sleep(10);
    }
    size_t end = bytes.find('\0');
    if (end == std::string::npos || bytes.size() < end + 2 || bytes.back() != '\0')
        return false;
    record->commandLine = bytes.substr(0, end);
    record->directory = bytes.substr(end + 1, bytes.size() - end - 2);
    return true;
}

// Runs LaunchGame with program copied from the stand-in game into the work folder.
class LaunchGameTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("KORVAN_RECORD_FILE", NULL);
        ASSERT_TRUE(CopyFileA(TestProgramPath("fake_korvan.exe").c_str(), "korvan.exe", FALSE));
    }

    // Returns the command line the game received when started with arguments.
    std::string Launch(const char* program, const char* arguments)
    {
        EXPECT_EQ(0, LaunchGame(program, arguments));
        Record record;
        EXPECT_TRUE(WaitForRecord("korvan-record.txt", &record));
        EXPECT_EQ(folder.path.substr(0, folder.path.size() - 1), record.directory);
        DeleteFileA("korvan-record.txt");
        return record.commandLine;
    }

    WorkFolder folder;
};

}  // namespace

TEST_F(LaunchGameTest, PassesArgumentsUnchangedAfterTheQuotedName)
{
    EXPECT_EQ("\"korvan.exe\" -a", Launch("korvan.exe", "-a"));
    const char* arguments = "  \"two words\" a\\\"b \"unclosed  x\x95\x5C  ";
    EXPECT_EQ(std::string("\"korvan.exe\" ") + arguments, Launch("korvan.exe", arguments));
}

TEST_F(LaunchGameTest, GivesTheQuotedNameAloneWithoutArguments)
{
    EXPECT_EQ("\"korvan.exe\"", Launch("korvan.exe", ""));
    EXPECT_EQ("\"korvan.exe\"", Launch("korvan.exe", NULL));
}

TEST_F(LaunchGameTest, KeepsANameWithSpacesOneToken)
{
    ASSERT_TRUE(CopyFileA("korvan.exe", "korvan game.exe", FALSE));
    EXPECT_EQ("\"korvan game.exe\" x y", Launch("korvan game.exe", "x y"));
}

TEST_F(LaunchGameTest, MissingProgramShowsOneShellExecuteBoxAndReturns0)
{
    struct Call {
        HANDLE done = CreateEventA(NULL, TRUE, FALSE, NULL);
        int result = -1;
    } call;
    HANDLE thread = CreateThread(
        NULL, 0,
        [](void* param) -> DWORD {
            Call* call = static_cast<Call*>(param);
            call->result = LaunchGame("no-such-korvan.exe", "-x");
            SetEvent(call->done);
            return 0;
        },
        &call, 0, NULL);
    ASSERT_NE(nullptr, thread);

    MessageBoxFilter ofThread;
    ofThread.threadId = GetThreadId(thread);
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(&box, 20000, ofThread));
    EXPECT_EQ("ShellExecute failed", box.text);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(1, CountMessageBoxes(ofThread));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(call.done, 0));
    ASSERT_TRUE(PressMessageBoxButton(box.window, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box.window, 20000));

    // After the one box LaunchGame returns; a second box would keep it waiting.
    DWORD start = GetTickCount();
    while (WaitForSingleObject(call.done, 10) == WAIT_TIMEOUT && GetTickCount() - start < 20000) {
        if (WaitForMessageBox(&box, 0, ofThread)) {
            ADD_FAILURE() << "a second box: " << box.text;
            PressMessageBoxButton(box.window, IDOK);
        }
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(call.done, 0));
    EXPECT_EQ(0, call.result);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(call.done);
}
