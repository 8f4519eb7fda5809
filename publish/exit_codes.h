// The exit codes of korvan-publish, as the README lists them.
#pragma once

enum ExitCode {
    kExitDone = 0,      // done; verify: no problem found
    kExitRefused = 1,   // refused, nothing written; verify: problems found
    kExitFailed = 2,    // wrong usage, or a failure while writing
};
