// OPageView4: the page of wizard step 4, "Convert Data": model and destination folder, the
// choice among cameras at the same place, the conversion workbook, the converter and its result.
// The conversion session performs the step; the page forwards the clicks, paints what the
// presenter makes of the session's state, starts the converter's process and watches it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "framework/worker_thread.h"
#include "session/conversion_session.h"
#include "skin/bitmap_button.h"
#include "skin/check_box.h"
#include "skin/png_image.h"

// One camera of the group on show: the radio image, then source, bearing angle, speed limit,
// camera type and dir type in the five columns of the captions above the rows.
class OCameraRow : public ORadioButton {
public:
    static constexpr int kColumns = 5;
    static constexpr int kColumnWidth = 143;

    std::wstring m_strCell[kColumns];

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawFace(HDC dc, const RECT& rcClient) override;
};

class OPageView4 : public CWnd, public ISessionObserver {
public:
    enum : UINT {
        IDC_MODEL_LIST = 1001,
        IDC_PATH = 1002,
        IDC_BROWSE = 1003,
        IDC_ALWAYS_SELECT = 1003,  // reports by UM_CHECK_CLICKED only, so it never clashes
        IDC_SOURCE_LIST = 1004,
        IDC_ROW_FIRST = 1005,  // the three camera rows: 1005..1007
        IDC_TRY_AGAIN = 1008,
        IDC_OPEN_FOLDER = 1009,
        IDC_LOG = 1010,
        IDC_SHOW_MAP = 1011,
        IDC_NEXT_SET = 2003,
        IDC_BACK = 2004,
        IDC_CONVERT = 2011,
    };

    static constexpr int kRows = 3;

    OPageView4();
    ~OPageView4() override;

    // The main dialog sets the session (and may set the program folder) before Create.
    bool Create(const RECT& rect, CWnd* pParent, UINT nID);
    // Back to the first screen (model and folder choice).
    void ResetPage();
    // After a language switch.
    void ReloadTexts();
    // Ends the watch on the converter; the converter runs on.
    void StopWork();
    // The session's conversion changed: shown, and a converter just started watched.
    void OnConvertChanged() override;

    ConversionSession* m_pSession = nullptr;
    // Where "Setting.ini" is; empty: the program folder.
    std::wstring m_strProgramFolder;

    std::wstring m_strStatus;
    std::wstring m_strLocation;
    std::wstring m_strTitle;
    // The last converter process started (0 when unknown).
    DWORD m_dwConverterProcessId = 0;

    CComboBox m_cmbModel;
    CEdit m_editPath;
    OBitmapButton m_btnBrowse, m_btnConvert, m_btnBack, m_btnNextSet, m_btnTryAgain,
        m_btnOpenFolder, m_btnShowMap;
    OCheckBox m_chkAlwaysSelect;
    CComboBox m_cmbSource;
    OCameraRow m_rows[kRows];
    CEdit m_editLog;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    enum : UINT_PTR { kGraceTimer = 1 };
    class CShellLauncher;

    std::wstring ProgramFolder() const;
    void FillModelList();
    void FillSourceList();
    static CDuplicateLabels Labels();
    void ShowView();
    void ShowGroup();
    void Redraw(bool bNow);
    void SetButtonText(OBitmapButton& button, UINT nId);
    void ShowWaitCursor(bool bShow);
    bool BrowseFolder();

    void OnConvert();
    void OnRowClicked(UINT nId);
    void OnNextSet();
    void Watch(unsigned run);
    void OnConverterEnded(WPARAM wParam);
    void StopWatching();
    void ShowErrorLog();
    void OnOpenFolder();
    void OnShowMap();
    void OnPaint();

    ScopedFont m_fontTitle, m_fontText, m_fontCaption, m_fontLog;
    ScopedBitmap m_bmpBack;
    std::unique_ptr<CGdiPlusBitmapResource> m_pCaptionImage;
    bool m_bWaitCursor = false;

    ConversionSession::Screen m_shownScreen = ConversionSession::kSettings;
    // The converter's process and the worker that tells when it ends.
    std::unique_ptr<CShellLauncher> m_pLauncher;
    CWorkerThread m_watcher;
    ScopedKernelHandle m_hStopWatching;
    UINT m_nWatchToken = 0;
    unsigned m_nRun = 0;  // the session's run whose converter is watched; 0: none
};
