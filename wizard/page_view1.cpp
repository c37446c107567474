// The import page of steps 1 to 3 and its screen machine.
#include "wizard/page_view1.h"

#include "app/helpers.h"
#include "app/http_transfer.h"
#include "app/texts.h"
#include "app/version_signature.h"
#include "base/paths.h"
#include "base/test_point.h"
#include "base/window_messages.h"
#include "camdata/config.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/file_dialog.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "resources/skin_ids.h"
#include "session/conversion_session.h"
#include "skin/skin_draw.h"
#include "wizard/base_download.h"
#include "wizard/import_presenter.h"
#include "wizard/message_box.h"

namespace {

// Posted after a downloaded workbook's import: the notice that names it.
const UINT UM_DOWNLOAD_NOTICE = WM_APP + 2;

const RECT kTitleRect{116, 48, 716, 84};
const RECT kInstructionsRect{120, 100, 820, 260};
const RECT kStatusRect{118, 150, 538, 170};
const RECT kStatusDoneRect{118, 150, 538, 220};
const RECT kStatusCorrectRect{66, 20, 666, 40};
const RECT kFailureRect1{120, 174, 600, 198};
const RECT kNoteRect{66, 227, 772, 292};
const POINT kCaptionImageAt{63, 58};
const RECT kCaptionCells[6] = {{68, 68, 185, 106},  {187, 68, 304, 106}, {306, 68, 423, 106},
                               {425, 68, 542, 106}, {544, 68, 661, 106}, {663, 68, 780, 106}};
const COLORREF kWhite = RGB(255, 255, 255);


std::wstring JoinTexts(UINT first, UINT last) {
    std::wstring all;
    for (UINT id = first; id <= last; ++id) all += LoadTextOrEmpty(id);
    return all;
}

// The wait cursor, shown once however many callers nest it; only the user-interface thread
// shows it.
bool g_bWaitCursor = false;
class CWaitCursor {
public:
    CWaitCursor() : m_bMine(!g_bWaitCursor) {
        if (m_bMine) {
            g_bWaitCursor = true;
            m_hOld = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        }
    }
    ~CWaitCursor() {
        if (m_bMine) {
            ::SetCursor(m_hOld);
            g_bWaitCursor = false;
        }
    }

private:
    bool m_bMine;
    HCURSOR m_hOld = nullptr;
};

bool Exists(const std::wstring& path) {
    std::wstring copy = path;
    return !copy.empty() && PathExists(copy.data());
}

}  // namespace

OPageView1::OPageView1()
    : m_fontTitle(skin::CreateFont(L"Arial", 24, FW_BOLD)),
      m_fontText(skin::CreateFont(L"Arial", 18, FW_NORMAL)),
      m_fontCaption(skin::CreateFont(L"Arial", 16, FW_NORMAL)) {}

OPageView1::~OPageView1() { StopWork(); }

void OPageView1::StopWork() {
    if (!m_downloadThread.IsRunning()) {
        m_downloadThread.Join(0);
        return;
    }
    // A transfer hears the cancel within a fraction of a second and takes its partial file
    // away; an import writes only beside its targets, so it may end with the process. The
    // worker owns the download it works on either way.
    if (m_pDownload) m_pDownload->Cancel();
    const DWORD wait = m_pDownload && m_pDownload->m_bImporting ? 0 : 1500;
    if (!m_downloadThread.Join(wait)) m_downloadThread.Release();
}

void OPageView1::SetMode(int nMode, ConversionSession* pSession) {
    m_nMode = nMode;
    m_pSession = pSession;
    // Steps 2 and 3 have "Skip" where step 1 has "Next >", and no download choice above.
    m_rcNext = nMode == 1 ? kLayoutImportNext : kLayoutLaterImportNext;
    m_rcBack = nMode == 1 ? kLayoutImportBack : kLayoutLaterImportBack;
    m_rcPath = nMode == 1 ? kLayoutImportPath : kLayoutLaterImportPath;
    m_rcBrowse = nMode == 1 ? kLayoutImportBrowse : kLayoutLaterImportBrowse;
    BuildTitle();
}

void OPageView1::BuildTitle() {
    std::wstring title = std::wstring(LoadTextOrEmpty(IDS_STEP1 - 1 + m_nMode)) + L" - " +
                         LoadTextOrEmpty(IDS_STEP1_TITLE - 1 + m_nMode);
    if (m_nMode == 1) title += std::wstring(L" ") + LoadTextOrEmpty(IDS_FROM_XLS);
    lstrcpynW(m_szTitle, title.c_str(), 80);
}

void OPageView1::SetStatus(UINT nId) {
    m_nStatusId = nId;
    if (nId == IDS_BASE_IMPORTED || nId == IDS_SAVE_FAILED) {
        std::wstring name;
        GetFileNameFromPath(m_strPath, name);
        m_strStatus = FormatText(LoadTextOrEmpty(nId), {name});
    } else {
        m_strStatus = nId ? LoadTextOrEmpty(nId) : L"";
    }
}

bool OPageView1::Create(const RECT& rect, CWnd* pParent, UINT nID) {
    if (!CWnd::Create(AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW), L"", WS_CHILD, rect, pParent,
                      nID))
        return false;
    m_bmpBack.Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kArtPageBackground)));
    m_pCaptionImage = LoadPngImage(kArtImportCaptions);

    const DWORD toggle = WS_CHILD;
    if (m_nMode == 1) {
        m_btnDownload.Create(kLayoutDownloadChoice, this, IDC_DOWNLOAD_CHOICE, toggle);
        m_btnPrevious.Create(kLayoutPreviousChoice, this, IDC_PREVIOUS_CHOICE, toggle);
        for (ORadioButton* radio : {&m_btnDownload, &m_btnPrevious}) {
            radio->LoadImages();
            radio->m_hFont = m_fontText;
        }
        m_btnDownload.m_bChecked = TRUE;
        m_btnDownload.SetText(LoadTextOrEmpty(IDS_BASE_DOWNLOAD_CHOICE));
        m_btnPrevious.SetText(LoadTextOrEmpty(IDS_BASE_PREVIOUS_CHOICE));
        m_btnDownload.ShowWindow(SW_SHOW);
        m_btnPrevious.ShowWindow(SW_SHOW);
    }

    const DWORD button = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
    auto make = [&](OBitmapButton& b, const RECT& rc, UINT id, WORD firstImage, UINT textId,
                    DWORD style) {
        b.Create(L"", style, rc, this, id);
        b.SetImages(firstImage, WORD(firstImage + 1), WORD(firstImage + 2), WORD(firstImage + 3));
        b.m_crText = kWhite;
        lstrcpynW(b.m_szText, LoadTextOrEmpty(textId), 80);
    };
    if (m_nMode != 1) make(m_btnSkip, kLayoutSkip, IDC_SKIP, kArtGhostButton, IDS_SKIP, button);

    m_editPath.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | WS_DISABLED, m_rcPath,
                      this, IDC_PATH);
    m_editPath.SetFont(m_fontTitle);
    make(m_btnBrowse, m_rcBrowse, IDC_BROWSE, kArtBrowseButton, IDS_BROWSE, button);
    m_btnBrowse.SetTextFont(14);

    m_wndProgress.Create(kLayoutProgress, this, IDC_PROGRESS, WS_CHILD);
    m_wndProgress.LoadImages();
    m_wndProgress.m_hFont = m_fontText;

    make(m_btnNext, m_rcNext, IDC_NEXT, kArtPrimaryButton, IDS_NEXT, button);
    make(m_btnBack, m_rcBack, IDC_BACK, kArtSecondaryButton, IDS_BACK, button);
    make(m_btnCancelDownload, kLayoutCancelDownload, IDC_CANCEL_DOWNLOAD, kArtWideButton,
         IDS_CANCEL_DOWNLOAD, WS_CHILD | BS_OWNERDRAW);
    make(m_btnRemove, kLayoutRemoveCamera, IDC_REMOVE_CAMERA, kArtWideButton, IDS_REMOVE_CAMERA,
         WS_CHILD | BS_OWNERDRAW);
    make(m_btnRemoveAll, kLayoutRemoveAll, IDC_REMOVE_ALL, kArtWideButton, IDS_REMOVE_ALL_INVALID,
         WS_CHILD | BS_OWNERDRAW);
    make(m_btnCorrectPrev, kLayoutCorrectPrev, IDC_CORRECT_PREV, kArtSecondaryButton, IDS_CORRECT_PREV,
         WS_CHILD | BS_OWNERDRAW);
    make(m_btnCorrectNext, kLayoutCorrectNext, IDC_CORRECT_NEXT, kArtPrimaryButton, IDS_CORRECT_NEXT,
         WS_CHILD | BS_OWNERDRAW);
    make(m_btnTemplate, kLayoutTemplate, IDC_TEMPLATE, kArtGhostButton, IDS_TEMPLATE,
         WS_CHILD | BS_OWNERDRAW);
    m_btnTemplate.m_crText = RGB(254, 84, 18);

    m_lstCamera.Create(WS_CHILD | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                           LVS_AUTOARRANGE | LVS_OWNERDRAWFIXED,
                       kLayoutCameraList, this, IDC_CAMERA_LIST);
    m_lstCamera.InitColumns();

    ShowView();
    return true;
}

// Shows the session's screen of this step: which controls are there, which take clicks, the
// status.
void OPageView1::ShowView() {
    if (!m_pSession) return;
    const ImportView v = View();
    SetStatus(v.statusId);
    if (!m_hWnd) return;
    m_btnDownload.Show(v.choice);
    m_btnPrevious.Show(v.choice);
    m_editPath.Show(v.file);
    m_btnBrowse.Show(v.file);
    // Only step 1 takes a typed path; the later steps take what Browse chose.
    m_editPath.Enable(m_nMode == 1 && v.browseEnabled);
    m_btnBrowse.Enable(v.browseEnabled);
    m_btnTemplate.Show(v.templateButton);
    m_wndProgress.Show(v.progress);
    m_btnCancelDownload.Show(v.progress);
    m_btnNext.Show(v.nextBack);
    m_btnBack.Show(v.nextBack);
    m_lstCamera.Show(v.list);
    for (OBitmapButton* b : {&m_btnRemove, &m_btnRemoveAll, &m_btnCorrectNext, &m_btnCorrectPrev})
        b->Show(v.correction);
    if (v.correction) RefreshRemoveCaption();
    RefreshNext();
}

ImportView OPageView1::View() const {
    return PresentImport(*m_pSession, m_nMode - 1, m_editPath.m_hWnd && Exists(m_editPath.GetWindowText()));
}

void OPageView1::RefreshNext() {
    m_btnNext.EnableWindow(View().nextEnabled);
    m_btnNext.Invalidate(FALSE);
}

void OPageView1::Redraw() {
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void OPageView1::OnRadioClicked(UINT nId) {
    const bool bDownload = nId == IDC_DOWNLOAD_CHOICE;
    m_btnDownload.m_bChecked = bDownload;
    m_btnPrevious.m_bChecked = !bDownload;
    m_btnDownload.Invalidate(FALSE);
    m_btnPrevious.Invalidate(FALSE);
    m_pSession->ChooseDownload(bDownload);
}

void OPageView1::OnBrowse() {
    // Customized data may also come as a CSV file.
    const wchar_t* filter = m_nMode == 2 ? L"*.txt|*.txt|" : m_nMode == 3 ? L"*.xls;*.csv|*.xls;*.csv|" : L"*.xls|*.xls|";
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER,
                       filter, this);
    std::wstring history;
    if (m_nMode == 1) {
        history = GetModuleDir() + L"\\History\\";
        dialog.m_ofn.lpstrInitialDir = history.c_str();
    }
    if (dialog.DoModal() == IDOK) {
        m_strPath = dialog.GetPathName();
        m_editPath.SetWindowText(m_strPath.c_str());
        RefreshNext();
    } else {
        m_btnNext.Invalidate(FALSE);
    }
}

void OPageView1::OnNext() {
    const int step = m_nMode - 1;
    const ConversionSession::ImportScreen screen = m_pSession->ImportStateOf(step).screen;
    m_strColumnNote.clear();
    m_lstCamera.EndEdit(true);
    const bool first = screen == ConversionSession::kChoose;
    if (first && m_nMode == 1 && m_pSession->DownloadChosen() && !http::IsOnline()) {
        ShowMessage(LoadTextOrEmpty(IDS_NO_INTERNET), nullptr, kMessageBoxOK, FALSE);
        ResetPage();
        return;
    }
    const std::wstring path = m_editPath.GetWindowText();
    if (first) m_strPath = path;
    switch (m_pSession->Next(step, path)) {
        case ConversionSession::kNextRefused:
            ::MessageBeep(0xFFFFFFFF);
            if (m_nMode == 1) ResetPage();
            break;
        case ConversionSession::kNextDownload:
            if (!StartDownload() && m_nMode == 1) ResetPage();
            break;
        case ConversionSession::kNextTaken:
            break;
    }
}

// What the session says of this page's step

void OPageView1::OnImportChanged(int step) {
    if (step != m_nMode - 1) return;
    ShowView();
    if (m_hWnd) Redraw();
}

void OPageView1::OnCorrectionListed(int step) {
    if (step != m_nMode - 1 || !m_hWnd) return;
    m_lstCamera.DeleteAllItems();
    m_lstCamera.SetCameraSet(&m_pSession->Set(step));
    for (CSpeedCamData* cam : m_pSession->Source(step).invalid.m_items) m_lstCamera.AddCameraItem(cam);
    ShowView();
    Redraw();
    if (m_lstCamera.GetItemCount() > 0) m_lstCamera.GotoInvalid(true);
}

void OPageView1::OnCorrectionEnding(int step) {
    if (step != m_nMode - 1 || !m_hWnd) return;
    m_lstCamera.EndEdit(true);
    m_lstCamera.DeleteAllItems();
}

void OPageView1::OnImportRefused(int step) {
    if (step != m_nMode - 1) return;
    m_bDownloading = false;
    ClearPage();
    ShowMessage(LoadTextOrEmpty(IDS_INVALID_FILE), nullptr, kMessageBoxOK, FALSE);
}

void OPageView1::OnStepDone(int step) {
    if (step == m_nMode - 1) GetParent()->PostMessage(UM_STEP_NEXT);
}

void OPageView1::OnDownloadEnded(CBaseDownload::End end) {
    // Only the download this page waits for.
    if (!m_bDownloading) return;
    m_bDownloading = false;
    switch (end) {
        case CBaseDownload::kNoServer:
            ShowMessage(LoadTextOrEmpty(IDS_NO_SERVER), nullptr, kMessageBoxOK, FALSE);
            ResetPage();
            break;
        case CBaseDownload::kFailed: m_pSession->OnDownloadFailed(m_nMode - 1); break;
        case CBaseDownload::kCancelled: OnBack(); break;
    }
}

void OPageView1::OnBaseDownloaded() {
    // Only the download this page waits for.
    if (!m_bDownloading || !m_pDownload || !m_pDownload->m_pImported) return;
    m_bDownloading = false;
    m_strPath = m_pDownload->m_strPath;
    const bool refused = m_pDownload->m_pImported->outcome == ImportedSource::kInvalidFile;
    m_pSession->OnDownloaded(std::move(m_pDownload->m_pImported));
    // The notice comes once the next screen is up; a refused file says so instead.
    if (!refused) PostMessage(UM_DOWNLOAD_NOTICE);
}

bool OPageView1::StartDownload() {
    m_wndProgress.SetPos(0);
    m_pSession->BeginDownload(m_nMode - 1);

    // A download before this one has reported its end; its worker is over or about to be.
    m_downloadThread.Join(INFINITE);
    // The configuration file is fetched on the worker too: nothing here waits for the network.
    std::shared_ptr<CBaseDownload> download = std::make_shared<CBaseDownload>();
    download->Reset(std::wstring());
    download->m_strConfigUrl = GetBaseFileIniUrl();
    download->m_strIniPath = GetBaseFileIniPath();
    download->m_trustedKeys = TrustedUpdateKeys();
    download->m_hWndPage = m_hWnd;
    // The import runs on the worker into a source of its own: nothing of the page or the
    // session is touched there.
    const std::wstring workingBase = m_pSession->WorkingBasePath();
    download->m_fnImport = [workingBase](CBaseDownload& d) {
        d.m_pImported = ImportSource(0, d.m_strPath, std::wstring(), workingBase);
    };
    m_pDownload = download;
    m_bDownloading = true;
    if (!m_downloadThread.Start([download] { BaseDownloadThreadProc(download.get()); })) {
        m_bDownloading = false;
        return false;
    }
    return true;
}

void OPageView1::RefreshRemoveCaption() {
    const int row = ListView_GetNextItem(m_lstCamera.m_hWnd, -1, LVNI_SELECTED);
    CSpeedCamData* cam = m_lstCamera.GetItemCamera(row);
    if (!cam) return;
    lstrcpynW(m_btnRemove.m_szText, LoadTextOrEmpty(cam->m_bRemoved ? IDS_UNDO_REMOVE : IDS_REMOVE_CAMERA),
              80);
    m_btnRemove.Invalidate(FALSE);
}

void OPageView1::ToggleRemove() {
    const int row = ListView_GetNextItem(m_lstCamera.m_hWnd, -1, LVNI_SELECTED);
    CSpeedCamData* cam = m_lstCamera.GetItemCamera(row);
    if (!cam) return;
    m_lstCamera.EndEdit(true);
    cam->m_bRemoved = cam->m_bRemoved ? 0 : 1;
    ListView_RedrawItems(m_lstCamera.m_hWnd, row, row);
    RefreshRemoveCaption();
    m_pSession->RecheckCorrections(m_nMode - 1);
}

void OPageView1::RemoveAllInvalid() {
    m_lstCamera.EndEdit(true);
    m_pSession->RemoveAllInvalid(m_nMode - 1);
    m_lstCamera.Invalidate(FALSE);
    RefreshRemoveCaption();
    m_pSession->RecheckCorrections(m_nMode - 1);
}

void OPageView1::OnBack() {
    ClearPage();
    // Step 1 goes back to its first screen before it goes back to the welcome screen.
    if (m_pSession->Back(m_nMode - 1)) GetParent()->PostMessage(UM_STEP_BACK, 0);
}

// The page's own part of starting over: no download listened to, no note, no progress.
void OPageView1::ClearPage() {
    m_bDownloading = false;
    m_strColumnNote.clear();
    m_wndProgress.m_nPos = 0;
    if (m_hWnd) m_lstCamera.EndEdit(true);
}

void OPageView1::ResetPage() {
    ClearPage();
    if (!m_pSession) return;
    m_pSession->Restart(m_nMode - 1);
    ShowView();
    if (m_hWnd) Redraw();
}

void OPageView1::ReloadTexts() {
    if (m_nMode == 1) {
        m_btnDownload.SetText(LoadTextOrEmpty(IDS_BASE_DOWNLOAD_CHOICE));
        m_btnPrevious.SetText(LoadTextOrEmpty(IDS_BASE_PREVIOUS_CHOICE));
    }
    const std::pair<OBitmapButton*, UINT> captions[] = {
        {&m_btnSkip, IDS_SKIP},
        {&m_btnBrowse, IDS_BROWSE},
        {&m_btnTemplate, IDS_TEMPLATE},
        {&m_btnNext, IDS_NEXT},
        {&m_btnBack, IDS_BACK},
        {&m_btnCancelDownload, IDS_CANCEL_DOWNLOAD},
        {&m_btnRemove, IDS_REMOVE_CAMERA},
        {&m_btnRemoveAll, IDS_REMOVE_ALL_INVALID},
        {&m_btnCorrectPrev, IDS_CORRECT_PREV},
        {&m_btnCorrectNext, IDS_CORRECT_NEXT}};
    for (const auto& c : captions) lstrcpynW(c.first->m_szText, LoadTextOrEmpty(c.second), 80);
    RefreshRemoveCaption();
    BuildTitle();
    SetStatus(m_nStatusId);
    if (m_hWnd) Redraw();
}

bool OPageView1::EndCameraEdit(bool bApply) {
    return m_lstCamera.m_hWnd && m_lstCamera.EndEdit(bApply);
}

void OPageView1::PaintCaptions(HDC dc) {
    if (m_pCaptionImage) skin::DrawImage(dc, m_pCaptionImage.get(), kCaptionImageAt.x, kCaptionImageAt.y);
    HGDIOBJ old = ::SelectObject(dc, m_fontCaption);
    for (int i = 0; i < 6; ++i) {
        const wchar_t* caption = LoadTextOrEmpty(IDS_COL_LATITUDE + i);
        RECT cell = kCaptionCells[i];
        if (skin::TextWidth(dc, caption) <= cell.right - cell.left) {
            ::DrawTextW(dc, caption, -1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            // Two lines, centred in the cell as a block.
            RECT measured = cell;
            ::DrawTextW(dc, caption, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
            const int height = measured.bottom - measured.top;
            cell.top += std::max(0L, (cell.bottom - cell.top - height) / 2);
            ::DrawTextW(dc, caption, -1, &cell, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        }
    }
    ::SelectObject(dc, old);
}

void OPageView1::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    HGDIOBJ old = ::SelectObject(dc, m_fontTitle);
    RECT rc;
    const ConversionSession::ImportState& state = m_pSession->ImportStateOf(m_nMode - 1);
    const ConversionSession::ImportScreen screen = state.screen;
    const bool bLoadFailed = state.loadFailed;
    if (screen != ConversionSession::kCorrecting) {
        rc = kTitleRect;
        ::DrawTextW(dc, m_szTitle, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    ::SelectObject(dc, m_fontText);
    if (m_nMode != 1 && screen == ConversionSession::kChoose) {
        const std::wstring text = m_nMode == 2 ? JoinTexts(IDS_PARTNER_NOTE1, IDS_PARTNER_NOTE6)
                                               : JoinTexts(IDS_CUSTOM_NOTE1, IDS_CUSTOM_NOTE4);
        rc = kInstructionsRect;
        ::DrawTextW(dc, text.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
    }
    switch (screen) {
        case ConversionSession::kLoading:
        case ConversionSession::kExamined:
            if (bLoadFailed) {
                const RECT area = m_nMode == 1 ? kFailureRect1 : kInstructionsRect;
                rc = area;
                rc.bottom = rc.top + 24;
                ::SetTextColor(dc, RGB(255, 0, 0));
                ::DrawTextW(dc, m_strStatus.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
                ::SetTextColor(dc, kWhite);
                rc = area;
                rc.top += 48;
                if (rc.top < rc.bottom) {
                    const std::wstring note = JoinTexts(IDS_FAILED_NOTE1, IDS_FAILED_NOTE4);
                    ::DrawTextW(dc, note.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
                }
            } else {
                rc = kStatusRect;
                ::DrawTextW(dc, m_strStatus.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            }
            break;
        case ConversionSession::kChoose:
            break;  // the instructions above
        case ConversionSession::kCorrecting:
            rc = kStatusCorrectRect;
            ::DrawTextW(dc, m_strStatus.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
            PaintCaptions(dc);
            if (!m_strColumnNote.empty() && m_lstCamera.IsWindowVisible()) {
                rc = kNoteRect;
                ::DrawTextW(dc, m_strColumnNote.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
            }
            break;
        case ConversionSession::kImported:
            rc = kStatusDoneRect;
            ::DrawTextW(dc, m_strStatus.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
            break;
    }
    ::SelectObject(dc, old);
    ::EndPaint(m_hWnd, &ps);
}

BOOL OPageView1::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CWnd::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
        case IDC_BROWSE: OnBrowse(); return TRUE;
        case IDC_SKIP:
            m_lstCamera.EndEdit(true);
            m_pSession->Skip(m_nMode - 1);
            return TRUE;
        case IDC_TEMPLATE: {
            OpenWithShell(m_hWnd, GetModuleDir() + L"\\Template");
            return TRUE;
        }
        case IDC_NEXT: OnNext(); return TRUE;
        case IDC_BACK: OnBack(); return TRUE;
        case IDC_CANCEL_DOWNLOAD:
            if (m_pDownload) m_pDownload->Cancel();
            kovra::TestPoint("cancel-download");
            return TRUE;
        case IDC_REMOVE_CAMERA: ToggleRemove(); return TRUE;
        case IDC_REMOVE_ALL: RemoveAllInvalid(); return TRUE;
        case IDC_CORRECT_NEXT: m_lstCamera.GotoInvalid(true); return TRUE;
        case IDC_CORRECT_PREV: m_lstCamera.GotoInvalid(false); return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT OPageView1::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            if (m_bmpBack) DrawBitmapAt(m_bmpBack, HDC(wParam));
            return 1;
        case WM_PAINT: OnPaint(); return 0;
        case UM_RADIO_CLICKED: OnRadioClicked(UINT(wParam)); return 0;
        case UM_DOWNLOAD_ENDED: OnDownloadEnded(CBaseDownload::End(wParam)); return 0;
        case UM_LIST_CELL_FOCUS:
            if (!m_pSession) return 0;
            RefreshRemoveCaption();
            if (int(lParam) >= 0) {
                m_strColumnNote = lParam < CSpeedCamDataSet::kDescriptionCount
                                      ? m_pSession->Set(0).GetDescription(int(lParam))
                                      : std::wstring();
                InvalidateRect(&kNoteRect, TRUE);
            }
            return 1;
        case UM_LIST_EDITED:
            m_pSession->RecheckCorrections(m_nMode - 1);
            return 1;
        case UM_DOWNLOAD_PERCENT: m_wndProgress.SetPos(int(short(wParam))); return 0;
        case UM_BASE_DOWNLOADED:
            OnBaseDownloaded();
            return 0;
        case UM_DOWNLOAD_NOTICE: {
            if (m_pSession->ImportStateOf(0).screen == ConversionSession::kChoose) return 0;
            // The name the workbook is stored under, as the user finds it.
            ShowMessage((std::wstring(LoadTextOrEmpty(IDS_BASE_DOWNLOADED)) + kovra::FileNameOf(m_strPath))
                            .c_str(),
                        nullptr, kMessageBoxOK, FALSE);
            return 0;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
