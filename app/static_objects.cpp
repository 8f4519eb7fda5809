// The launcher's static objects live in this one file so that their order is
// certain: Winsock first, then the window class, then the empty base URL. They
// are destroyed in reverse; the log channel, made at the first log call inside
// WinMain, goes before all three.
#include <windows.h>
#include <string>
#include "app/launcher_window.h"
#include "http/use_wsock32.h"
#include "update/base_url.h"

static WinsockStartup winsockStartup;
static const ATOM launcherWindowClass = RegisterLauncherWindowClass();
std::string BaseUrl;
