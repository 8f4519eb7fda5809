// The worker's single pass: fetch the list, bring every .exe and .dll up to
// date, then record the launcher and start the game.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "app/launch_game.h"
#include "app/launcher_shared.h"
#include "app/launcher_window.h"
#include "http/download.h"
#include "update/ansi_lead_byte.h"
#include "update/base_url.h"
#include "update/extension.h"
#include "update/file_name_check.h"
#include "update/key_value_list.h"
#include "update/update_file.h"
#include "update/wait_while_running.h"
#ifdef KORVAN_SIGNED_RELEASES
#include "release_key.h"
#include "update/release_statement.h"
#endif

#ifdef KORVAN_SIGNED_RELEASES
// Fetches the list of the release that statement accepts, retrying every 10 s
// while running is set. Returns true with the list in *body; false when the
// run must stop: the release was refused (after its message) or the launcher
// is closing.
static bool FetchSignedList(HWND window, const RunFlag* running, ReleaseStatement* statement,
                            std::string* body)
{
    const uint32_t recorded = RecordedRelease();
    for (;;) {
        int result = statement->FetchList(GetBaseUrl(), recorded, body);
        if (result == ListAccepted)
            return true;
        if (result == ListRefused) {
            if (running->load())
                MessageBoxA(window, "md5.txt invalid signature", LauncherTitle, MB_ICONERROR);
            return false;
        }
        if (!running->load())
            return false;
        WaitWhileRunning(10000, running);
    }
}
#else
// Returns the list at url, retrying every 10 s while running is set; the text
// of the last attempt when the launcher is closing.
static std::string FetchList(const std::string& url, const RunFlag* running)
{
    std::string body;
    for (;;) {
        body.clear();
        if (DownloadToString(url.c_str(), body) == 0 || !running->load())
            return body;
        WaitWhileRunning(10000, running);
    }
}
#endif

// Returns true for a .dll that the system already loads (from any place on its
// search path): such a library is taken as current.
static bool IsLoadableLibrary(const std::string& name)
{
    if (!ExtensionEqualsIgnoringCase(NameExtension(name, IsAnsiLeadByte), ".dll", IsAnsiLeadByte))
        return false;
    // Names leaving the working directory go to UpdateFile, which refuses them.
    if (!IsSafeFileName(name, IsAnsiLeadByte))
        return false;
    HMODULE module = LoadLibraryA(name.c_str());
    if (module == NULL)
        return false;
    FreeLibrary(module);
    return true;
}

// Writes the launcher's own path to [STATUS] LAUNCHER of "./config.ini", and
// the number of a signed release to RELEASE, then flushes the system's cached
// copy of that file.
static void RecordLauncherPath(const ReleaseStatement* statement)
{
    static const char ConfigFile[] = "./config.ini";
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    path[sizeof path - 1] = '\0';
    WritePrivateProfileStringA("STATUS", "LAUNCHER", path, ConfigFile);
#ifdef KORVAN_SIGNED_RELEASES
    char release[16];
    wsprintfA(release, "%lu", static_cast<unsigned long>(statement->Release()));
    WritePrivateProfileStringA("STATUS", "RELEASE", release, ConfigFile);
#endif
    WritePrivateProfileStringA(NULL, NULL, NULL, ConfigFile);
}

int LauncherWindow::RunUpdate()
{
#ifdef KORVAN_SIGNED_RELEASES
    ReleaseStatement statement(ReleaseKeyPem);
    const ReleaseStatement* signedBy = &statement;
    std::string list;
    if (!FetchSignedList(hwnd, &running, &statement, &list)) {
        MarkWorkerFinished();
        return 0;
    }
#else
    const ReleaseStatement* signedBy = nullptr;
    std::string list = FetchList(std::string(GetBaseUrl()) + "md5.txt", &running);
#endif
    Manifest manifest = ParseKeyValueList(list, "&", "=");
    for (Manifest::iterator entry = manifest.begin(); entry != manifest.end();) {
        if (IsGameFileName(entry->first, IsAnsiLeadByte))
            ++entry;
        else
            entry = manifest.erase(entry);
    }

    HWND overallBar = GetDlgItem(hwnd, OverallBarId);
    HWND fileBar = GetDlgItem(hwnd, FileBarId);
    PostMessageA(overallBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(manifest.size()));

    WPARAM begun = 0;
    if (running.load()) {
        while (!manifest.empty()) {
            ++begun;
            PostMessageA(overallBar, PBM_SETPOS, begun, 0);
            const std::string& name = manifest.begin()->first;
            if (!IsLoadableLibrary(name) &&
                UpdateFile(hwnd, fileBar, &running, name, manifest.begin()->second, signedBy) != 0)
                break;
            manifest.erase(manifest.begin());
            if (!running.load())
                break;
        }
    }

    if (manifest.empty() && running.load()) {
        RecordLauncherPath(signedBy);
        LaunchGame("korvan.exe", LauncherCommandLine);
    }
    MarkWorkerFinished();
    return 0;
}
