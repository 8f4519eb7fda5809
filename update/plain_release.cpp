// The plain launcher's release check: the server's list, the system's libraries.
#include <windows.h>
#include "http/download.h"
#include "update/ansi_lead_byte.h"
#include "update/extension.h"
#include "update/file_name_check.h"
#include "update/release_check.h"

int PlainRelease::FetchList(const std::string& baseUrl, std::string* list)
{
    list->clear();
    return DownloadToString((baseUrl + "md5.txt").c_str(), *list) == 0 ? ListAccepted : ListRetry;
}

bool PlainRelease::TakesLibraryAsCurrent(const std::string& name) const
{
    return LoadsAsLibrary(name, nullptr);
}

bool LoadsAsLibrary(const std::string& name, std::string* loadedFrom)
{
    if (!ExtensionEqualsIgnoringCase(NameExtension(name, IsAnsiLeadByte), ".dll", IsAnsiLeadByte))
        return false;
    // Names leaving the working directory go to UpdateFile, which refuses them.
    if (!IsSafeFileName(name, IsAnsiLeadByte))
        return false;
    HMODULE module = LoadLibraryA(name.c_str());
    if (module == NULL)
        return false;
    if (loadedFrom) {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(module, path, sizeof path);
        loadedFrom->assign(path, length < sizeof path ? length : 0);
    }
    FreeLibrary(module);
    return true;
}
