// A worker thread owned by the object that starts it. The owner joins it before anything the
// worker uses goes away; the worker reports only by posting window messages.
#pragma once

#include <windows.h>

#include <functional>

class CWorkerThread {
public:
    CWorkerThread() = default;
    // Joins whatever still runs: a worker never outlives its owner.
    ~CWorkerThread() { Join(INFINITE); }
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Runs fn on a new thread. A worker still running from before is joined first. False when
    // no thread could be started (fn did not run).
    bool Start(std::function<void()> fn);
    bool IsRunning() const;
    // Waits up to ms for the worker to end, dispatching the messages other threads send to
    // this one meanwhile (a worker may be inside SendMessage to one of its windows). True when
    // no worker runs any more.
    bool Join(DWORD ms);
    // Stops owning a worker that Join gave up on. Only for a worker that owns everything it
    // uses and is stuck in a transfer that cannot be interrupted: the process ends without it.
    void Release();

private:
    HANDLE m_hThread = nullptr;
};
