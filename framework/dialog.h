// CDialog: a dialog from a dialog resource, modal or modeless, driven by its CWnd object.
#pragma once

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
    ~CDialog() override;

    // Runs the dialog modally and returns the value given to EndDialog; -1 when the dialog
    // could not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; the application's message loop serves it.
    bool Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Ends the dialog with nResult: a modal one returns it from DoModal, a modeless one is
    // destroyed and keeps it in m_nModalResult.
    void EndDialog(INT_PTR nResult);

    // The module the dialog templates come from; null means the program.
    HINSTANCE m_hResource = nullptr;
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    INT_PTR m_nModalResult = -1;

protected:
    // WM_INITDIALOG: true lets the dialog put the focus on its first control.
    virtual BOOL OnInitDialog() { return TRUE; }
    // The OK (Enter) and Cancel (Escape, close) commands; by default they end the dialog.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND, UINT, WPARAM, LPARAM);
    bool m_bModal = false;
};
