// The convert page of step 4: the session's screens, the workers, the converter and painting.
#include "wizard/page_view4.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "app/helpers.h"
#include "app/texts.h"
#include "base/file_io.h"
#include "base/test_point.h"
#include "base/window_messages.h"
#include "camdata/config.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "resources/skin_ids.h"
#include "skin/skin_draw.h"
#include "wizard/convert_presenter.h"
#include "wizard/message_box.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);

const RECT kRowRects[OPageView4::kRows] = {kLayoutCameraRow1, kLayoutCameraRow2, kLayoutCameraRow3};

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

const int kMaxStatusLength = 1000;
// A converter that has ended gets this long for its message to come through the main dialog.
const UINT kExitGrace = 2000;
// Posted by the watch on the converter when its process has ended; wParam: the watch's token.
const UINT UM_CONVERTER_ENDED = WM_APP + 3;
// Logs larger than this are not shown (the converter writes one line per camera at most).
const uint64_t kMaxLogBytes = 32u << 20;


std::wstring DoneText() {
    std::wstring text;
    for (UINT id = IDS_DONE_NOTE1; id <= IDS_DONE_NOTE5; ++id) text += LoadTextOrEmpty(id);
    return text;
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

// Starts the model's converter with the shell, keeping its process for the watch.
class OPageView4::CShellLauncher : public IConverterLauncher {
public:
    explicit CShellLauncher(HWND hWndOwner) : m_hWndOwner(hWndOwner) {}
    bool Start(const std::wstring& exe, const std::wstring& workbook) override {
        // A folder or a missing file would be "opened" by the shell, or fail without a word.
        if (!IsFile(exe)) return false;
        const std::wstring parameters = L"\"" + workbook + L"\"";
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
        sei.hwnd = m_hWndOwner;
        sei.lpFile = exe.c_str();
        sei.lpParameters = parameters.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExW(&sei)) return false;
        m_hProcess.Reset(sei.hProcess);
        return true;
    }
    HWND m_hWndOwner;
    ScopedKernelHandle m_hProcess;  // null when the shell gave none
};

OPageView4::OPageView4() {
    m_fontTitle = skin::CreateFont(L"Arial", 24, FW_BOLD);
    m_fontText = skin::CreateFont(L"Arial", 18, FW_NORMAL);
    m_fontLog = skin::CreateFont(L"Courier New", 15, FW_NORMAL);
    m_fontCaption = skin::CreateFont(L"Arial", 16, FW_NORMAL);
    m_strTitle = std::wstring(LoadTextOrEmpty(IDS_STEP4)) + L" - " + LoadTextOrEmpty(IDS_STEP4_TITLE);
    m_strStatus = LoadTextOrEmpty(IDS_CONVERT_INTRO);
    m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
}

OPageView4::~OPageView4() { StopWork(); }

void OPageView4::StopWork() {
    StopWatching();
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
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kArtPageBackground)));
    m_pCaptionImage = LoadPngImage(kArtConvertCaptions);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    m_cmbModel.Create(child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, kLayoutModelList, this,
                      IDC_MODEL_LIST);
    m_cmbModel.SetFont(m_fontText);
    FillModelList();

    // Read-only: only the folder browser chooses the folder, so the field never shows one
    // that the conversion would not use.
    m_editPath.Create(child | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, kLayoutDestPath, this, IDC_PATH);
    m_editPath.SetFont(m_fontText);
    if (m_pSession) {
        if (m_pSession->DestFolder().empty()) {
            std::wstring folder;
            GetDefaultDestFolder(&folder);
            m_pSession->ChooseDestFolder(folder, false);
        }
        m_editPath.SetWindowText(m_pSession->DestFolder().c_str());
        m_pLauncher.reset(new CShellLauncher(::GetParent(m_hWnd)));
        m_pSession->SetLauncher(m_pLauncher.get());
    }

    auto button = [this](OBitmapButton& b, const RECT& rc, UINT id, WORD firstImage, bool bShow) {
        b.Create(L"", WS_CHILD | (bShow ? WS_VISIBLE : 0) | BS_OWNERDRAW, rc, this, id);
        b.SetImages(firstImage, WORD(firstImage + 1), WORD(firstImage + 2), WORD(firstImage + 3));
        b.m_crText = kWhite;
    };
    button(m_btnBrowse, kLayoutDestBrowse, IDC_BROWSE, kArtBrowseButton, true);
    m_btnBrowse.SetTextFont(14);
    button(m_btnConvert, kLayoutConvert, IDC_CONVERT, kArtPrimaryButton, true);
    button(m_btnBack, kLayoutConvertBack, IDC_BACK, kArtSecondaryButton, true);

    m_chkAlwaysSelect.Create(kLayoutAlwaysSelect, this, IDC_ALWAYS_SELECT, WS_CHILD);
    m_chkAlwaysSelect.m_rcWindow = kLayoutAlwaysSelect;
    m_chkAlwaysSelect.LoadImages();
    m_chkAlwaysSelect.SetTextFont();

    m_cmbSource.Create(WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, kLayoutSourceList, this,
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

    button(m_btnNextSet, kLayoutNextSet, IDC_NEXT_SET, kArtPrimaryButton, false);
    // The converter lays its log out in columns of blanks: a fixed-pitch font and no wrapping
    // keep them lined up.
    m_editLog.Create(WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                         ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                     kLayoutLog, this, IDC_LOG);
    m_editLog.SetFont(m_fontLog);
    m_editLog.SetLimitText(0);
    button(m_btnTryAgain, kLayoutTryAgain, IDC_TRY_AGAIN, kArtWidePrimaryButton, false);
    button(m_btnOpenFolder, kLayoutOpenFolder, IDC_OPEN_FOLDER, kArtWidePrimaryButton, false);
    button(m_btnShowMap, kLayoutShowOnMap, IDC_SHOW_MAP, kArtWidePrimaryButton, false);

    ReloadTexts();
    return true;
}

void OPageView4::FillModelList() {
    m_cmbModel.ResetContent();
    for (const std::wstring& name : ModelNames(ProgramFolder()))
        m_cmbModel.AddString(name.c_str());
    m_cmbModel.SetCurSel(0);
}

void OPageView4::FillSourceList() {
    if (!m_cmbSource.m_hWnd) return;
    const int keep = m_cmbSource.GetCurSel();
    std::vector<int> sources;
    CDuplicateFilter* filter = m_pSession ? m_pSession->Filter() : nullptr;
    if (filter && filter->GetDuplicateCount() > 0) sources = filter->GetPresentSources();
    if (sources.empty()) sources = {SourceBase, SourcePartner, SourceCustom};
    m_cmbSource.ResetContent();
    for (int s : sources) {
        const int index = m_cmbSource.AddString(LoadTextOrEmpty(UINT(IDS_SOURCE_STEP1 + s)));
        m_cmbSource.SetItemData(index, DWORD_PTR(s));
    }
    m_cmbSource.SetCurSel(keep >= 0 && keep < m_cmbSource.GetCount() ? keep : 0);
}

// The group texts in the language in force.
CDuplicateLabels OPageView4::Labels() {
    CDuplicateLabels labels;
    labels.m_strStatus = LoadTextOrEmpty(IDS_SAME_PLACE);
    labels.m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
    labels.m_strSet = LoadTextOrEmpty(IDS_DUPLICATE_SET);
    for (int s = 0; s < 3; ++s) labels.m_strSource[s] = LoadTextOrEmpty(UINT(IDS_SOURCE_STEP1 + s));
    return labels;
}

// Shows the session's screen: status, which controls are there and which take clicks.
void OPageView4::ShowView() {
    if (!m_pSession) return;
    const ConvertView v = PresentConvert(*m_pSession);
    m_strStatus = v.statusId == kStatusDone ? DoneText() : std::wstring(LoadTextOrEmpty(v.statusId));
    if (v.screen != ConversionSession::kChoosing) m_strLocation = LoadTextOrEmpty(IDS_LOCATION);
    ShowWaitCursor(v.waitCursor);
    if (!m_hWnd) return;
    m_cmbModel.Show(v.settings);
    m_editPath.Show(v.settings || v.browseAgain);
    m_btnBrowse.Show(v.settings || v.browseAgain);
    m_btnConvert.Show(v.convert);
    m_btnConvert.Enable(v.convertEnabled);
    m_btnBack.Show(v.back);
    m_btnBack.Enable(v.backEnabled);
    m_chkAlwaysSelect.Show(v.choice);
    m_cmbSource.Show(v.choice);
    m_cmbSource.Enable(v.sourceEnabled);
    for (OCameraRow& row : m_rows) {
        row.m_bEnabled = v.rowsEnabled ? TRUE : FALSE;
        if (!v.choice) row.Show(false);
        if (row.m_hWnd) row.Invalidate(FALSE);
    }
    if (v.choice) ShowGroup();
    SetButtonText(m_btnNextSet, v.nextTextId);
    m_btnNextSet.Show(v.next);
    m_btnNextSet.Enable(v.next);
    m_btnTryAgain.Show(v.tryAgain);
    m_btnTryAgain.Enable(v.tryAgain);
    m_btnOpenFolder.Show(v.openFolder);
    m_btnShowMap.Show(v.showOnMap);
    if (v.log) ShowErrorLog();
    m_editLog.Show(v.log);
    if (v.tryAgain) m_btnTryAgain.SetFocus();
    if (v.openFolder) m_btnOpenFolder.SetFocus();
    Redraw(false);
}

void OPageView4::ShowGroup() {
    CDuplicateGroupView view;
    if (!m_pSession->ShowGroup(Labels(), &view)) return;
    m_strStatus = view.m_strStatus;
    m_strLocation = view.m_strHeading;
    for (int i = 0; i < kRows; ++i) {
        OCameraRow& row = m_rows[i];
        const bool bShown = i < view.m_nRowCount;
        if (bShown) {
            row.m_strCell[0] = view.m_rows[i].m_strSource;
            for (int c = 0; c < 4; ++c) row.m_strCell[c + 1] = view.m_rows[i].m_strValue[c];
        }
        row.m_bChecked = i == m_pSession->ConvertStateOf().chosenRow ? TRUE : FALSE;
        row.Show(bShown);
        if (row.m_hWnd) row.Invalidate(FALSE);
    }
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
    StopWatching();
    if (!m_pSession) return;
    // The choice keeps no records of the sets once the steps before may change them.
    m_pSession->ResetConvert();
    if (m_hWnd) m_editLog.SetWindowText(L"");
    FillSourceList();
    ShowView();
}

void OPageView4::ReloadTexts() {
    m_strTitle = std::wstring(LoadTextOrEmpty(IDS_STEP4)) + L" - " + LoadTextOrEmpty(IDS_STEP4_TITLE);
    SetButtonText(m_btnBrowse, IDS_BROWSE);
    SetButtonText(m_btnConvert, IDS_CONVERT);
    SetButtonText(m_btnBack, IDS_BACK);
    SetButtonText(m_btnTryAgain, IDS_TRY_AGAIN);
    SetButtonText(m_btnOpenFolder, IDS_OPEN_FOLDER);
    SetButtonText(m_btnShowMap, IDS_SHOW_ON_MAP);
    if (m_chkAlwaysSelect.m_hWnd) {
        m_chkAlwaysSelect.SetText(LoadTextOrEmpty(IDS_ALWAYS_SELECT));
        m_chkAlwaysSelect.Invalidate(FALSE);
    }
    FillSourceList();
    ShowView();
}

// Browse

bool OPageView4::BrowseFolder() {
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
    bool chosen = false;
    if (PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi)) {
        wchar_t path[MAX_PATH] = L"";
        if (::SHGetPathFromIDListW(pidl, path) && path[0]) {
            m_pSession->ChooseDestFolder(path, true);
            m_editPath.SetWindowText(path);
            chosen = true;
        }
        ::CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
    return chosen;
}

// The conversion

void OPageView4::OnConvert() {
    if (!m_pSession || m_pSession->IsBusy()) {
        // A conversion given up on by a restart is still writing: wait for it to end.
        ::MessageBeep(MB_OK);
        return;
    }
    ConverterFiles files;
    ModelConverter(ProgramFolder(), m_cmbModel.GetCurSel() + 1, &files);
    m_pSession->ChooseConverter(files);
    if (m_hWnd) m_editLog.SetWindowText(L"");
    m_pSession->Convert();
}

void OPageView4::OnConvertChanged() {
    if (!m_pSession) return;
    const ConversionSession::Screen screen = m_pSession->GetScreen();
    const bool moved = screen != m_shownScreen;
    m_shownScreen = screen;
    if (moved && screen == ConversionSession::kChoosing) {
        FillSourceList();
        if (!m_pSession->ShowGroup(Labels(), nullptr)) ::MessageBeep(MB_OK);
    }
    const unsigned run = m_pSession->ConverterRun();
    if (run != 0 && run != m_nRun) Watch(run);
    if (run == 0 && m_nRun != 0 && !m_pSession->IsWaitingForConverter()) StopWatching();
    ShowView();
    // A new screen is painted before the work it announces goes on.
    if (moved) Redraw(true);
}

void OPageView4::OnRowClicked(UINT nId) {
    if (!m_pSession) return;
    m_pSession->ChooseRow(int(nId - IDC_ROW_FIRST));
    for (int i = 0; i < kRows; ++i) {
        OCameraRow& row = m_rows[i];
        row.m_bChecked = UINT(IDC_ROW_FIRST + i) == nId ? TRUE : FALSE;
        if (row.m_hWnd) row.Invalidate(FALSE);
    }
}

void OPageView4::OnNextSet() {
    if (!m_pSession) return;
    const int sel = m_cmbSource.GetCurSel();
    const int source = sel >= 0 ? int(m_cmbSource.GetItemData(sel)) : -1;
    m_pSession->NextSet(source);
}

// The converter the session has just started runs as long as its process: a worker tells when
// it has ended.
void OPageView4::Watch(unsigned run) {
    StopWatching();
    m_nRun = run;
    const HANDLE hProcess = m_pLauncher ? HANDLE(m_pLauncher->m_hProcess) : nullptr;
    m_dwConverterProcessId = hProcess ? ::GetProcessId(hProcess) : 0;
    if (!hProcess) return;
    m_hStopWatching.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hStopWatching) return;
    if (++m_nWatchToken == 0) ++m_nWatchToken;
    const HANDLE handles[2] = {hProcess, m_hStopWatching};
    const HWND hWnd = m_hWnd;
    const UINT token = m_nWatchToken;
    m_watcher.Start([handles, hWnd, token] {
        if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
            ::PostMessageW(hWnd, UM_CONVERTER_ENDED, WPARAM(token), 0);
    });
}

void OPageView4::StopWatching() {
    if (m_hStopWatching) ::SetEvent(m_hStopWatching);
    m_watcher.Join(INFINITE);
    m_hStopWatching.Reset();
    if (m_hWnd) KillTimer(kGraceTimer);
    m_nRun = 0;
}

void OPageView4::OnConverterEnded(WPARAM wParam) {
    if (wParam != m_nWatchToken || !m_pSession->IsWaitingForConverter()) return;
    // Its answer is sent before it ends, but comes here by way of the main dialog.
    SetTimer(kGraceTimer, kExitGrace);
}

void OPageView4::ShowErrorLog() {
    std::vector<uint8_t> bytes;
    const std::wstring& path = m_pSession->Converter().errorLog;
    // A log that cannot be read is said in the view, not left as an empty or hidden one.
    if (m_pSession->ReadErrorLog(&bytes, kMaxLogBytes))
        m_editLog.SetWindowText(LogText(bytes).c_str());
    else
        m_editLog.SetWindowText(FormatText(LoadTextOrEmpty(IDS_LOG_UNREADABLE), {path}).c_str());
}

void OPageView4::OnOpenFolder() { OpenWithShell(::GetParent(m_hWnd), m_pSession->DestFolder()); }

// Opens the cameras just copied as a map in the program registered for KML files; without one,
// says where the file is.
void OPageView4::OnShowMap() {
    const std::wstring kml = m_pSession->WriteMap();
    if (kml.empty()) {
        ShowMessage(FormatText(LoadTextOrEmpty(IDS_MAP_FAILED), {m_pSession->CopiedFile()}).c_str(), nullptr,
                    kMessageBoxOK, FALSE);
        return;
    }
    if (!OpenWithShell(::GetParent(m_hWnd), kml))
        ShowMessage(FormatText(LoadTextOrEmpty(IDS_MAP_SAVED), {kml}).c_str(), nullptr, kMessageBoxOK, FALSE);
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

    const ConversionSession::Screen screen = m_pSession ? m_pSession->GetScreen() : ConversionSession::kSettings;
    if (screen != ConversionSession::kChoosing) {
        CSelectObject font(dc, m_fontTitle);
        draw(m_strTitle, kTitleRect, kOneLine);
    }
    CSelectObject font(dc, m_fontText);
    switch (screen) {
        case ConversionSession::kSettings:
            if (m_strStatus.empty() || m_strStatus.size() > kMaxStatusLength)
                m_strStatus = LoadTextOrEmpty(IDS_CONVERT_INTRO);
            draw(m_strStatus, kStatusRect, DT_WORDBREAK);
            draw(LoadTextOrEmpty(IDS_MODEL_LABEL), kModelLabelRect, kOneLine);
            draw(LoadTextOrEmpty(IDS_DEST_FOLDER_LABEL), kFolderLabelRect, kOneLine);
            break;
        case ConversionSession::kFiltering:
        case ConversionSession::kConverting:
            draw(m_strStatus, kStatusRect, kStatusLine);
            break;
        case ConversionSession::kChoosing: {
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
        case ConversionSession::kResult: {
            if (m_pSession->GetFailure() != ConversionSession::kFailNone) ::SetTextColor(dc, kRed);
            RECT rect = kStatusRect;
            // The status wraps above the log view, never into it.
            if (m_editLog.m_hWnd && m_editLog.IsWindowVisible()) rect.bottom = kLayoutLog.top - 1;
            draw(m_strStatus, rect, DT_WORDBREAK | DT_END_ELLIPSIS);
            break;
        }
        case ConversionSession::kDone:
            draw(m_strStatus, kDoneStatusRect, DT_WORDBREAK);
            break;
    }
    if (buffer.IsValid()) buffer.Flush();
}

// Messages

BOOL OPageView4::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED || !m_pSession) return CWnd::OnCommand(wParam, lParam);
    const HWND hParent = ::GetParent(m_hWnd);
    const ConvertView v = PresentConvert(*m_pSession);
    switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            if (v.settings) {
                BrowseFolder();
            } else if (v.browseAgain && BrowseFolder()) {
                // The same device file again, into the folder just chosen.
                m_pSession->CopyAgain(m_pSession->DestFolder());
            }
            return TRUE;
        case IDC_CONVERT:
            OnConvert();
            return TRUE;
        case IDC_NEXT_SET:
            OnNextSet();
            return TRUE;
        case IDC_BACK:
            if (!v.back || !v.backEnabled) return TRUE;
            // Going back resets the step before, which deletes records the groups point at:
            // the choice starts afresh when the user comes back. A converter still running is
            // no longer listened to.
            if (v.screen != ConversionSession::kSettings) ResetPage();
            ::PostMessageW(hParent, UM_STEP_BACK, 0, 0);
            return TRUE;
        case IDC_TRY_AGAIN:
            if (v.tryAgain) ::PostMessageW(hParent, UM_STEP_BACK, WPARAM(-1), 0);
            return TRUE;
        case IDC_OPEN_FOLDER:
            if (v.openFolder) OnOpenFolder();
            return TRUE;
        case IDC_SHOW_MAP:
            if (v.showOnMap) OnShowMap();
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
            if (wParam == kGraceTimer) {
                KillTimer(kGraceTimer);
                m_pSession->OnConverterEnded(m_nRun);
                return 0;
            }
            break;
        case WM_DESTROY:
            StopWork();
            break;
        case UM_RADIO_CLICKED:
            if (wParam >= IDC_ROW_FIRST && wParam < IDC_ROW_FIRST + kRows)
                OnRowClicked(UINT(wParam));
            return 0;
        case UM_CHECK_CLICKED:
            if (wParam == IDC_ALWAYS_SELECT && m_pSession) {
                m_pSession->SetAlwaysSelect(lParam != 0);
                ShowView();
            }
            return 0;
        case UM_CONVERT_RESULT:
            // The answer is the run's whose converter is watched: one that has ended and
            // whose grace has passed can answer no more.
            if (m_pSession && m_nRun) m_pSession->OnConverterAnswer(m_nRun, wParam == 1);
            return 0;
        case UM_CONVERTER_ENDED:
            OnConverterEnded(wParam);
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
