// CDialog over DialogBoxParam and CreateDialogParam; the dialog window is subclassed as it is
// made, so WindowProc sees its messages ahead of the system's dialog handling.
#include "framework/dialog.h"

#include "framework/creation_hook.h"

namespace {

// Messages of modal dialog loops pass here first, so PreTranslateMessage works in them as it
// does in the application's loop.
thread_local HHOOK t_hMsgFilter = nullptr;
thread_local int t_nModalDepth = 0;

LRESULT CALLBACK MsgFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX || code == MSGF_MENU) {
        MSG* pMsg = reinterpret_cast<MSG*>(lParam);
        if (pMsg && CWnd::WalkPreTranslateTree(pMsg)) return TRUE;
    }
    return ::CallNextHookEx(t_hMsgFilter, code, wParam, lParam);
}

}  // namespace

CDialog::~CDialog() {
    // A modeless dialog still open goes with its object; a modal one has ended by now.
    if (m_hWnd) DestroyWindow();
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND, UINT message, WPARAM, LPARAM) {
    // Everything is handled by the subclassed window procedure; WM_INITDIALOG must answer
    // TRUE here only if it ever got this far, which it does not.
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;
    m_bModal = true;
    m_nModalResult = -1;
    HINSTANCE hInst = m_hResource ? m_hResource : ::GetModuleHandleW(nullptr);
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (t_nModalDepth++ == 0)
        t_hMsgFilter =
            ::SetWindowsHookExW(WH_MSGFILTER, MsgFilterHook, nullptr, ::GetCurrentThreadId());
    INT_PTR result;
    {
        CreationHook hook(this);
        result =
            ::DialogBoxParamW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), hParent, StaticDlgProc, 0);
    }
    if (--t_nModalDepth == 0 && t_hMsgFilter) {
        ::UnhookWindowsHookEx(t_hMsgFilter);
        t_hMsgFilter = nullptr;
    }
    m_bModal = false;
    if (m_hWnd) Detach();  // not reached normally: WM_NCDESTROY has let the window go
    m_nModalResult = result;
    return result;
}

bool CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd) return false;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    m_nModalResult = -1;
    HINSTANCE hInst = m_hResource ? m_hResource : ::GetModuleHandleW(nullptr);
    HWND hWnd;
    {
        CreationHook hook(this);
        hWnd = ::CreateDialogParamW(hInst, MAKEINTRESOURCEW(nIDTemplate),
                                    pParentWnd ? pParentWnd->m_hWnd : nullptr, StaticDlgProc, 0);
    }
    if (!hWnd) {
        m_hWnd = nullptr;
        return false;
    }
    m_bOwned = true;
    return true;
}

void CDialog::EndDialog(INT_PTR nResult) {
    m_nModalResult = nResult;
    if (!m_hWnd) return;
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        DestroyWindow();
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Controls first, so a control's own handling of its notification wins.
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // A modal loop does the dialog keys itself; the application's loop does not.
    if (m_bModal || !m_hWnd) return FALSE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}
