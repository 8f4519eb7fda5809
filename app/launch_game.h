// Starts the game after a complete update.
#pragma once

// Starts program with arguments (may be null) and waits until it is idle; falls
// back to the shell's "open". The command line names program; the program
// started is the one at path when it is given (the system searches for program
// otherwise). Returns 0 always.
int LaunchGame(const char* program, const char* arguments, const char* path = nullptr);
