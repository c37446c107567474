// OPageView4: the page of wizard step 4, "Convert Data": model and destination folder, the
// choice among cameras at the same place, the conversion workbook, the converter and its result.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/bitmap_button.h"
#include "skin/check_box.h"
#include "skin/png_image.h"
#include "wizard/speed_cam_list_ctrl.h"

class CDuplicateFilter;
class CSpeedCamDataSet;

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

class OPageView4 : public CWnd {
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
        IDC_NEXT_SET = 2003,
        IDC_BACK = 2004,
        IDC_CONVERT = 2011,
        IDC_DUPLICATE_LIST = 2055,
    };

    enum Screen {
        kScreenSettings = 0,
        kScreenFiltering = 1,
        kScreenChoosing = 2,
        kScreenConverting = 3,
        kScreenResult = 4,
        kScreenDone = 5,
    };

    // Why a conversion ended without a device file in the destination folder.
    enum Failure {
        kFailNone = 0,
        kFailConverterErrors,  // the converter reported errors; its error log is shown
        kFailWorkbook,         // the conversion workbook could not be written
        kFailStart,            // the converter could not be started
        kFailNoAnswer,         // the converter ended or ran out of time without a result
        kFailCopy,             // the device file could not be copied to the destination
    };

    static constexpr int kRows = 3;
    // The status of screen 5: strings 236 to 240 joined.
    static constexpr UINT kStatusDone = 173;
    // The status text for a failure.
    static UINT FailureStatusId(Failure failure);

    OPageView4();
    ~OPageView4() override;

    // The main dialog sets the camera sets (and may set the program folder) before Create.
    bool Create(const RECT& rect, CWnd* pParent, UINT nID);
    // Back to the first screen (model and folder choice).
    void ResetPage();
    // After a language switch.
    void ReloadTexts();

    // The main dialog's camera sets; the duplicate choice deletes records from them.
    CSpeedCamDataSet* m_pBaseSet = nullptr;
    CSpeedCamDataSet* m_pPartnerSet = nullptr;
    CSpeedCamDataSet* m_pCustomSet = nullptr;
    // Where "Setting.ini", the working base file and "History" are; empty: the program folder.
    std::wstring m_strProgramFolder;
    // How long the converter may take to report, in milliseconds.
    UINT m_nAnswerTimeout = 120000;

    int m_nScreen = kScreenSettings;
    std::wstring m_strDestFolder;
    std::wstring m_strConvertExe, m_strSuccessLog, m_strErrorLog, m_strRawFile;
    bool m_bNoDuplicates = false;
    bool m_bSuccess = true;
    Failure m_nFailure = kFailNone;
    bool m_bGroupMode = true;
    int m_nCurGroup = 0;
    int m_nGroupCount = 0;
    bool m_bAlwaysSelect = false;
    bool m_bWaitCursor = false;
    UINT m_nStatusId = 0;
    std::wstring m_strStatus;
    std::wstring m_strLocation;
    std::wstring m_strTitle;
    // The conversion workbook of the running conversion; written by the conversion thread
    // before it reports.
    std::wstring m_strWorkbook;
    // Whether a converter this page started may answer now.
    bool IsWaitingForConverter() const { return m_bConverterStarted; }
    // The last converter process started (0 when unknown).
    DWORD m_dwConverterProcessId = 0;

    CComboBox m_cmbModel;
    CEdit m_editPath;
    OBitmapButton m_btnBrowse, m_btnConvert, m_btnBack, m_btnNextSet, m_btnTryAgain,
        m_btnOpenFolder;
    OCheckBox m_chkAlwaysSelect;
    CComboBox m_cmbSource;
    OCameraRow m_rows[kRows];
    CEdit m_editLog;
    CSpeedCamListCtrl m_lstDuplicates;
    std::unique_ptr<CDuplicateFilter> m_pFilter;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    enum : UINT_PTR { kAnswerTimer = 1 };

    std::wstring ProgramFolder() const;
    void FillModelList();
    void FillSourceList();
    void ApplyLabels();
    void SetStatus(UINT nId);
    void Redraw(bool bNow);
    void SetButtonText(OBitmapButton& button, UINT nId);
    void ShowWaitCursor(bool bShow);

    void OnBrowse();
    void OnConvert();
    void OnStepNext(WPARAM wParam);
    void OnFilterDone();
    void ShowDuplicates();
    bool ShowGroup(int nGroup);
    void OnRowClicked(UINT nId);
    void OnAlwaysSelect(bool bChecked);
    void OnNextSet();
    void StartConversion();
    void OnWorkbookBuilt();
    void OnConvertResult(WPARAM wParam);
    void OnAnswerTimer();
    void Fail(Failure failure);
    void ShowResult();
    void ShowErrorLog();
    void FinishConversion();
    void OnOpenFolder();
    void StopWaiting();
    void WaitForWorker();
    bool StartWorker(UINT (*pfnProc)(LPVOID));
    void OnPaint();

    struct CWorkerJob;
    static UINT FilterThreadProc(LPVOID pParam);
    static UINT ConvertThreadProc(LPVOID pParam);
    static void ReportDone(const CWorkerJob* pJob);

    ScopedFont m_fontTitle, m_fontText, m_fontCaption, m_fontLog;
    ScopedBitmap m_bmpBack;
    std::unique_ptr<CGdiPlusBitmapResource> m_pCaptionImage;

    // A worker thread is using the filter and the camera sets; only it clears the flag.
    std::atomic<bool> m_bWorkerRunning{false};
    // Tells the reports of the current worker from those of one the page has given up on.
    UINT m_nWorkerToken = 0;
    std::unique_ptr<CWorkerJob> m_pJob;
    bool m_bConverterStarted = false;
    ScopedKernelHandle m_hConverter;
    DWORD m_dwWaitStart = 0;
    DWORD m_dwExitSeen = 0;  // when the converter's end was first noticed, 0 before
};
