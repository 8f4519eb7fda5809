// Texts that every layer of the launcher may use.
#pragma once

// "Korvan / Windows" and the kanji for "edition" (Shift-JIS 94 C5): window title
// and the caption of the launcher's own message boxes.
extern const char LauncherTitle[];

// The argument text WinMain received (never null); handed unchanged to the game.
extern const char* LauncherCommandLine;
