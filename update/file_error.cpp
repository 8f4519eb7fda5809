#include "update/file_error.h"
#include <string>
#include "common/launcher_texts.h"

const char InvalidSignatureText[] = " invalid signature";

void ShowFileError(HWND window, const RunFlag* running, const char* name, const char* text)
{
    if (!running->load())
        return;
    ShowWindowAsync(window, SW_SHOW);
    MessageBoxA(window, (std::string(name) + text).c_str(), LauncherTitle, MB_ICONERROR);
}
