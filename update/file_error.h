// The error boxes of the update run: a file's name and what is wrong with it.
#pragma once
#include <windows.h>
#include "common/run_flag.h"

// Appended to the name of a file that is not the one the release signed.
extern const char InvalidSignatureText[];

// Shows name + text as an error owned by the launcher window, unless the
// launcher is closing (its thread may already be waiting for this one). The
// window is shown first: an error must never leave the launcher invisible,
// and a box owned by a hidden window can keep it hidden for good. Returns
// once the player has closed the box.
void ShowFileError(HWND window, const RunFlag* running, const char* name, const char* text);
