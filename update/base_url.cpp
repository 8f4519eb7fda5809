#include "update/base_url.h"
#include <windows.h>
#include <string.h>
#include "common/launcher_texts.h"
#include "http/download.h"
#include "log/log_printf.h"
#include "server_config.h"

// "Could not obtain the application's update information" / "Please check
// that you are connected to the Internet", in Shift-JIS.
static const char DownloadFailedText[] =
    "\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8D\x58\x90\x56"
    "\x8F\xEE\x95\xF1\x82\xF0\x8E\xE6\x93\xBE\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
    "\x82\xB5\x82\xBD"
    "\r\n\r\n"
    "\x83\x43\x83\x93\x83\x5E\x81\x5B\x83\x6C\x83\x62\x83\x67\x82\xC9\x90\xDA\x91\xB1\x82\xB5"
    "\x82\xC4\x82\xA2\x82\xE9\x82\xB1\x82\xC6\x82\xF0\x8A\x6D\x94\x46\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2";

static const char Key[] = "BASEURL=";
static const char Scheme[] = "http://";

const char* GetBaseUrl()
{
    return BaseUrl.c_str();
}

// Shows why the base URL was not learned. Returns false.
static bool FailDiscovery(const char* text)
{
    MessageBoxA(NULL, text, LauncherTitle, MB_OK);
    return false;
}

bool DiscoverBaseUrl()
{
    return DiscoverBaseUrlFrom(KORVAN_RESINFO_URL);
}

bool DiscoverBaseUrlFrom(const char* resourceInfoUrl)
{
    std::string body;
    if (DownloadToString(resourceInfoUrl, body) != 0)
        return FailDiscovery(DownloadFailedText);

    const size_t keyLength = sizeof Key - 1;
    const size_t schemeLength = sizeof Scheme - 1;
    if (body.size() < keyLength || body.compare(0, keyLength, Key) != 0)
        return FailDiscovery(body.c_str());
    if (body.size() < keyLength + schemeLength || body.compare(keyLength, schemeLength, Scheme) != 0)
        return FailDiscovery("INVALID BASEURL HTTP");

    // Everything after the key, exactly as served: nothing is trimmed.
    BaseUrl.assign(body, keyLength, std::string::npos);
    LogPrintf("BASEURL=%s\r\n", BaseUrl.c_str());
    return true;
}
