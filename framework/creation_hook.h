// Inside the framework: hands the next window created on this thread to a CWnd object.
#pragma once

#include <windows.h>

class CWnd;

// While it lives, the first window created on this thread (system windows aside) is routed
// through pWnd's WindowProc from its first message on.
class CreationHook {
public:
    explicit CreationHook(CWnd* pWnd);
    ~CreationHook();
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

private:
    bool m_bInstalled = false;
};
