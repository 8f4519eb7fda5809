#include "app/launch_game.h"

#include <windows.h>
#include <shellapi.h>
#include <string>

namespace {

// Returns 1 when the process was started (and has become idle), 0 otherwise.
int CreateGameProcess(const char* path, std::string commandLine)
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);

    // A null access list: the game's process and thread objects are open to everyone.
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, NULL, FALSE))
        return 0;
    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;

    // CreateProcessA may write into the command line, so it gets its own buffer.
    if (!CreateProcessA(path, &commandLine[0], &attributes, &attributes, TRUE, 0, NULL, NULL,
                        &startup, &process))
        return 0;
    WaitForInputIdle(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

}  // namespace

int LaunchGame(const char* program, const char* arguments, const char* path)
{
    std::string commandLine = std::string("\"") + program + "\"";
    if (arguments && *arguments)
        commandLine.append(" ").append(arguments);

    if (!CreateGameProcess(path, commandLine)) {
        HINSTANCE result = ShellExecuteA(NULL, "open", path ? path : program, arguments, NULL, SW_SHOWNORMAL);
        if (reinterpret_cast<INT_PTR>(result) <= 32)
            MessageBoxA(NULL, "ShellExecute failed", NULL, MB_OK);
    }
    return 0;
}
