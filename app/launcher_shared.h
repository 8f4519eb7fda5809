// Texts and values shared by every part of the launcher.
#pragma once

// "Korvan / Windows" and the kanji for "edition" (Shift-JIS 94 C5): window title
// and the caption of the launcher's own message boxes.
extern const char LauncherTitle[];

// The argument text WinMain received (never null); handed unchanged to the game.
extern const char* LauncherCommandLine;

// Class of the launcher window; also the single-instance key.
#define LAUNCHER_WINDOW_CLASS "WC_KORVAN_WIN_APP_LAUNCHER"

// Child controls of the launcher window.
enum { OverallBarId = 3001, FileBarId = 3002 };
