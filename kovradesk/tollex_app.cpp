// Start-up and exit of kovradesk.
#include "kovradesk/tollex_app.h"

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include "app/helpers.h"
#include "app/texts.h"
#include "base/profile.h"
#include "base/window_messages.h"
#include "framework/gdiplus_header.h"
#include "resources/resource.h"
#include "wizard/tollex_dlg.h"

CTollexApp::CTollexApp() : CWinAppEx(L"kovradesk") {}

HWND FindRunningWizard() {
    return ::FindWindowW(KOVRA_WIZARD_CLASS, KOVRA_WIZARD_TITLE);
}

BOOL CTollexApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};  // list view, tree, bars, tabs, up-down, ...
    ::InitCommonControlsEx(&icc);
    CWinAppEx::InitInstance();

    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_nGdiplusToken, &input, nullptr) != Gdiplus::Ok)
        m_nGdiplusToken = 0;

    SetRegistryKey(kovra::kProfileCompany);
    InitModuleDir();
    ChooseLanguage();
    LoadLanguageLibrary();

    if (HWND running = FindRunningWizard()) {
        ::ShowWindow(running, ::IsIconic(running) ? SW_RESTORE : SW_SHOWNORMAL);
        ::SetForegroundWindow(running);
        return FALSE;
    }

    CTollexDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CTollexApp::ExitInstance() {
    FreeLanguageLibrary();
    if (m_nGdiplusToken) {
        Gdiplus::GdiplusShutdown(m_nGdiplusToken);
        m_nGdiplusToken = 0;
    }
    return CWinAppEx::ExitInstance();
}
