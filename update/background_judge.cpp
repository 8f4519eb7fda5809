#include "update/background_judge.h"
#include <process.h>

// Bytes queued before Add waits for the thread: the memory it may take.
static const size_t MaxQueuedBytes = 16u << 20;

BackgroundJudge::BackgroundJudge(std::unique_ptr<ArchiveJudge> inner)
    : inner(std::move(inner)), queuedEvent(CreateEventA(NULL, FALSE, FALSE, NULL)),
      idleEvent(CreateEventA(NULL, TRUE, TRUE, NULL)), roomEvent(CreateEventA(NULL, TRUE, TRUE, NULL))
{
    InitializeCriticalSection(&lock);
    if (queuedEvent && idleEvent && roomEvent)
        thread = reinterpret_cast<HANDLE>(_beginthreadex(NULL, 0, Run, this, 0, NULL));
}

BackgroundJudge::~BackgroundJudge()
{
    if (thread) {
        EnterCriticalSection(&lock);
        stopping = true;
        LeaveCriticalSection(&lock);
        SetEvent(queuedEvent);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    for (HANDLE event : {queuedEvent, idleEvent, roomEvent})
        if (event)
            CloseHandle(event);
    DeleteCriticalSection(&lock);
}

unsigned __stdcall BackgroundJudge::Run(void* self)
{
    BackgroundJudge* judge = static_cast<BackgroundJudge*>(self);
    for (;;) {
        EnterCriticalSection(&judge->lock);
        if (judge->queue.empty()) {
            bool stop = judge->stopping;
            SetEvent(judge->idleEvent);
            LeaveCriticalSection(&judge->lock);
            if (stop)
                return 0;
            WaitForSingleObject(judge->queuedEvent, INFINITE);
            continue;
        }
        std::vector<char> block = std::move(judge->queue.front());
        judge->queue.pop_front();
        LeaveCriticalSection(&judge->lock);

        judge->inner->Add(block.data(), block.size());

        EnterCriticalSection(&judge->lock);
        judge->queuedBytes -= block.size();
        if (judge->queuedBytes < MaxQueuedBytes)
            SetEvent(judge->roomEvent);
        LeaveCriticalSection(&judge->lock);
    }
}

void BackgroundJudge::Drain()
{
    if (thread)
        WaitForSingleObject(idleEvent, INFINITE);
}

void BackgroundJudge::Restart()
{
    Drain();
    inner->Restart();
}

void BackgroundJudge::Add(const void* data, size_t size)
{
    if (!thread) {
        inner->Add(data, size);
        return;
    }
    WaitForSingleObject(roomEvent, INFINITE);
    const char* bytes = static_cast<const char*>(data);
    EnterCriticalSection(&lock);
    queue.emplace_back(bytes, bytes + size);
    queuedBytes += size;
    if (queuedBytes >= MaxQueuedBytes)
        ResetEvent(roomEvent);
    ResetEvent(idleEvent);
    LeaveCriticalSection(&lock);
    SetEvent(queuedEvent);
}

bool BackgroundJudge::Matches()
{
    Drain();
    return inner->Matches();
}
