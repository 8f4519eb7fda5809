// The launcher's run flag: one byte, written only by the window's thread,
// polled by the worker. Atomic so that every poll reads memory afresh.
#pragma once
#include <atomic>

using RunFlag = std::atomic<bool>;
static_assert(sizeof(RunFlag) == 1, "the run flag is one byte");
