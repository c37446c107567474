// CTollexDlg: the wizard's main window. For now a plain window with the program's title and a
// close button; the skinned dialog with its steps and pages takes its place.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"

class CTollexDlg : public CDialog {
public:
    explicit CTollexDlg(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    ScopedIcon m_hIcon;
    ScopedFont m_fontTitle;
    CWnd m_wndTitle;
    CButton m_btnClose;
};
