#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "app/working_directory.h"

namespace {

std::string CurrentDirectory()
{
    char path[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

std::string WithoutTrailingSeparator(std::string path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

std::string LocalAppData()
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, path, CSIDL_LOCAL_APPDATA, TRUE);
    return path;
}

// A fresh empty folder made current for one test; the old folder comes back after.
class TemporaryCurrentDirectory {
public:
    TemporaryCurrentDirectory()
    {
        old = CurrentDirectory();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + "wdtest" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), NULL);
        SetCurrentDirectoryA(path.c_str());
    }
    ~TemporaryCurrentDirectory()
    {
        SetCurrentDirectoryA(old.c_str());
        RemoveDirectoryA((path + "\\config.ini").c_str());
        DeleteFileA((path + "\\config.ini").c_str());
        RemoveDirectoryA(path.c_str());
    }
    std::string path, old;
};

}  // namespace

TEST(ChangeDirectoryExeFriend, MakesTheExecutablesFolderCurrent)
{
    TemporaryCurrentDirectory elsewhere;
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string folder(exe);
    folder.erase(folder.find_last_of('\\'));

    ASSERT_EQ(0, ChangeDirectoryExeFriend());
    EXPECT_EQ(WithoutTrailingSeparator(folder), WithoutTrailingSeparator(CurrentDirectory()));
}

TEST(ChangeDirectoryToLocalAppData, StaysWhereConfigIniExistsAsFileOrFolder)
{
    TemporaryCurrentDirectory game;
    HANDLE file = CreateFileA("config.ini", GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(game.path, CurrentDirectory());

    ASSERT_TRUE(DeleteFileA("config.ini"));
    ASSERT_TRUE(CreateDirectoryA("config.ini", NULL));
    EXPECT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(game.path, CurrentDirectory());
}

TEST(ChangeDirectoryToLocalAppData, CreatesAndEntersTheGameFolderUnderLocalAppData)
{
    TemporaryCurrentDirectory game;
    std::string base = WithoutTrailingSeparator(LocalAppData());
    std::string expected = base + "\\R-FIG\\korvan\\130";
    RemoveDirectoryA(expected.c_str());
    RemoveDirectoryA((base + "\\R-FIG\\korvan").c_str());
    RemoveDirectoryA((base + "\\R-FIG").c_str());

    ASSERT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(expected, CurrentDirectory());

    // A second run finds the folders in place and succeeds the same way.
    SetCurrentDirectoryA(game.path.c_str());
    ASSERT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(expected, CurrentDirectory());
    SetCurrentDirectoryA(game.path.c_str());
}
