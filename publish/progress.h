// The progress line on the standard error stream: "what: k/N files, B bytes".
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <chrono>
#include <string>

class ProgressLine {
public:
    ProgressLine(const char* what, size_t files);
    // Ends the line with its final count.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Counts one more file of the given size.
    void Step(uint64_t bytes);

private:
    void Show();

    std::string what;
    size_t files;
    size_t done = 0;
    uint64_t bytes = 0;
    bool terminal;
    std::chrono::steady_clock::time_point lastShown;
};
