// The launcher window's object: run flag, worker thread, the update run.
#pragma once
#include <windows.h>
#include <atomic>
#include "common/run_flag.h"

struct UpdateParts;

// Class of the launcher window; also the single-instance key.
#define LAUNCHER_WINDOW_CLASS "WC_KORVAN_WIN_APP_LAUNCHER"

// Child controls of the launcher window.
enum { OverallBarId = 3001, FileBarId = 3002 };

class LauncherWindow {
public:
    LauncherWindow();
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual ~LauncherWindow();
    LauncherWindow(const LauncherWindow&) = delete;
    LauncherWindow& operator=(const LauncherWindow&) = delete;

    // The whole update on the calling thread, ending with the game's start,
    // with the parts this launcher was built with. Returns 0 always.
    int RunUpdate();
    // The same with the parts given.
    int RunUpdate(UpdateParts& parts);

    // The worker's last act on this object: takes workerThread (closing the handle
    // when it gets it) so that the destructor does not wait for a finished worker.
    void MarkWorkerFinished();

    // The worker's handle, INVALID_HANDLE_VALUE when there is nothing to wait for.
    // Exchanged atomically: whichever of the worker's end and the destructor takes
    // it first closes it, so a handle is never waited on after its release.
    std::atomic<HANDLE> workerThread;
    RunFlag running;
    HWND hwnd;

private:
    // Creation handling: size, place, bars, timer, worker.
    void OnCreate(HWND window, const CREATESTRUCTA* creation);
    void StartWorker();
    void WaitForWorker(HANDLE thread);

    // Identifies the worker's windows (its message boxes) during the final wait.
    DWORD workerThreadId;
};

// Creates the hidden launcher window, which starts the update worker.
// Returns the window, or null when it could not be created.
HWND CreateLauncherWindow();

// Registers the launcher window class. Returns the class atom, 0 on failure.
ATOM RegisterLauncherWindowClass();

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Thread routine of the worker: runs RunUpdate on the LauncherWindow given.
unsigned __stdcall UpdateThreadEntry(void* launcherWindow);
