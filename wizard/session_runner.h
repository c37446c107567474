// CSessionRunner: runs the conversion session's jobs on worker threads of its own and hands each
// job back to the window's thread, where the job's Done gives the session its result. The
// worker posts UM_JOB_DONE to the window, whose procedure passes it on to OnJobDone.
#pragma once

#include <windows.h>

#include <list>
#include <memory>

#include "framework/worker_thread.h"
#include "session/conversion_session.h"

class CSessionRunner : public ISessionRunner {
public:
    CSessionRunner() = default;
    // Waits for the jobs still running and drops them without their Done.
    ~CSessionRunner() override { Finish(); }
    CSessionRunner(const CSessionRunner&) = delete;
    CSessionRunner& operator=(const CSessionRunner&) = delete;

    // The window that hears when a job is done.
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    void Run(std::unique_ptr<SessionJob> job) override;
    // UM_JOB_DONE: the job's Done, on this thread.
    void OnJobDone(WPARAM wParam);
    bool IsRunning() const { return !m_jobs.empty(); }
    // The jobs end without their Done (the wizard closes).
    void Finish();

private:
    struct Running {
        unsigned id;
        std::unique_ptr<SessionJob> job;
        CWorkerThread worker;
    };
    HWND m_hWnd = nullptr;
    unsigned m_nLast = 0;
    std::list<Running> m_jobs;
};
