// The progress line on the standard error stream: "what: k/N files, B bytes".
#include "publish/progress.h"

#include <stdio.h>

#include "publish/platform.h"

ProgressLine::ProgressLine(const char* what, size_t files)
    : what(what), files(files), terminal(ErrorIsTerminal()), lastShown(std::chrono::steady_clock::now())
{
}

ProgressLine::~ProgressLine()
{
    if (files == 0)
        return;
    Show();
    if (terminal)
        fputc('\n', stderr);
}

void ProgressLine::Step(uint64_t size)
{
    done++;
    bytes += size;
    // A terminal line is redrawn often; a log gets a line every few seconds.
    auto now = std::chrono::steady_clock::now();
    if (done < files && now - lastShown >= std::chrono::milliseconds(terminal ? 100 : 2000)) {
        Show();
        lastShown = now;
    }
}

void ProgressLine::Show()
{
    fprintf(stderr, terminal ? "\r%s: %llu/%llu files, %llu bytes" : "%s: %llu/%llu files, %llu bytes\n",
            what.c_str(), (unsigned long long)done, (unsigned long long)files, (unsigned long long)bytes);
    fflush(stderr);
}
