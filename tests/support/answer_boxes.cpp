#include "tests/support/answer_boxes.h"
#include <atomic>
#include <memory>
#include <thread>

bool RunAnsweringBoxes(std::function<void()> work, std::vector<MessageBoxInfo>* boxes,
                       DWORD timeoutMs)
{
    // Shared with the thread, which may outlive this call after a time-out.
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread runner([work, done] {
        work();
        *done = true;
    });
    DWORD start = GetTickCount();
    while (!*done) {
        for (const MessageBoxInfo& box : ListMessageBoxes()) {
            boxes->push_back(box);
            PressMessageBoxButton(box.window, IDOK);
            WaitForWindowGone(box.window, 5000);
        }
        if (GetTickCount() - start >= timeoutMs) {
            runner.detach();
            return false;
        }
        Sleep(5);
    }
    runner.join();
    return true;
}
