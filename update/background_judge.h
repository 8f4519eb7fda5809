// A judge that sees an archive's bytes on a thread of its own, so that the
// download goes on while they are hashed.
#pragma once
#include <windows.h>
#include <deque>
#include <memory>
#include <vector>
#include "update/release_check.h"

class BackgroundJudge : public ArchiveJudge {
public:
    explicit BackgroundJudge(std::unique_ptr<ArchiveJudge> inner);
    ~BackgroundJudge() override;
    BackgroundJudge(const BackgroundJudge&) = delete;
    BackgroundJudge& operator=(const BackgroundJudge&) = delete;

    void Restart() override;
    // Queues a copy of the bytes; waits while many megabytes are queued already.
    void Add(const void* data, size_t size) override;
    // Returns the inner judge's verdict once every byte queued was seen.
    bool Matches() override;

private:
    static unsigned __stdcall Run(void* self);
    void Drain();

    std::unique_ptr<ArchiveJudge> inner;
    CRITICAL_SECTION lock;
    HANDLE queuedEvent;   // auto-reset: a block was queued, or the thread must stop
    HANDLE idleEvent;     // manual-reset: set while nothing is queued or being seen
    HANDLE roomEvent;     // manual-reset: set while the queue has room
    std::deque<std::vector<char>> queue;
    size_t queuedBytes = 0;
    bool stopping = false;
    HANDLE thread = NULL;   // null: the bytes are seen on the caller's thread
};
