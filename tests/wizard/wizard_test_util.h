// Helpers of the wizard tests: a parent window that records the wizard's messages, and
// message pumping.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/wnd.h"
#include "tests/framework/pump.h"

namespace wizard_test {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A top-level window standing in for a page: it keeps every message of the wizard's range
// and every command it receives, and passes them on.
class RecordingParent : public CWnd {
public:
    bool Create(bool bVisible = true) {
        return CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP | (bVisible ? WS_VISIBLE : 0),
                        RECT{0, 0, 860, 449}, nullptr, 0);
    }
    // The recorded messages with this number.
    std::vector<Message> Of(UINT message) const {
        std::vector<Message> out;
        for (const Message& m : m_messages)
            if (m.message == message) out.push_back(m);
        return out;
    }
    bool Has(UINT message) const { return !Of(message).empty(); }

    std::vector<Message> m_messages;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if ((message >= WM_USER && message < 0x8000) || message == WM_COMMAND)
            m_messages.push_back({message, wParam, lParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Handles everything this thread has queued, including what handling it queues in turn.
inline void Drain() {
    MSG msg;
    for (int idle = 0; idle < 3; ++idle) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            idle = 0;
            if (CWnd::WalkPreTranslateTree(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(1);
    }
}

}  // namespace wizard_test
