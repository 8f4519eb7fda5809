#include "common/launcher_texts.h"

const char LauncherTitle[] = "Korvan / Windows\x94\xC5";
const char* LauncherCommandLine = "";
