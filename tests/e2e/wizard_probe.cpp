// Reports the state of a running wizard to the end-to-end driver, one "name=value" per line, and
// ends the programs a scenario leaves behind. The wizard is told from other windows of its title
// by its process id: a scenario watches the wizard it started, not whichever one came first.
//
// Usage:
//   wizard_probe state [PID]        how many wizard windows the process has (any process when
//                                   PID is 0 or missing), the first one's process, X window,
//                                   rectangle, visible children, page controls, message box,
//                                   file dialog
//   wizard_probe post MSG [WPARAM] [PID]   posts a message to that wizard window
//   wizard_probe open PATH          fills the name of an open file dialog and confirms it
//   wizard_probe reached POINT PID [MS]   waits until that wizard (a test build run with
//                                   KOVRA_TEST_HOLD) has passed or is held at the test point
//   wizard_probe release POINT PID  lets the thread held at the point go on
//   wizard_probe sync PID           returns once that wizard (a test build) has handled all
//                                   that was posted to it before
//   wizard_probe control NAME ID    exit 0 when a window of the program NAME shows a control of
//                                   that ID ("enabled=1" when it takes clicks)
//   wizard_probe press NAME ID      clicks that control, as BM_CLICK does
//   wizard_probe processes NAME...  "process=PID,PATH" for each running program of those names
//   wizard_probe kill NAME...       ends every program of those names and waits until it is gone
#include <windows.h>
// tlhelp32.h needs windows.h before it.
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/window_messages.h"
#include "tests/e2e/test_hold_names.h"

namespace {

const wchar_t kTitle[] = KOVRA_WIZARD_TITLE;

DWORD ProcessOf(HWND wnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    return pid;
}

bool HasClassAndTitle(HWND wnd, const wchar_t* cls, const wchar_t* title) {
    wchar_t c[64], t[64];
    return ::GetClassNameW(wnd, c, 64) && (!cls || wcscmp(c, cls) == 0) &&
           ::GetWindowTextW(wnd, t, 64) && wcscmp(t, title) == 0;
}

struct Search {
    const wchar_t* cls;
    const wchar_t* title;
    DWORD pid;  // 0: any process
    HWND first = nullptr;
    int count = 0;   // windows of that process
    int others = 0;  // windows of other processes
};

BOOL CALLBACK Count(HWND wnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    if (!HasClassAndTitle(wnd, s->cls, s->title)) return TRUE;
    if (s->pid && ProcessOf(wnd) != s->pid) {
        ++s->others;
        return TRUE;
    }
    if (!s->first) s->first = wnd;
    ++s->count;
    return TRUE;
}

Search Find(const wchar_t* cls, const wchar_t* title, DWORD pid) {
    Search s{cls, title, pid};
    ::EnumWindows(Count, LPARAM(&s));
    return s;
}

std::string Utf8(const std::wstring& w) {
    int n =
        ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    return ::QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size)
                                                                 : std::wstring();
}

struct Program {
    DWORD pid;
    std::wstring path;
};

// Running programs whose file name is one of names (case does not matter, as on Windows).
std::vector<Program> Programs(wchar_t** names, int count) {
    std::vector<Program> found;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32FirstW(snap, &entry); ok; ok = ::Process32NextW(snap, &entry)) {
        for (int i = 0; i < count; ++i) {
            if (_wcsicmp(entry.szExeFile, names[i]) != 0) continue;
            std::wstring path = entry.szExeFile;
            if (HANDLE process =
                    ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
                std::wstring full = ImagePath(process);
                if (!full.empty()) path = full;
                ::CloseHandle(process);
            }
            found.push_back({entry.th32ProcessID, path});
        }
    }
    ::CloseHandle(snap);
    return found;
}

int ListPrograms(wchar_t** names, int count) {
    for (const Program& p : Programs(names, count))
        std::printf("process=%lu,%s\n", p.pid, Utf8(p.path).c_str());
    return 0;
}

// Ends the programs and waits for each; exit 1 when one of them is still there after that.
int KillPrograms(wchar_t** names, int count) {
    for (const Program& p : Programs(names, count)) {
        HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.pid);
        if (!process) continue;  // ended meanwhile
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 10000);
        ::CloseHandle(process);
        std::printf("killed=%lu,%s\n", p.pid, Utf8(p.path).c_str());
    }
    for (int i = 0; i < 50; ++i) {
        if (Programs(names, count).empty()) return 0;
        ::Sleep(100);
    }
    return ListPrograms(names, count), 1;
}

// A visible control of that ID in a visible window of the program name (another program's
// dialog, such as the installer's, which keys need not reach without a window manager).
HWND FindControl(wchar_t* name, int id) {
    struct Search {
        std::vector<Program> programs;
        int id;
        HWND found = nullptr;
    } search{Programs(&name, 1), id};
    ::EnumWindows(
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (!::IsWindowVisible(wnd)) return TRUE;
            bool ours = false;
            for (const Program& p : s->programs) ours = ours || p.pid == ProcessOf(wnd);
            if (!ours) return TRUE;
            ::EnumChildWindows(
                wnd,
                [](HWND child, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    if (::GetDlgCtrlID(child) != s->id || !::IsWindowVisible(child)) return TRUE;
                    s->found = child;
                    return FALSE;
                },
                param);
            return s->found ? FALSE : TRUE;
        },
        LPARAM(&search));
    return search.found;
}

int Control(wchar_t* name, int id) {
    HWND control = FindControl(name, id);
    if (!control) return 1;
    std::printf("enabled=%d\n", ::IsWindowEnabled(control) ? 1 : 0);
    return 0;
}

int Press(wchar_t* name, int id) {
    HWND control = FindControl(name, id);
    return control && ::PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
}

// The file name box of an open file dialog: a combo box in the newer dialog, an edit box in the
// older one.
HWND FileNameBox(HWND dialog) {
    HWND name = ::GetDlgItem(dialog, 0x47C);
    return name ? name : ::GetDlgItem(dialog, 0x480);
}

// An open file dialog on show, found by its file name box (its title is in the user's
// language); of that process only when pid is not 0.
HWND FindFileDialog(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND dialog = nullptr;
    } search{pid};
    ::EnumWindows(
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[16];
            if (::IsWindowVisible(wnd) && ::GetClassNameW(wnd, cls, 16) &&
                wcscmp(cls, L"#32770") == 0 && FileNameBox(wnd) &&
                (!s->pid || ProcessOf(wnd) == s->pid)) {
                s->dialog = wnd;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.dialog;
}

int OpenFile(const wchar_t* path) {
    HWND dialog = FindFileDialog(0);
    if (!dialog) return 1;
    HWND name = FileNameBox(dialog);
    ::SendMessageW(name, WM_SETTEXT, 0, LPARAM(path));
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

int Reached(const wchar_t* point, DWORD pid, DWORD ms) {
    HANDLE reached = test_hold::PointEvent(pid, point, L"");
    if (!reached) return 1;
    const DWORD result = ::WaitForSingleObject(reached, ms);
    ::CloseHandle(reached);
    return result == WAIT_OBJECT_0 ? 0 : 1;
}

int Release(const wchar_t* point, DWORD pid) {
    HANDLE go = test_hold::PointEvent(pid, point, L"-go");
    if (!go) return 1;
    ::SetEvent(go);
    ::CloseHandle(go);
    return 0;
}

int Sync(DWORD pid) {
    HWND wnd = Find(L"#32770", kTitle, pid).first;
    if (!wnd) return 1;
    const std::wstring point = L"sync-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE done = test_hold::PointEvent(pid, point, L"");
    if (!done) return 1;
    const UINT sync = ::RegisterWindowMessageW(test_hold::kSyncMessage);
    const bool ok = ::PostMessageW(wnd, sync, WPARAM(::GetCurrentProcessId()), 0) &&
                    ::WaitForSingleObject(done, 60000) == WAIT_OBJECT_0;
    ::CloseHandle(done);
    return ok ? 0 : 1;
}

int State(DWORD pid) {
    const Search found = Find(L"#32770", kTitle, pid);
    std::printf("count=%d\nothers=%d\n", found.count, found.others);
    if (!found.first) return 0;
    HWND wnd = found.first;
    const DWORD owner = ProcessOf(wnd);
    std::wstring exe;
    if (HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner)) {
        exe = ImagePath(process);
        ::CloseHandle(process);
    }
    // Wine's X11 driver keeps the window's X window id in this property: the driver clicks into
    // exactly that window, whatever else carries the same title.
    const auto xwindow = reinterpret_cast<ULONG_PTR>(::GetPropW(wnd, L"__wine_x11_whole_window"));
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    std::printf("pid=%lu\nexe=%s\nxwindow=%llu\n", owner, Utf8(exe).c_str(),
                static_cast<unsigned long long>(xwindow));
    std::printf("iconic=%d\nforeground=%d\nrect=%ld,%ld,%ld,%ld\n", ::IsIconic(wnd) ? 1 : 0,
                ::GetForegroundWindow() == wnd ? 1 : 0, rc.left, rc.top, rc.right, rc.bottom);
    std::string visible;
    for (int id : {2003, 2050, 2051, 2052, 2053, 2054, 2056}) {
        HWND child = ::GetDlgItem(wnd, id);
        if (child && ::IsWindowVisible(child))
            visible += (visible.empty() ? "" : ",") + std::to_string(id);
    }
    std::printf("visible=%s\n", visible.c_str());
    // The controls of the page on show: which of them are visible and which enabled.
    for (int id = 2051; id <= 2054; ++id) {
        HWND page = ::GetDlgItem(wnd, id);
        if (!page || !::IsWindowVisible(page)) continue;
        std::string shown, enabled;
        for (HWND child = ::GetWindow(page, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(child)) continue;
            const std::string cid = std::to_string(::GetDlgCtrlID(child));
            shown += (shown.empty() ? "" : ",") + cid;
            if (::IsWindowEnabled(child)) enabled += (enabled.empty() ? "" : ",") + cid;
        }
        std::printf("page=%d\ncontrols=%s\nenabled=%s\n", id, shown.c_str(), enabled.c_str());
    }
    HWND box = Find(nullptr, L"OrvelMessageBox", owner).first;
    std::printf("messagebox=%d\n", box && ::IsWindowVisible(box) ? 1 : 0);
    std::printf("filedialog=%d\n", FindFileDialog(owner) ? 1 : 0);
    return 0;
}

DWORD Pid(int argc, wchar_t** argv, int index) {
    return argc > index ? DWORD(wcstoul(argv[index], nullptr, 10)) : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc >= 2 ? argv[1] : L"state";
    if (command == L"open" && argc >= 3) return OpenFile(argv[2]);
    if (command == L"processes") return ListPrograms(argv + 2, argc - 2);
    if (command == L"control" && argc >= 4) return Control(argv[2], int(wcstol(argv[3], nullptr, 0)));
    if (command == L"press" && argc >= 4) return Press(argv[2], int(wcstol(argv[3], nullptr, 0)));
    if (command == L"kill") return KillPrograms(argv + 2, argc - 2);
    if (command == L"post" && argc >= 3) {
        HWND wnd = Find(L"#32770", kTitle, Pid(argc, argv, 4)).first;
        if (!wnd) return 1;
        UINT message = UINT(wcstoul(argv[2], nullptr, 0));
        WPARAM wParam = argc >= 4 ? WPARAM(wcstol(argv[3], nullptr, 0)) : 0;
        return ::PostMessageW(wnd, message, wParam, 0) ? 0 : 1;
    }
    if (command == L"state") return State(Pid(argc, argv, 2));
    if (command == L"reached" && argc >= 4)
        return Reached(argv[2], Pid(argc, argv, 3), argc >= 5 ? DWORD(wcstoul(argv[4], nullptr, 10)) : 60000);
    if (command == L"release" && argc >= 4) return Release(argv[2], Pid(argc, argv, 3));
    if (command == L"sync" && argc >= 3) return Sync(Pid(argc, argv, 2));
    std::fprintf(stderr,
                 "usage: wizard_probe state [PID] | post MSG [WPARAM] [PID] | open PATH | "
                 "reached POINT PID [MS] | release POINT PID | sync PID | control NAME ID | press NAME ID | processes NAME... | kill NAME...\n");
    return 2;
}
