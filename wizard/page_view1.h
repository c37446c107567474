// OPageView1: the page of wizard steps 1 to 3. Mode 1 imports the base data (downloaded or from
// disk), mode 2 the partner's text file, mode 3 a customized workbook. The session walks the
// screens (choose a file, load and check it, correct or remove invalid cameras, save the
// corrections back into the file, hand over to the next step); the page forwards the clicks,
// lists the records to correct, fetches the base data and paints what the presenter makes of
// the step's state.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "framework/worker_thread.h"
#include "skin/bitmap_button.h"
#include "skin/check_box.h"
#include "skin/png_image.h"
#include "session/conversion_session.h"
#include "skin/progress_bar.h"
#include "wizard/base_download.h"
#include "wizard/speed_cam_list_ctrl.h"

struct ImportView;

class OPageView1 : public CWnd, public ISessionObserver {
public:
    enum : UINT {
        IDC_DOWNLOAD_CHOICE = 1000,
        IDC_PREVIOUS_CHOICE = 1001,
        IDC_PATH = 1002,
        IDC_BROWSE = 1003,
        IDC_PROGRESS = 1004,
        IDC_SKIP = 1005,
        IDC_TEMPLATE = 1006,
        IDC_NEXT = 2003,
        IDC_BACK = 2004,
        IDC_CANCEL_DOWNLOAD = 2006,
        IDC_REMOVE_CAMERA = 2007,
        IDC_REMOVE_ALL = 2008,
        IDC_CORRECT_NEXT = 2009,
        IDC_CORRECT_PREV = 2010,
        IDC_CAMERA_LIST = 2055,
    };
    OPageView1();
    ~OPageView1() override;

    // Before the window exists: the step's mode (1..3) and the session it imports into (the
    // base data's type list and column descriptions serve steps 2 and 3).
    void SetMode(int nMode, ConversionSession* pSession);
    bool Create(const RECT& rect, CWnd* pParent, UINT nID);
    // Back to screen 0; the step's camera set is emptied.
    void ResetPage();
    // After a language switch.
    void ReloadTexts();
    // Ends an edit running in the camera list, keeping (bApply) or dropping the new value;
    // false when no edit was running.
    bool EndCameraEdit(bool bApply);

    // What the session says of a step (this page heeds its own).
    void OnImportChanged(int step) override;
    void OnCorrectionListed(int step) override;
    void OnCorrectionEnding(int step) override;
    void OnImportRefused(int step) override;
    void OnStepDone(int step) override;
    // Ends the download worker: cancelled, and joined unless stuck in the network.
    void StopWork();

    int m_nMode = 1;
    ConversionSession* m_pSession = nullptr;
    std::wstring m_strPath;
    std::wstring m_strColumnNote;
    wchar_t m_szTitle[80] = {};
    std::wstring m_strStatus;  // whole, however long the file name in it
    UINT m_nStatusId = 0;

    ORadioButton m_btnDownload, m_btnPrevious;
    CEdit m_editPath;
    OBitmapButton m_btnBrowse, m_btnSkip, m_btnTemplate, m_btnNext, m_btnBack;
    OBitmapButton m_btnCancelDownload, m_btnRemove, m_btnRemoveAll, m_btnCorrectNext,
        m_btnCorrectPrev;
    OProgressBar m_wndProgress;
    CSpeedCamListCtrl m_lstCamera;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void BuildTitle();
    void SetStatus(UINT nId);
    ImportView View() const;
    void ShowView();
    void OnRadioClicked(UINT nId);
    void OnBrowse();
    void OnBack();
    void ClearPage();
    void OnNext();
    void ToggleRemove();
    void RemoveAllInvalid();
    void RefreshRemoveCaption();
    void RefreshNext();
    bool StartDownload();
    void OnBaseDownloaded();
    void OnDownloadEnded(CBaseDownload::End end);
    void OnPaint();
    void PaintCaptions(HDC dc);
    void Redraw();

    RECT m_rcPath{}, m_rcBrowse{}, m_rcNext{}, m_rcBack{};  // where the step's mode puts them
    ScopedFont m_fontTitle, m_fontText, m_fontCaption, m_fontButton;
    ScopedBitmap m_bmpBack;
    std::unique_ptr<CGdiPlusBitmapResource> m_pCaptionImage;
    // The download in progress: shared with its worker, which may outlive a close stuck in
    // the network.
    std::shared_ptr<CBaseDownload> m_pDownload;
    CWorkerThread m_downloadThread;
    bool m_bDownloading = false;  // a download thread works for this page
};
