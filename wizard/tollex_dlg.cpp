// The wizard's main window, plain for now.
#include "wizard/tollex_dlg.h"

#include "app/helpers.h"
#include "app/texts.h"
#include "resources/resource.h"

namespace {

const int kWidth = 860, kHeight = 600;
const UINT kCloseButtonId = 2000;

}  // namespace

CTollexDlg::CTollexDlg(CWnd* pParent) : CDialog(IDD_KOVRADESK_DIALOG, pParent) {}

BOOL CTollexDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const wchar_t* text = LoadText(IDS_APP_TITLE);
    const std::wstring title = text ? text : L"";
    m_hIcon.Reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0,
                                                  LR_DEFAULTSIZE)));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    MoveWindow((::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
               (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight);

    m_fontTitle = CreateArialFont(24, FW_BOLD);
    const std::wstring heading = title + L"  " + GetAppVersion();
    m_wndTitle.Create(L"STATIC", heading.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER,
                      RECT{70, 144, 790, 176}, this, IDC_STATIC);
    m_wndTitle.SetFont(m_fontTitle);
    const wchar_t* close = LoadText(IDS_OK);
    m_btnClose.Create(close ? close : L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                      RECT{732, 535, 834, 577}, this, kCloseButtonId);
    m_btnClose.SetFont(GetFont());
    // The converter and a second start find this window by its title, the same text in every
    // language; it is given last so the window is found only when it is ready.
    SetWindowText(title.c_str());
    return TRUE;
}

BOOL CTollexDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == kCloseButtonId && HIWORD(wParam) == BN_CLICKED) {
        EndDialog(IDOK);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}
