#include "wizard/session_runner.h"

#include <objbase.h>

#include "base/test_point.h"
#include "base/window_messages.h"

void CSessionRunner::Run(std::unique_ptr<SessionJob> job) {
    if (++m_nLast == 0) ++m_nLast;
    m_jobs.emplace_back();
    Running& r = m_jobs.back();
    r.id = m_nLast;
    r.job = std::move(job);
    SessionJob* work = r.job.get();
    const HWND hWnd = m_hWnd;
    const unsigned id = r.id;
    auto run = [work, hWnd, id] {
        // A workbook's structured storage wants COM on the thread that opens it.
        const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        kovra::TestPoint(work->Name());
        work->Work();
        if (SUCCEEDED(hrCom)) ::CoUninitialize();
        ::PostMessageW(hWnd, UM_JOB_DONE, WPARAM(id), 0);
    };
    // No thread to be had: the work is done here, late but not lost.
    if (!r.worker.Start(run)) run();
}

void CSessionRunner::OnJobDone(WPARAM wParam) {
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        if (it->id != unsigned(wParam)) continue;
        it->worker.Join(INFINITE);  // it has posted its last word
        std::unique_ptr<SessionJob> job = std::move(it->job);
        m_jobs.erase(it);
        job->Done();
        return;
    }
}

void CSessionRunner::Finish() {
    for (Running& r : m_jobs) r.worker.Join(INFINITE);
    m_jobs.clear();
}
