// CTollexDlg: the wizard's one top-level window. A borderless 860 x 600 dialog that paints its
// own title bar and welcome screen, holds the menu bar, the step strip and the four pages, owns
// the conversion session the pages show, and moves between the steps.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "framework/worker_thread.h"
#include "session/conversion_session.h"
#include "skin/bitmap_button.h"
#include "skin/menu_bar.h"
#include "skin/png_image.h"
#include "skin/property_sheet.h"
#include "wizard/page_view1.h"
#include "wizard/page_view4.h"
#include "wizard/session_runner.h"

class CMessageBox;

class CTollexDlg : public CDialog, public ISessionObserver {
public:
    explicit CTollexDlg(CWnd* pParent = nullptr);
    ~CTollexDlg() override;

    enum : UINT {
        IDC_CLOSE_BUTTON = 2000,
        IDC_MINIMIZE_BUTTON = 2001,
        IDC_START_BUTTON = 2003,
        IDC_STEP_STRIP = 2050,
        IDC_PAGE_FIRST = 2051,  // pages of steps 1..4: 2051..2054
        IDM_ABOUTBOX = 16,  // the window menu's About item
        // Commands of the menu bar's popups.
        ID_LANGUAGE_ENGLISH = 2201,
        ID_LANGUAGE_RUSSIAN = 2202,
        ID_CHECK_UPDATE = 2203,
        ID_ABOUT = 2204,
    };

    // The Language popup: both languages, the one in force checked (a detected one is stored
    // first when none is).
    static std::vector<OMenuItem> LanguageMenuItems();

    // First of the members: the session outlives the pages and the runner of its jobs.
    std::unique_ptr<ConversionSession> m_pSession;
    CSessionRunner m_runner;

    OBitmapButton m_btnMinimize;
    OBitmapButton m_btnClose;
    OBitmapButton m_btnStart;
    OPropertySheet m_wndSteps;
    OPageView1 m_wndPage1, m_wndPage2, m_wndPage3;
    OPageView4 m_wndPage4;
    OMenuBar m_wndMenu;

    int m_nStep = 0;          // 0..3
    bool m_bStarted = false;  // false while the welcome screen shows
    CMessageBox* m_pUpdateBox = nullptr;  // the installer download's box while it is open

    // The page window of step i (0..3).
    CWnd& Page(int i);

    // What the session says goes to the page of its step.
    void OnImportChanged(int step) override { ImportPage(step).OnImportChanged(step); }
    void OnCorrectionListed(int step) override { ImportPage(step).OnCorrectionListed(step); }
    void OnCorrectionEnding(int step) override { ImportPage(step).OnCorrectionEnding(step); }
    void OnImportRefused(int step) override { ImportPage(step).OnImportRefused(step); }
    void OnStepDone(int step) override { ImportPage(step).OnStepDone(step); }
    void OnConvertChanged() override { m_wndPage4.OnConvertChanged(); }
    // Ends every worker of the wizard: the pages' and the update check's. What a worker uses
    // stays until it has ended; a transfer stuck in the network is left to end with the process.
    void StopWork();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    OPageView1& ImportPage(int step) { return static_cast<OPageView1&>(Page(step < 3 ? step : 0)); }
    void OnPaint();
    void StepNext();
    void StepBack(bool bRestart);
    void ShowPage(int nStep);
    void LoadStripTexts();
    void SwitchLanguage(int nLanguage);
    void CheckForUpdate();
    void OnNewVersion();
    void OnUpdateProgress(WPARAM wParam, LPARAM lParam);
    void OnUnverifiedVersion();
    void ShowAbout();
    bool EndCurrentEdit(bool bApply);
    void WriteTemplate();

    ScopedIcon m_hIcon;
    ScopedFont m_fontTitleBar, m_fontHeading, m_fontWelcome;
    ScopedBitmap m_bmpBack;
    std::unique_ptr<CGdiPlusBitmapResource> m_pTitleIcon;
    CWorkerThread m_updateThread;
    bool m_bDragging = false;
    POINT m_ptDragStart{};
};

// The plain about box of the window menu.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
