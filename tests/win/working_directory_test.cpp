#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "app/working_directory.h"
#include "tests/support/work_folder.h"

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

}  // namespace

TEST(ChangeDirectoryExeFriend, MakesTheExecutablesFolderCurrent)
{
    WorkFolder elsewhere;
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string folder(exe);
    folder.erase(folder.find_last_of('\\'));

    ASSERT_EQ(0, ChangeDirectoryExeFriend());
    EXPECT_EQ(WithoutTrailingSeparator(folder), WithoutTrailingSeparator(CurrentDirectory()));
}

TEST(ChangeDirectoryToLocalAppData, StaysWhereConfigIniExistsAsFileOrFolder)
{
    WorkFolder game;
    HANDLE file = CreateFileA("config.ini", GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(WithoutTrailingSeparator(game.path), CurrentDirectory());

    ASSERT_TRUE(DeleteFileA("config.ini"));
    ASSERT_TRUE(CreateDirectoryA("config.ini", NULL));
    EXPECT_EQ(0, ChangeDirectoryToLocalAppData());
    EXPECT_EQ(WithoutTrailingSeparator(game.path), CurrentDirectory());
}

TEST(ChangeDirectoryToLocalAppData, CreatesAndEntersTheGameFolderUnderLocalAppData)
{
    WorkFolder game;
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
