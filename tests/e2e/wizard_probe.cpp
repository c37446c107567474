// Reports the state of a running wizard to the end-to-end driver, one "name=value" per line:
// how many wizard windows exist, whether the first is minimized or in front, its rectangle,
// which of its child windows are visible, the controls of the page on show, and the message box
// if one is open.
// Usage: wizard_probe state | wizard_probe post <message> [wparam] | wizard_probe open <path>
// ("open" fills the file name of an open "Open" file dialog and confirms it).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kTitle[] = L"Kovra Converter";

struct Found {
    HWND first = nullptr;
    int count = 0;
};

BOOL CALLBACK CountWizards(HWND hWnd, LPARAM lParam) {
    wchar_t cls[64], title[64];
    if (::GetClassNameW(hWnd, cls, 64) && wcscmp(cls, L"#32770") == 0 &&
        ::GetWindowTextW(hWnd, title, 64) && wcscmp(title, kTitle) == 0) {
        auto* found = reinterpret_cast<Found*>(lParam);
        if (!found->first) found->first = hWnd;
        ++found->count;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"open") == 0) {
        HWND dialog = ::FindWindowW(L"#32770", L"Open");
        if (!dialog) return 1;
        // The file name box: a combo box in the newer dialog, an edit box in the older one.
        HWND name = ::GetDlgItem(dialog, 0x47C);
        if (!name) name = ::GetDlgItem(dialog, 0x480);
        if (!name) return 1;
        ::SendMessageW(name, WM_SETTEXT, 0, LPARAM(argv[2]));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return 0;
    }
    Found found;
    ::EnumWindows(CountWizards, LPARAM(&found));
    if (argc >= 3 && wcscmp(argv[1], L"post") == 0) {
        if (!found.first) return 1;
        UINT message = UINT(wcstoul(argv[2], nullptr, 0));
        WPARAM wParam = argc >= 4 ? WPARAM(wcstol(argv[3], nullptr, 0)) : 0;
        return ::PostMessageW(found.first, message, wParam, 0) ? 0 : 1;
    }
    std::printf("count=%d\n", found.count);
    if (!found.first) return 0;
    HWND wnd = found.first;
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    std::printf("iconic=%d\nforeground=%d\nrect=%ld,%ld,%ld,%ld\n", ::IsIconic(wnd) ? 1 : 0,
                ::GetForegroundWindow() == wnd ? 1 : 0, rc.left, rc.top, rc.right, rc.bottom);
    std::string visible;
    for (int id : {2003, 2050, 2051, 2052, 2053, 2054, 2056}) {
        HWND child = ::GetDlgItem(wnd, id);
        if (child && ::IsWindowVisible(child)) visible += (visible.empty() ? "" : ",") + std::to_string(id);
    }
    std::printf("visible=%s\n", visible.c_str());
    // The controls of the page on show: which of them are visible and which enabled.
    for (int id = 2051; id <= 2054; ++id) {
        HWND page = ::GetDlgItem(wnd, id);
        if (!page || !::IsWindowVisible(page)) continue;
        std::string shown, enabled;
        for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(child)) continue;
            const std::string cid = std::to_string(::GetDlgCtrlID(child));
            shown += (shown.empty() ? "" : ",") + cid;
            if (::IsWindowEnabled(child)) enabled += (enabled.empty() ? "" : ",") + cid;
        }
        std::printf("page=%d\ncontrols=%s\nenabled=%s\n", id, shown.c_str(), enabled.c_str());
    }
    HWND box = ::FindWindowW(nullptr, L"OrvelMessageBox");
    std::printf("messagebox=%d\n", box && ::IsWindowVisible(box) ? 1 : 0);
    return 0;
}
