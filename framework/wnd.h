// CWnd: a window object over an HWND, with one virtual window procedure per class.
#pragma once

#include <windows.h>

#include <string>

// The class name of a window class whose windows our objects drive: registered once per
// combination of class style, cursor, background brush and icon.
LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                            HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object driving hWnd (created, attached or subclassed by one), or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates a window of any class, ours or the system's; the object sees every message from
    // the first one on. The object then owns the window: its destructor destroys it.
    bool CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    bool Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID);
    bool DestroyWindow();

    // Takes an existing window without seeing its messages; Detach gives it back. An attached
    // window is not destroyed by the object.
    bool Attach(HWND hWnd);
    HWND Detach();
    // Takes an existing window and routes its messages through WindowProc first; its own
    // procedure then does the default handling. UnsubclassWindow puts that procedure back.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Everyday helpers, thin over the same-named API calls.
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetParent() const { return FromHandlePermanent(::GetParent(m_hWnd)); }
    void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    std::wstring GetWindowText() const;
    void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
    std::wstring GetDlgItemText(int nID) const;
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    // Shows or hides, enables or disables a window that may not exist (yet): nothing then.
    void Show(bool bShow) {
        if (m_hWnd) ::ShowWindow(m_hWnd, bShow ? SW_SHOW : SW_HIDE);
    }
    void Enable(bool bEnable) {
        if (m_hWnd) ::EnableWindow(m_hWnd, bEnable ? TRUE : FALSE);
    }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    void MoveWindow(const RECT& rect, BOOL bRepaint = TRUE) {
        MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bRepaint);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
    }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(const RECT* rect, BOOL bErase = TRUE) {
        ::InvalidateRect(m_hWnd, rect, bErase);
    }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(const RECT* rect = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(m_hWnd, rect, rgn, flags);
    }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(POINT* pt) const { ::ClientToScreen(m_hWnd, pt); }
    void ScreenToClient(POINT* pt) const { ::ScreenToClient(m_hWnd, pt); }
    void ScreenToClient(RECT* rect) const;
    DWORD GetStyle() const { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    // Changes the style bits; with nFlags, also SetWindowPos(SWP_FRAMECHANGED | nFlags) so the
    // frame follows.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE) {
        SendMessage(WM_SETFONT, WPARAM(hFont), bRedraw);
    }
    HFONT GetFont() const { return HFONT(SendMessage(WM_GETFONT)); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND SetCapture() { return ::SetCapture(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) {
        return HICON(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, LPARAM(hIcon)));
    }
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

    // Called for each message before it is dispatched (the application's loop and modal
    // dialogs), from the target window up to its top-level window; true when the message
    // has been dealt with and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers pMsg to the objects of its window and its ancestors, innermost first.
    static BOOL WalkPreTranslateTree(MSG* pMsg);

protected:
    // The message handler of the class: a switch over the messages it cares for, passing the
    // rest on to its base class; CWnd's own passes commands, notifications and owner-draw
    // requests on (see below) and everything else to the default handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default handling of the message being handled now, or of any message.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // WM_COMMAND and WM_NOTIFY: true when handled. CWnd's versions reflect a control's
    // notification to the control's own object (OnChildNotify).
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification from this control to its parent (command, notify, draw, measure,
    // colour), offered to the control first; true with *pResult when it has dealt with it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // After the last message of the window; the object no longer has a window.
    virtual void PostNcDestroy() {}

private:
    friend class CDialog;
    friend LRESULT CALLBACK CbtFilterHook(int, WPARAM, LPARAM);
    static LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
    bool Hook(HWND hWnd);  // routes hWnd's messages through this object
    static BOOL ReflectToChild(HWND hChild, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* pResult);

    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure, for default handling
    bool m_bOwned = false;         // created by this object: destroyed with it
    MSG m_msgCur{};                // the message being handled, for Default()
};
