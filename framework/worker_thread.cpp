#include "framework/worker_thread.h"

#include <process.h>

#include <memory>

namespace {

unsigned __stdcall Entry(void* p) {
    std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(p));
    (*fn)();
    return 0;
}

}  // namespace

bool CWorkerThread::Start(std::function<void()> fn) {
    Join(INFINITE);
    auto start = std::make_unique<std::function<void()>>(std::move(fn));
    // _beginthreadex rather than CreateThread: the worker uses the C runtime.
    const uintptr_t h = _beginthreadex(nullptr, 0, Entry, start.get(), 0, nullptr);
    if (!h) return false;
    start.release();
    m_hThread = reinterpret_cast<HANDLE>(h);
    return true;
}

bool CWorkerThread::IsRunning() const {
    return m_hThread && ::WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

bool CWorkerThread::Join(DWORD ms) {
    if (!m_hThread) return true;
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD waited = ::GetTickCount() - start;
        const DWORD left = ms == INFINITE ? INFINITE : (waited >= ms ? 0 : ms - waited);
        const DWORD r = ::MsgWaitForMultipleObjects(1, &m_hThread, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) break;
        if (r != WAIT_OBJECT_0 + 1) return false;  // out of time
        MSG msg;
        // Dispatches the sent messages only; posted ones stay queued.
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    return true;
}

void CWorkerThread::Release() {
    if (m_hThread) ::CloseHandle(m_hThread);
    m_hThread = nullptr;
}
