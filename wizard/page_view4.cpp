// The convert page of step 4: its screens, the two worker threads, the converter and painting.
#include "wizard/page_view4.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "app/helpers.h"
#include "app/messages.h"
#include "app/texts.h"
#include "base/file_io.h"
#include "camdata/config.h"
#include "camdata/duplicate_filter.h"
#include "camdata/history.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "skin/skin_draw.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);

const RECT kModelListRect{288, 203, 522, 278};
const RECT kPathRect{288, 250, 586, 285};
const RECT kBrowseRect{595, 249, 725, 286};
const RECT kConvertRect{732, 384, 835, 426};
const RECT kBackRect{629, 384, 732, 426};
const RECT kAlwaysSelectRect{66, 270, 254, 306};
const RECT kSourceListRect{258, 270, 492, 306};
const RECT kRowRects[OPageView4::kRows] = {
    {69, 140, 781, 176}, {69, 176, 781, 212}, {69, 212, 781, 248}};
const RECT kNextSetRect{732, 384, 835, 426};
const RECT kLogRect{118, 125, 740, 293};
const RECT kTryAgainRect{516, 384, 722, 426};
const RECT kOpenFolderRect{516, 384, 722, 426};
const RECT kDuplicateListRect{0, 320, 300, 450};

const RECT kTitleRect{116, 48, 716, 84};
const RECT kStatusRect{118, 96, 758, 196};
const RECT kDoneStatusRect{118, 110, 758, 270};
const RECT kModelLabelRect{118, 203, 278, 238};
const RECT kFolderLabelRect{118, 250, 278, 285};
const RECT kChoiceStatusRect{66, 26, 796, 64};
const RECT kLocationRect{66, 66, 796, 86};
const POINT kCaptionImageAt{65, 90};
const RECT kColumnCaptionRects[OCameraRow::kColumns] = {{68, 101, 210, 139},
                                                        {211, 101, 353, 139},
                                                        {354, 101, 496, 139},
                                                        {497, 101, 639, 139},
                                                        {640, 101, 782, 139}};
const UINT kColumnCaptionIds[OCameraRow::kColumns] = {IDS_SOURCE, IDS_COL_BEARING, IDS_COL_SPEED,
                                                      IDS_COL_CAMERA_TYPE, IDS_COL_DIR_TYPE};

const int kBackgroundBitmap = 1504;
const WORD kCaptionPng = 1049;
const int kMaxStatusLength = 1000;
// A converter that has ended gets this long for its message to come through the main dialog.
const DWORD kExitGrace = 2000;
const UINT kAnswerPoll = 250;
// Logs larger than this are not shown (the converter writes one line per camera at most).
const uint64_t kMaxLogBytes = 32u << 20;


std::wstring DoneText() {
    std::wstring text;
    for (UINT id = IDS_DONE_NOTE1; id <= IDS_DONE_NOTE5; ++id) text += LoadTextOrEmpty(id);
    return text;
}

void ShowControl(CWnd& wnd, bool bShow) {
    if (wnd.m_hWnd) wnd.ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

void EnableControl(CWnd& wnd, bool bEnable) {
    if (wnd.m_hWnd) wnd.EnableWindow(bEnable ? TRUE : FALSE);
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The log's bytes in the thread's ANSI code page, with every line break as CR LF so the edit
// control breaks the lines.
std::wstring LogText(const std::vector<uint8_t>& bytes) {
    std::wstring wide;
    if (!bytes.empty()) {
        const char* p = reinterpret_cast<const char*>(bytes.data());
        const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, p, int(bytes.size()), nullptr, 0);
        if (n > 0) {
            wide.resize(size_t(n));
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, p, int(bytes.size()), &wide[0], n);
        }
    }
    std::wstring text;
    text.reserve(wide.size() + wide.size() / 32);
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c == L'\r') continue;
        if (c == L'\n') text += L'\r';
        if (c == L'\0') continue;
        text += c;
    }
    return text;
}

int CALLBACK BrowseCallback(HWND hWnd, UINT message, LPARAM, LPARAM lpData) {
    if (message == BFFM_INITIALIZED && lpData)
        ::SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, lpData);
    return 0;
}

}  // namespace

// What a worker thread works on and hands back. The page creates it before the thread starts
// and reads the result only after the thread's report.
struct OPageView4::CWorkerJob {
    HWND hWnd = nullptr;
    UINT nToken = 0;
    std::atomic<bool>* pRunning = nullptr;
    CDuplicateFilter* pFilter = nullptr;
    std::wstring strFolder;
    const CSpeedCamDataSet* pSets[3] = {nullptr, nullptr, nullptr};
    std::wstring strWorkbook;  // the result of the conversion thread; empty on failure
};

// OCameraRow

LRESULT OCameraRow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The whole row takes the click, not only the image and a caption.
    if (message == WM_LBUTTONDOWN) lParam = MAKELPARAM(1, 1);
    return ORadioButton::WindowProc(message, wParam, lParam);
}

void OCameraRow::DrawFace(HDC dc, const RECT& rcClient) {
    const int index = GetImageIndex();
    const CGdiPlusBitmap* image = m_pImage[index].get();
    float opacity = 1.0f;
    if (!image && index == 7) {
        image = m_pImage[4].get();
        opacity = 0.45f;
    }
    const int cyImage = image ? image->GetHeight() : 19;
    skin::DrawImage(dc, image, 0, (rcClient.bottom - cyImage) / 2, false, opacity);
    CSelectObject font(dc, m_hFont);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    for (int c = 0; c < kColumns; ++c) {
        RECT cell{c * kColumnWidth, 0, (c + 1) * kColumnWidth, rcClient.bottom};
        if (c == 0) cell.left = 24;  // right of the image
        ::DrawTextW(dc, m_strCell[c].c_str(), -1, &cell,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

// OPageView4

UINT OPageView4::FailureStatusId(Failure failure) {
    switch (failure) {
        case kFailWorkbook:
            return IDS_WORKBOOK_FAILED;
        case kFailStart:
            return IDS_CONVERTER_NOT_STARTED;
        case kFailNoAnswer:
            return IDS_CONVERTER_NO_ANSWER;
        case kFailCopy:
            return IDS_COPY_FAILED;
        default:
            return IDS_SOURCE_ERRORS;
    }
}

OPageView4::OPageView4() {
    m_fontTitle = skin::CreateFont(L"Arial", 24, FW_BOLD);
    m_fontText = skin::CreateFont(L"Arial", 18, FW_NORMAL);
    m_fontLog = skin::CreateFont(L"Courier New", 15, FW_NORMAL);
    m_fontCaption = skin::CreateFont(L"Arial", 16, FW_NORMAL);
    GetDefaultDestFolder(&m_strDestFolder);
    m_strTitle = std::wstring(LoadTextOrEmpty(IDS_STEP4)) + L" - " + LoadTextOrEmpty(IDS_STEP4_TITLE);
    m_nStatusId = IDS_CONVERT_INTRO;
    m_strStatus = LoadTextOrEmpty(IDS_CONVERT_INTRO);
    m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
}

OPageView4::~OPageView4() {
    WaitForWorker();
}

std::wstring OPageView4::ProgramFolder() const {
    if (!m_strProgramFolder.empty()) return m_strProgramFolder;
    if (g_szModuleDir[0]) return g_szModuleDir;
    return GetModuleDir();
}

bool OPageView4::Create(const RECT& rect, CWnd* pParent, UINT nID) {
    if (!CWnd::Create(AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW), L"", WS_CHILD, rect, pParent,
                      nID))
        return false;
    m_bmpBack.Reset(
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kBackgroundBitmap)));
    m_pCaptionImage = LoadPngImage(kCaptionPng);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    m_cmbModel.Create(child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, kModelListRect, this,
                      IDC_MODEL_LIST);
    m_cmbModel.SetFont(m_fontText);
    FillModelList();

    // Read-only: only the folder browser chooses the folder, so the field never shows one
    // that the conversion would not use.
    m_editPath.Create(child | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, kPathRect, this, IDC_PATH);
    m_editPath.SetFont(m_fontText);
    m_editPath.SetWindowText(m_strDestFolder.c_str());

    auto button = [this](OBitmapButton& b, const RECT& rc, UINT id, WORD firstImage, bool bShow) {
        b.Create(L"", WS_CHILD | (bShow ? WS_VISIBLE : 0) | BS_OWNERDRAW, rc, this, id);
        b.SetImages(firstImage, WORD(firstImage + 1), WORD(firstImage + 2), WORD(firstImage + 3));
        b.m_crText = kWhite;
    };
    button(m_btnBrowse, kBrowseRect, IDC_BROWSE, 1027, true);
    m_btnBrowse.SetTextFont(14);
    button(m_btnConvert, kConvertRect, IDC_CONVERT, 1015, true);
    button(m_btnBack, kBackRect, IDC_BACK, 1011, true);

    m_chkAlwaysSelect.Create(kAlwaysSelectRect, this, IDC_ALWAYS_SELECT, WS_CHILD);
    m_chkAlwaysSelect.m_rcWindow = kAlwaysSelectRect;
    m_chkAlwaysSelect.LoadImages();
    m_chkAlwaysSelect.SetTextFont();

    m_cmbSource.Create(WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, kSourceListRect, this,
                       IDC_SOURCE_LIST);
    m_cmbSource.SetFont(m_fontText);
    m_cmbSource.EnableWindow(FALSE);

    for (int i = 0; i < kRows; ++i) {
        OCameraRow& row = m_rows[i];
        row.Create(kRowRects[i], this, IDC_ROW_FIRST + i, WS_CHILD);
        row.LoadImages();
        row.m_hFont = m_fontText;
        row.m_bChecked = i == 0;
    }

    button(m_btnNextSet, kNextSetRect, IDC_NEXT_SET, 1015, false);
    // The converter lays its log out in columns of blanks: a fixed-pitch font and no wrapping
    // keep them lined up.
    m_editLog.Create(WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                         ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                     kLogRect, this, IDC_LOG);
    m_editLog.SetFont(m_fontLog);
    m_editLog.SetLimitText(0);
    button(m_btnTryAgain, kTryAgainRect, IDC_TRY_AGAIN, 1178, false);
    button(m_btnOpenFolder, kOpenFolderRect, IDC_OPEN_FOLDER, 1178, false);

    m_lstDuplicates.Create(WS_CHILD | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                               LVS_AUTOARRANGE | LVS_OWNERDRAWFIXED,
                           kDuplicateListRect, this, IDC_DUPLICATE_LIST);
    m_lstDuplicates.InitColumns();
    m_lstDuplicates.m_nSortMode = kSortByGroup;

    ReloadTexts();
    return true;
}

void OPageView4::FillModelList() {
    m_cmbModel.ResetContent();
    for (const std::wstring& name : GetModelNames(ProgramFolder() + L"\\Setting.ini"))
        m_cmbModel.AddString(name.c_str());
    m_cmbModel.SetCurSel(0);
}

void OPageView4::FillSourceList() {
    if (!m_cmbSource.m_hWnd) return;
    const int keep = m_cmbSource.GetCurSel();
    std::vector<int> sources;
    if (m_pFilter && !m_bWorkerRunning && m_pFilter->GetDuplicateCount() > 0)
        sources = m_pFilter->GetPresentSources();
    if (sources.empty()) sources = {SourceBase, SourcePartner, SourceCustom};
    m_cmbSource.ResetContent();
    for (int s : sources) {
        const int index = m_cmbSource.AddString(LoadTextOrEmpty(UINT(IDS_SOURCE_STEP1 + s)));
        m_cmbSource.SetItemData(index, DWORD_PTR(s));
    }
    m_cmbSource.SetCurSel(keep >= 0 && keep < m_cmbSource.GetCount() ? keep : 0);
}

void OPageView4::ApplyLabels() {
    if (!m_pFilter || m_bWorkerRunning) return;
    CDuplicateLabels labels;
    labels.m_strStatus = LoadTextOrEmpty(IDS_SAME_PLACE);
    labels.m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
    labels.m_strSet = LoadTextOrEmpty(IDS_DUPLICATE_SET);
    for (int s = 0; s < 3; ++s) labels.m_strSource[s] = LoadTextOrEmpty(UINT(IDS_SOURCE_STEP1 + s));
    m_pFilter->SetLabels(labels);
}

void OPageView4::SetStatus(UINT nId) {
    m_nStatusId = nId;
    m_strStatus = nId == kStatusDone ? DoneText() : std::wstring(LoadTextOrEmpty(nId));
}

void OPageView4::Redraw(bool bNow) {
    if (!m_hWnd) return;
    UINT flags = RDW_INVALIDATE | RDW_ALLCHILDREN;
    if (bNow) flags |= RDW_UPDATENOW;
    RedrawWindow(nullptr, nullptr, flags);
}

void OPageView4::SetButtonText(OBitmapButton& button, UINT nId) {
    lstrcpynW(button.m_szText, LoadTextOrEmpty(nId), int(sizeof button.m_szText / sizeof(wchar_t)));
    if (button.m_hWnd) button.Invalidate(FALSE);
}

void OPageView4::ShowWaitCursor(bool bShow) {
    if (m_bWaitCursor == bShow) return;
    m_bWaitCursor = bShow;
    ::SetCursor(::LoadCursorW(nullptr, bShow ? IDC_WAIT : IDC_ARROW));
}

void OPageView4::ResetPage() {
    StopWaiting();
    // Reports of a worker still running are dropped; it keeps its filter until it ends.
    if (++m_nWorkerToken == 0) ++m_nWorkerToken;
    if (!m_bWorkerRunning) m_pFilter.reset();
    m_nCurGroup = 0;
    m_nGroupCount = 0;
    m_bNoDuplicates = false;
    m_bSuccess = true;
    m_nFailure = kFailNone;
    m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
    m_nScreen = kScreenSettings;
    SetStatus(IDS_CONVERT_INTRO);
    if (!m_hWnd) return;
    m_lstDuplicates.DeleteAllItems();
    m_editLog.SetWindowText(L"");
    for (CWnd* wnd : {static_cast<CWnd*>(&m_cmbModel), static_cast<CWnd*>(&m_editPath),
                      static_cast<CWnd*>(&m_btnBrowse), static_cast<CWnd*>(&m_btnConvert),
                      static_cast<CWnd*>(&m_btnBack)})
        ShowControl(*wnd, true);
    EnableControl(m_btnConvert, true);
    EnableControl(m_btnBack, true);
    for (CWnd* wnd : {static_cast<CWnd*>(&m_chkAlwaysSelect), static_cast<CWnd*>(&m_cmbSource),
                      static_cast<CWnd*>(&m_btnNextSet), static_cast<CWnd*>(&m_btnTryAgain),
                      static_cast<CWnd*>(&m_btnOpenFolder), static_cast<CWnd*>(&m_editLog)})
        ShowControl(*wnd, false);
    for (OCameraRow& row : m_rows) ShowControl(row, false);
    FillSourceList();
    Redraw(false);
}

void OPageView4::ReloadTexts() {
    m_strTitle = std::wstring(LoadTextOrEmpty(IDS_STEP4)) + L" - " + LoadTextOrEmpty(IDS_STEP4_TITLE);
    SetButtonText(m_btnBrowse, IDS_BROWSE);
    SetButtonText(m_btnConvert, IDS_CONVERT);
    SetButtonText(m_btnBack, IDS_BACK);
    const bool bLastGroup = m_nCurGroup + 1 >= m_nGroupCount;
    SetButtonText(m_btnNextSet, m_nScreen == kScreenChoosing && m_bGroupMode && !bLastGroup
                                    ? IDS_NEXT_SET
                                    : IDS_NEXT);
    SetButtonText(m_btnTryAgain, IDS_TRY_AGAIN);
    SetButtonText(m_btnOpenFolder, IDS_OPEN_FOLDER);
    if (m_chkAlwaysSelect.m_hWnd) {
        m_chkAlwaysSelect.SetText(LoadTextOrEmpty(IDS_ALWAYS_SELECT));
        m_chkAlwaysSelect.Invalidate(FALSE);
    }
    if (m_nStatusId) SetStatus(m_nStatusId);
    ApplyLabels();
    FillSourceList();
    if (m_nScreen == kScreenChoosing && m_pFilter && !m_bWorkerRunning)
        ShowGroup(m_nCurGroup);
    else
        m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
    Redraw(false);
}

// Browse

void OPageView4::OnBrowse() {
    std::wstring preselect;
    GetDefaultDestFolder(&preselect);
    std::wstring title = LoadTextOrEmpty(IDS_SELECT_FOLDER);
    BROWSEINFOW bi{};
    bi.hwndOwner = m_hWnd;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    bi.lParam = LPARAM(preselect.c_str());
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi)) {
        wchar_t path[MAX_PATH] = L"";
        if (::SHGetPathFromIDListW(pidl, path) && path[0]) {
            m_strDestFolder = path;
            SetDestFolderSetting(m_strDestFolder);
            m_editPath.SetWindowText(m_strDestFolder.c_str());
        }
        ::CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
}

// Workers

bool OPageView4::StartWorker(UINT (*pfnProc)(LPVOID)) {
    if (++m_nWorkerToken == 0) ++m_nWorkerToken;
    m_pJob->hWnd = m_hWnd;
    m_pJob->nToken = m_nWorkerToken;
    m_pJob->pRunning = &m_bWorkerRunning;
    m_bWorkerRunning = true;
    if (AfxBeginThread(pfnProc, m_pJob.get())) return true;
    // No thread to be had: the work is done here, late but not lost.
    pfnProc(m_pJob.get());
    return false;
}

void OPageView4::WaitForWorker() {
    // The worker uses the main dialog's camera sets: they must outlive it.
    for (int waited = 0; m_bWorkerRunning && waited < 120000; waited += 20) ::Sleep(20);
}

// The end of every worker: it lets go of the page's data first, so the page may start the next
// worker as soon as the report arrives.
void OPageView4::ReportDone(const CWorkerJob* pJob) {
    const HWND hWnd = pJob->hWnd;
    const UINT nToken = pJob->nToken;
    std::atomic<bool>* pRunning = pJob->pRunning;
    pRunning->store(false);
    ::PostMessageW(hWnd, UM_STEP_NEXT, WPARAM(nToken), 0);
}

UINT OPageView4::FilterThreadProc(LPVOID pParam) {
    CWorkerJob* pJob = static_cast<CWorkerJob*>(pParam);
    pJob->pFilter->FindDuplicateGroups();
    ReportDone(pJob);
    return 0;
}

UINT OPageView4::ConvertThreadProc(LPVOID pParam) {
    CWorkerJob* pJob = static_cast<CWorkerJob*>(pParam);
    // The main dialog makes the History folder at start; it may have gone since.
    kovra::CreateFolder(pJob->strFolder + L"\\History");
    pJob->strWorkbook =
        BuildConversionWorkbook(pJob->strFolder, pJob->pSets[0], pJob->pSets[1], pJob->pSets[2]);
    ReportDone(pJob);
    return 0;
}

// The screens

void OPageView4::OnConvert() {
    if (m_nScreen != kScreenSettings) return;
    if (m_bWorkerRunning) {
        // A conversion given up on by a restart is still writing: wait for it to end.
        ::MessageBeep(MB_OK);
        return;
    }
    m_bNoDuplicates = false;
    m_bSuccess = true;
    m_nFailure = kFailNone;
    m_nScreen = kScreenFiltering;
    SetStatus(IDS_FILTERING);
    ShowControl(m_cmbModel, false);
    ShowControl(m_editPath, false);
    ShowControl(m_btnBrowse, false);
    EnableControl(m_btnBack, false);
    EnableControl(m_btnConvert, false);
    Redraw(true);

    m_lstDuplicates.DeleteAllItems();
    m_pFilter.reset(
        new CDuplicateFilter(m_pBaseSet, m_pPartnerSet, m_pCustomSet, &m_lstDuplicates));
    ApplyLabels();
    m_pJob.reset(new CWorkerJob);
    m_pJob->pFilter = m_pFilter.get();
    StartWorker(FilterThreadProc);
}

void OPageView4::OnStepNext(WPARAM wParam) {
    if (wParam != 0) {
        // A worker's report; one from a worker the page has given up on changes nothing.
        if (wParam != m_nWorkerToken) return;
        if (m_nScreen == kScreenFiltering)
            OnFilterDone();
        else if (m_nScreen == kScreenConverting && !m_bConverterStarted)
            OnWorkbookBuilt();
        return;
    }
    if (m_nScreen == kScreenResult) FinishConversion();
}

void OPageView4::OnFilterDone() {
    m_pFilter->FillList();
    m_nGroupCount = m_pFilter->GetGroupCount();
    m_bNoDuplicates = m_pFilter->GetDuplicateCount() == 0;
    FillSourceList();
    if (m_bNoDuplicates)
        StartConversion();
    else
        ShowDuplicates();
}

bool OPageView4::ShowGroup(int nGroup) {
    CDuplicateGroupView view;
    if (!m_pFilter || !m_pFilter->ShowDuplicateGroup(nGroup, &view)) return false;
    m_strStatus = view.m_strStatus;
    m_strLocation = view.m_strHeading;
    int checked = -1;
    for (int i = 0; i < kRows; ++i) {
        OCameraRow& row = m_rows[i];
        const bool bShown = i < view.m_nRowCount;
        if (bShown) {
            row.m_strCell[0] = view.m_rows[i].m_strSource;
            for (int c = 0; c < 4; ++c) row.m_strCell[c + 1] = view.m_rows[i].m_strValue[c];
            if (row.m_bChecked && checked < 0) checked = i;
        }
        ShowControl(row, bShown);
    }
    // The choice stays where it was unless that row has no camera now.
    if (checked < 0) OnRowClicked(IDC_ROW_FIRST);
    for (OCameraRow& row : m_rows)
        if (row.m_hWnd) row.Invalidate(FALSE);
    return true;
}

void OPageView4::ShowDuplicates() {
    m_nScreen = kScreenChoosing;
    SetStatus(IDS_SAME_PLACE);
    m_nCurGroup = 0;
    m_bGroupMode = !m_bAlwaysSelect;
    if (!ShowGroup(0)) ::MessageBeep(MB_OK);
    for (OCameraRow& row : m_rows) row.m_bEnabled = m_bAlwaysSelect ? FALSE : TRUE;
    ShowControl(m_cmbSource, true);
    EnableControl(m_cmbSource, m_bAlwaysSelect);
    ShowControl(m_chkAlwaysSelect, true);
    EnableControl(m_btnBack, true);
    ShowControl(m_btnBack, true);
    SetButtonText(m_btnNextSet, m_bGroupMode && m_nGroupCount > 1 ? IDS_NEXT_SET : IDS_NEXT);
    ShowControl(m_btnNextSet, true);
    Redraw(false);
}

void OPageView4::OnRowClicked(UINT nId) {
    for (int i = 0; i < kRows; ++i) {
        OCameraRow& row = m_rows[i];
        row.m_bChecked = UINT(IDC_ROW_FIRST + i) == nId ? TRUE : FALSE;
        if (row.m_hWnd) row.Invalidate(FALSE);
    }
}

void OPageView4::OnAlwaysSelect(bool bChecked) {
    m_bAlwaysSelect = bChecked;
    EnableControl(m_cmbSource, bChecked);
    for (OCameraRow& row : m_rows) {
        row.m_bEnabled = bChecked ? FALSE : TRUE;
        if (row.m_hWnd) row.Invalidate(FALSE);
    }
    m_bGroupMode = !bChecked;
    const bool bLastGroup = m_nCurGroup + 1 >= m_nGroupCount;
    SetButtonText(m_btnNextSet, bChecked || bLastGroup ? IDS_NEXT : IDS_NEXT_SET);
}

void OPageView4::OnNextSet() {
    if (m_nScreen == kScreenResult) {
        PostMessage(UM_STEP_NEXT);
        return;
    }
    if (m_nScreen != kScreenChoosing || !m_pFilter) return;
    if (m_chkAlwaysSelect.m_bChecked) {
        const int sel = m_cmbSource.GetCurSel();
        const int source = sel >= 0 ? int(m_cmbSource.GetItemData(sel)) : -1;
        m_pFilter->KeepSourceForAll(source, m_nCurGroup);
        m_nCurGroup = std::max(m_nGroupCount - 1, 0);
        m_bGroupMode = false;
    } else if (m_bGroupMode) {
        int chosen = 0;
        for (int i = 0; i < kRows; ++i)
            if (m_rows[i].m_bChecked) {
                chosen = i;
                break;
            }
        if (m_nCurGroup < m_nGroupCount) m_pFilter->KeepChosenCamera(chosen);
        ++m_nCurGroup;
        // A group with nothing left to choose from is passed over.
        while (m_nCurGroup < m_nGroupCount && !ShowGroup(m_nCurGroup)) ++m_nCurGroup;
        if (m_nCurGroup < m_nGroupCount) {
            if (m_nCurGroup + 1 == m_nGroupCount) SetButtonText(m_btnNextSet, IDS_NEXT);
            Redraw(false);
        } else {
            m_bGroupMode = false;
            SetButtonText(m_btnNextSet, IDS_NEXT);
        }
    }
    if (!m_bGroupMode) {
        for (OCameraRow& row : m_rows) ShowControl(row, false);
        ShowControl(m_cmbSource, false);
        ShowControl(m_chkAlwaysSelect, false);
        StartConversion();
    }
}

void OPageView4::StartConversion() {
    m_nScreen = kScreenConverting;
    SetStatus(IDS_CONVERTING);
    // Nothing on this screen may start a second conversion while the first runs.
    for (CWnd* wnd : {static_cast<CWnd*>(&m_btnBack), static_cast<CWnd*>(&m_btnConvert),
                      static_cast<CWnd*>(&m_btnNextSet)}) {
        EnableControl(*wnd, false);
        ShowControl(*wnd, false);
    }
    Redraw(true);

    const std::wstring folder = ProgramFolder();
    CModelSettings model;
    GetModelSettings(folder + L"\\Setting.ini", folder, m_cmbModel.GetCurSel() + 1, &model);
    m_strConvertExe = model.m_strConvertExe;
    m_strSuccessLog = model.m_strSuccessLog;
    m_strErrorLog = model.m_strErrorLog;
    m_strRawFile = model.m_strRawFile;

    ShowWaitCursor(true);
    m_bConverterStarted = false;
    m_strWorkbook.clear();
    m_pJob.reset(new CWorkerJob);
    m_pJob->strFolder = folder;
    m_pJob->pSets[0] = m_pBaseSet;
    m_pJob->pSets[1] = m_pPartnerSet;
    m_pJob->pSets[2] = m_pCustomSet;
    StartWorker(ConvertThreadProc);
}

void OPageView4::OnWorkbookBuilt() {
    m_strWorkbook = m_pJob->strWorkbook;
    if (m_strWorkbook.empty()) {
        Fail(kFailWorkbook);
        return;
    }
    // A folder or a missing file would be "opened" by the shell, or fail without a word.
    if (!IsFile(m_strConvertExe)) {
        Fail(kFailStart);
        return;
    }
    const std::wstring parameters = L"\"" + m_strWorkbook + L"\"";
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    sei.hwnd = ::GetParent(m_hWnd);
    sei.lpFile = m_strConvertExe.c_str();
    sei.lpParameters = parameters.c_str();
    sei.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&sei)) {
        Fail(kFailStart);
        return;
    }
    m_bConverterStarted = true;
    m_hConverter.Reset(sei.hProcess);
    m_dwConverterProcessId = sei.hProcess ? ::GetProcessId(sei.hProcess) : 0;
    m_dwWaitStart = ::GetTickCount();
    m_dwExitSeen = 0;
    SetTimer(kAnswerTimer, kAnswerPoll);
}

void OPageView4::OnConvertResult(WPARAM wParam) {
    // Only the converter this page started and waits for may answer.
    if (m_nScreen != kScreenConverting || !m_bConverterStarted) return;
    StopWaiting();
    m_bSuccess = wParam == 1;
    m_nFailure = m_bSuccess ? kFailNone : kFailConverterErrors;
    ShowResult();
}

void OPageView4::OnAnswerTimer() {
    if (m_nScreen != kScreenConverting || !m_bConverterStarted) {
        KillTimer(kAnswerTimer);
        return;
    }
    const DWORD now = ::GetTickCount();
    if (m_hConverter && ::WaitForSingleObject(m_hConverter, 0) == WAIT_OBJECT_0) {
        // Its message is sent before it ends, but comes here by way of the main dialog.
        if (!m_dwExitSeen)
            m_dwExitSeen = now | 1;
        else if (now - m_dwExitSeen >= kExitGrace) {
            Fail(kFailNoAnswer);
            return;
        }
    }
    if (now - m_dwWaitStart >= m_nAnswerTimeout) Fail(kFailNoAnswer);
}

void OPageView4::StopWaiting() {
    if (m_hWnd) KillTimer(kAnswerTimer);
    m_bConverterStarted = false;
    m_hConverter.Reset();
    ShowWaitCursor(false);
}

void OPageView4::Fail(Failure failure) {
    StopWaiting();
    m_bSuccess = false;
    m_nFailure = failure;
    ShowResult();
}

void OPageView4::ShowResult() {
    m_nScreen = kScreenResult;
    ShowControl(m_editLog, false);
    if (m_bSuccess) {
        SetStatus(IDS_CONVERSION_COMPLETE);
        EnableControl(m_btnNextSet, true);
        ShowControl(m_btnNextSet, true);
        Redraw(false);
        PostMessage(UM_STEP_NEXT);
        return;
    }
    SetStatus(FailureStatusId(m_nFailure));
    ShowControl(m_btnNextSet, false);
    ShowControl(m_btnTryAgain, true);
    EnableControl(m_btnTryAgain, true);
    m_btnTryAgain.SetFocus();
    if (m_nFailure == kFailConverterErrors) ShowErrorLog();
    Redraw(false);
}

void OPageView4::ShowErrorLog() {
    std::vector<uint8_t> bytes;
    // A log that cannot be read is said in the view, not left as an empty or hidden one.
    if (kovra::ReadWholeFile(m_strErrorLog, bytes, kMaxLogBytes))
        m_editLog.SetWindowText(LogText(bytes).c_str());
    else
        m_editLog.SetWindowText(FormatText(LoadTextOrEmpty(IDS_LOG_UNREADABLE), {m_strErrorLog}).c_str());
    ShowControl(m_editLog, true);
}

void OPageView4::FinishConversion() {
    if (!m_bSuccess) return;
    std::wstring name;
    GetFileNameFromPath(m_strRawFile, name);
    std::wstring dest = m_strDestFolder;
    if (!dest.empty() && dest.back() != L'\\' && dest.back() != L'/') dest += L'\\';
    dest += name;
    // The destination may be the converter's own folder: then the file is already there.
    const bool bCopied = lstrcmpiW(dest.c_str(), m_strRawFile.c_str()) == 0
                             ? IsFile(dest)
                             : ::CopyFileW(m_strRawFile.c_str(), dest.c_str(), FALSE) != FALSE;
    if (!bCopied) {
        m_bSuccess = false;
        m_nFailure = kFailCopy;
        ShowResult();
        return;
    }
    m_nScreen = kScreenDone;
    SetStatus(kStatusDone);
    Redraw(true);
    ShowControl(m_btnNextSet, false);
    ShowControl(m_btnOpenFolder, true);
    m_btnOpenFolder.SetFocus();
    ShowControl(m_editLog, false);
    ShowControl(m_btnBack, false);
    ShowControl(m_btnConvert, false);
}

void OPageView4::OnOpenFolder() {
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_FLAG_NO_UI;
    sei.hwnd = ::GetParent(m_hWnd);
    sei.lpVerb = L"open";
    sei.lpFile = m_strDestFolder.c_str();
    sei.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&sei);
}

// Painting

void OPageView4::OnPaint() {
    CPaintDC paint(m_hWnd);
    RECT rcClient;
    GetClientRect(&rcClient);
    skin::COffscreen buffer(paint, rcClient.right, rcClient.bottom);
    const HDC dc = buffer.IsValid() ? HDC(buffer) : HDC(paint);
    if (m_bmpBack) DrawBitmapAt(m_bmpBack, dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kWhite);
    auto draw = [dc](const std::wstring& text, RECT rect, UINT format) {
        ::DrawTextW(dc, text.c_str(), -1, &rect, format | DT_NOPREFIX);
    };
    const UINT kOneLine = DT_SINGLELINE | DT_VCENTER;
    const UINT kStatusLine = DT_SINGLELINE | DT_TOP | DT_END_ELLIPSIS;

    if (m_nScreen != kScreenChoosing) {
        CSelectObject font(dc, m_fontTitle);
        draw(m_strTitle, kTitleRect, kOneLine);
    }
    CSelectObject font(dc, m_fontText);
    switch (m_nScreen) {
        case kScreenSettings:
            if (m_strStatus.empty() || m_strStatus.size() > kMaxStatusLength)
                SetStatus(IDS_CONVERT_INTRO);
            draw(m_strStatus, kStatusRect, DT_WORDBREAK);
            draw(LoadTextOrEmpty(IDS_MODEL_LABEL), kModelLabelRect, kOneLine);
            draw(LoadTextOrEmpty(IDS_DEST_FOLDER_LABEL), kFolderLabelRect, kOneLine);
            break;
        case kScreenFiltering:
        case kScreenConverting:
            draw(m_strStatus, kStatusRect, kStatusLine);
            break;
        case kScreenChoosing: {
            draw(m_strStatus, kChoiceStatusRect, DT_WORDBREAK);
            if (m_pCaptionImage)
                skin::DrawImage(dc, m_pCaptionImage.get(), kCaptionImageAt.x, kCaptionImageAt.y);
            CSelectObject captionFont(dc, m_fontCaption);
            for (int c = 0; c < OCameraRow::kColumns; ++c) {
                const std::wstring caption = LoadTextOrEmpty(kColumnCaptionIds[c]);
                const RECT cell = kColumnCaptionRects[c];
                RECT measure = cell;
                ::DrawTextW(dc, caption.c_str(), -1, &measure,
                            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
                if (measure.right - measure.left <= cell.right - cell.left) {
                    draw(caption, cell, DT_CENTER | kOneLine);
                    continue;
                }
                // Too wide for one line: wrapped, and the lines centred in the cell.
                measure = cell;
                ::DrawTextW(dc, caption.c_str(), -1, &measure,
                            DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
                RECT rect = cell;
                const int height = measure.bottom - measure.top;
                if (height < cell.bottom - cell.top)
                    rect.top += (cell.bottom - cell.top - height) / 2;
                draw(caption, rect, DT_WORDBREAK | DT_CENTER);
            }
            ::SelectObject(dc, m_fontText);
            draw(m_strLocation, kLocationRect, DT_WORDBREAK);
            break;
        }
        case kScreenResult: {
            if (!m_bSuccess) ::SetTextColor(dc, kRed);
            RECT rect = kStatusRect;
            // The status wraps above the log view, never into it.
            if (m_editLog.m_hWnd && m_editLog.IsWindowVisible()) rect.bottom = kLogRect.top - 1;
            draw(m_strStatus, rect, DT_WORDBREAK | DT_END_ELLIPSIS);
            break;
        }
        case kScreenDone:
            draw(m_strStatus, kDoneStatusRect, DT_WORDBREAK);
            break;
    }
    if (buffer.IsValid()) buffer.Flush();
}

// Messages

BOOL OPageView4::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CWnd::OnCommand(wParam, lParam);
    const HWND hParent = ::GetParent(m_hWnd);
    switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            if (m_nScreen == kScreenSettings) OnBrowse();
            return TRUE;
        case IDC_CONVERT:
            OnConvert();
            return TRUE;
        case IDC_NEXT_SET:
            OnNextSet();
            return TRUE;
        case IDC_BACK:
            if (m_nScreen != kScreenSettings && m_nScreen != kScreenChoosing) return TRUE;
            // Going back resets the step before, which deletes records the groups point at:
            // the choice starts afresh when the user comes back.
            if (m_nScreen == kScreenChoosing) ResetPage();
            ::PostMessageW(hParent, UM_STEP_BACK, 0, 0);
            return TRUE;
        case IDC_TRY_AGAIN:
            if (m_nScreen == kScreenResult && !m_bSuccess)
                ::PostMessageW(hParent, UM_STEP_BACK, WPARAM(-1), 0);
            return TRUE;
        case IDC_OPEN_FOLDER:
            if (m_nScreen == kScreenDone) OnOpenFolder();
            return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT OPageView4::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_SETCURSOR:
            if (m_bWaitCursor) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_TIMER:
            if (wParam == kAnswerTimer) {
                OnAnswerTimer();
                return 0;
            }
            break;
        case WM_DESTROY:
            WaitForWorker();
            StopWaiting();
            break;
        case UM_RADIO_CLICKED:
            if (wParam >= IDC_ROW_FIRST && wParam < IDC_ROW_FIRST + kRows)
                OnRowClicked(UINT(wParam));
            return 0;
        case UM_CHECK_CLICKED:
            if (wParam == IDC_ALWAYS_SELECT) OnAlwaysSelect(lParam != 0);
            return 0;
        case UM_STEP_NEXT:
            OnStepNext(wParam);
            return 0;
        case UM_CONVERT_RESULT:
            OnConvertResult(wParam);
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
