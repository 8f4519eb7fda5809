// Runs code that may show message boxes, answering each box with OK.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "tests/support/message_box.h"

// Runs work on a thread of its own. Meanwhile every message box of this process
// is recorded in *boxes (in the order seen) and closed with OK. Returns false
// when work has not ended after timeoutMs; the thread is then abandoned.
bool RunAnsweringBoxes(std::function<void()> work, std::vector<MessageBoxInfo>* boxes,
                       DWORD timeoutMs = 60000);
