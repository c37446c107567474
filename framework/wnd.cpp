// CWnd: creation through a CBT hook so the object sees every message, subclassing, defaults.
#include "framework/wnd.h"

#include <cstdio>
#include <deque>

#include "framework/creation_hook.h"

namespace {

const wchar_t kWndProp[] = L"Kovra.CWnd";

// The object whose window CreateEx (or a dialog) is creating on this thread, taken by the CBT
// hook at the first window created.
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hCbtHook = nullptr;

}  // namespace

LRESULT CALLBACK CbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_pWndInit) {
        // The system may make windows of its own first (input method, menus): not ours.
        wchar_t cls[16] = L"";
        ::GetClassNameW(HWND(wParam), cls, 16);
        if (::lstrcmpiW(cls, L"IME") == 0 || ::lstrcmpW(cls, L"#32768") == 0)
            return ::CallNextHookEx(t_hCbtHook, code, wParam, lParam);
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->Hook(HWND(wParam));
    }
    return ::CallNextHookEx(t_hCbtHook, code, wParam, lParam);
}

CreationHook::CreationHook(CWnd* pWnd) {
    t_pWndInit = pWnd;
    m_bInstalled = t_hCbtHook == nullptr;
    if (m_bInstalled)
        t_hCbtHook = ::SetWindowsHookExW(WH_CBT, CbtFilterHook, nullptr, ::GetCurrentThreadId());
}

CreationHook::~CreationHook() {
    t_pWndInit = nullptr;
    if (m_bInstalled && t_hCbtHook) {
        ::UnhookWindowsHookEx(t_hCbtHook);
        t_hCbtHook = nullptr;
    }
}

LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    // The names live as long as the process, at stable addresses (a deque does not move its
    // elements); only a handful of combinations ever exist. User-interface thread only.
    static std::deque<std::wstring> names;
    wchar_t name[96];
    swprintf(name, 96, L"Kovra:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
             static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    HINSTANCE hInst = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    if (!::GetClassInfoW(hInst, name, &wc)) {
        wc.style = nClassStyle;
        wc.lpfnWndProc = ::DefWindowProcW;  // our objects subclass each window as it is made
        wc.hInstance = hInst;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = name;
        if (!::RegisterClassW(&wc)) return nullptr;
    }
    for (const std::wstring& n : names)
        if (n == name) return n.c_str();
    names.emplace_back(name);
    return names.back().c_str();
}

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (m_bOwned)
        DestroyWindow();
    else if (m_pfnSuper)
        UnsubclassWindow();
    else
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kWndProp)) : nullptr;
}

bool CWnd::Hook(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return false;
    if (!::SetPropW(hWnd, kWndProp, this)) return false;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    return true;
}

bool CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    if (m_hWnd || !lpszClassName) return false;
    HWND hParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    HMENU hMenu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(UINT_PTR(nID)) : nullptr;
    HWND hWnd;
    {
        CreationHook hook(this);
        hWnd = ::CreateWindowExW(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, hParent,
                                 hMenu, ::GetModuleHandleW(nullptr), lpParam);
    }
    if (!hWnd) {
        // Creation refused after the hook took the window (WM_NCCREATE or WM_CREATE failed):
        // WM_NCDESTROY has already let it go.
        m_hWnd = nullptr;
        return false;
    }
    m_bOwned = true;
    return true;
}

bool CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd) return false;
    HWND hWnd = m_hWnd;
    if (!m_pfnSuper) Detach();  // only attached: nothing of ours would see WM_NCDESTROY
    return ::DestroyWindow(hWnd) != FALSE;
}

bool CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return false;
    if (!::SetPropW(hWnd, kWndProp, this)) return false;
    m_hWnd = hWnd;
    m_bOwned = false;
    return true;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd) ::RemovePropW(hWnd, kWndProp);
    m_hWnd = nullptr;
    m_bOwned = false;
    return hWnd;
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (!::IsWindow(hWnd) || !Hook(hWnd)) return false;
    m_bOwned = false;
    return true;
}

bool CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent && SubclassWindow(::GetDlgItem(pParent->m_hWnd, int(nID)));
}

HWND CWnd::UnsubclassWindow() {
    if (!m_hWnd || !m_pfnSuper) return nullptr;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

std::wstring CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    if (n <= 0) return std::wstring();
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(m_hWnd, &text[0], n + 1)));
    return text;
}

std::wstring CWnd::GetDlgItemText(int nID) const {
    HWND hItem = GetDlgItem(nID);
    if (!hItem) return std::wstring();
    int n = ::GetWindowTextLengthW(hItem);
    if (n <= 0) return std::wstring();
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(hItem, &text[0], n + 1)));
    return text;
}

void CWnd::ScreenToClient(RECT* rect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (newStyle == style) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, LONG_PTR(newStyle));
    if (nFlags)
        ::SetWindowPos(
            m_hWnd, nullptr, 0, 0, 0, 0,
            SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | nFlags);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (CWnd* pWnd = FromHandlePermanent(hWnd))
            if (pWnd->PreTranslateMessage(pMsg)) return TRUE;
        if (!(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) break;  // owners are not parents
    }
    return FALSE;
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_msgCur.message, m_msgCur.wParam, m_msgCur.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ReflectToChild(HWND hChild, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT* pResult) {
    CWnd* pChild = FromHandlePermanent(hChild);
    return pChild && pChild->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return lParam && ReflectToChild(HWND(lParam), WM_COMMAND, wParam, lParam, &result);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    return hdr && ReflectToChild(hdr->hwndFrom, WM_NOTIFY, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
        case WM_COMMAND:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        case WM_NOTIFY:
            if (OnNotify(wParam, lParam, &result)) return result;
            break;
        case WM_DRAWITEM: {
            const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (dis && dis->CtlType != ODT_MENU &&
                ReflectToChild(dis->hwndItem, message, wParam, lParam, &result))
                return TRUE;
            break;
        }
        case WM_MEASUREITEM: {
            const MEASUREITEMSTRUCT* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            if (mis && mis->CtlType != ODT_MENU &&
                ReflectToChild(GetDlgItem(int(mis->CtlID)), message, wParam, lParam, &result))
                return TRUE;
            break;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            if (ReflectToChild(HWND(lParam), message, wParam, lParam, &result)) return result;
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProcW(hWnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        // The last message: let the window's own procedure see it, then part from the window.
        WNDPROC pfnSuper = pWnd->m_pfnSuper;
        LRESULT result = pfnSuper ? ::CallWindowProcW(pfnSuper, hWnd, message, wParam, lParam)
                                  : ::DefWindowProcW(hWnd, message, wParam, lParam);
        if (pfnSuper &&
            ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(StaticWndProc))
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnSuper));
        pWnd->m_pfnSuper = nullptr;
        pWnd->Detach();
        pWnd->PostNcDestroy();
        return result;
    }

    MSG saved = pWnd->m_msgCur;
    pWnd->m_msgCur.hwnd = hWnd;
    pWnd->m_msgCur.message = message;
    pWnd->m_msgCur.wParam = wParam;
    pWnd->m_msgCur.lParam = lParam;
    LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    pWnd->m_msgCur = saved;
    return result;
}
