// Starts the game after a complete update.
#pragma once

// Starts program with arguments (may be null) and waits until it is idle; falls
// back to the shell's "open". Returns 0 always.
int LaunchGame(const char* program, const char* arguments);
