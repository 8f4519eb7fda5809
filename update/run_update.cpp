// The worker's single pass: fetch the list, bring every .exe and .dll up to
// date, then record the launcher and start the game.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "app/launch_game.h"
#include "app/launcher_window.h"
#include "common/launcher_texts.h"
#include "update/ansi_lead_byte.h"
#include "update/base_url.h"
#include "update/extension.h"
#include "update/file_error.h"
#include "update/key_value_list.h"
#include "update/update_file.h"
#include "update/update_parts.h"
#include "update/wait_while_running.h"

// Fetches the list, retrying every 10 s while running is set. Returns 0 with
// the list in *list (when the launcher is closing, whatever the last attempt
// left there); 1 when the release was refused, after its message.
static int FetchList(HWND window, const RunFlag* running, ReleaseCheck& release, std::string* list)
{
    const std::string baseUrl = GetBaseUrl();
    for (;;) {
        int result = release.FetchList(baseUrl, list);
        if (result == ListAccepted)
            return 0;
        if (result == ListRefused) {
            ShowFileError(window, running, release.RefusedName(), InvalidSignatureText);
            return 1;
        }
        if (!running->load())
            return 0;
        WaitWhileRunning(10000, running);
    }
}

// Writes the launcher's own path to [STATUS] LAUNCHER of "./config.ini", and
// what the release check records beside it, then flushes the system's cached
// copy of that file.
static void RecordLauncherPath(const ReleaseCheck& release)
{
    static const char ConfigFile[] = "./config.ini";
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    path[sizeof path - 1] = '\0';
    WritePrivateProfileStringA("STATUS", "LAUNCHER", path, ConfigFile);
    release.RecordComplete(ConfigFile);
    WritePrivateProfileStringA(NULL, NULL, NULL, ConfigFile);
}

int LauncherWindow::RunUpdate()
{
    UpdateParts parts = MakeUpdateParts();
    return RunUpdate(parts);
}

int LauncherWindow::RunUpdate(UpdateParts& parts)
{
    std::string list;
    if (FetchList(hwnd, &running, *parts.release, &list) != 0) {
        MarkWorkerFinished();
        return 0;
    }
    Manifest manifest = ParseKeyValueList(list, "&", "=");
    for (Manifest::iterator entry = manifest.begin(); entry != manifest.end();) {
        if (IsGameFileName(entry->first, IsAnsiLeadByte))
            ++entry;
        else
            entry = manifest.erase(entry);
    }
    const Manifest listed = manifest;

    HWND overallBar = GetDlgItem(hwnd, OverallBarId);
    HWND fileBar = GetDlgItem(hwnd, FileBarId);
    PostMessageA(overallBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(manifest.size()));

    WPARAM begun = 0;
    if (running.load()) {
        while (!manifest.empty()) {
            ++begun;
            PostMessageA(overallBar, PBM_SETPOS, begun, 0);
            const std::string& name = manifest.begin()->first;
            if (!parts.release->TakesLibraryAsCurrent(name) &&
                UpdateFile(hwnd, fileBar, &running, name, manifest.begin()->second, parts) != 0)
                break;
            manifest.erase(manifest.begin());
            if (!running.load())
                break;
        }
    }
    parts.digests->Finish();

    if (manifest.empty() && running.load()) {
        RecordLauncherPath(*parts.release);
        parts.download->Completed(listed);
        std::string gamePath = parts.release->GamePath();
        LaunchGame("korvan.exe", LauncherCommandLine, gamePath.empty() ? nullptr : gamePath.c_str());
    }
    MarkWorkerFinished();
    return 0;
}
