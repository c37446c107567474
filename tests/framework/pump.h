// Runs this thread's messages until a condition holds or time runs out.
#pragma once

#include <windows.h>

template <typename Done>
bool PumpUntil(Done done, DWORD ms = 10000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (CWnd::WalkPreTranslateTree(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}
