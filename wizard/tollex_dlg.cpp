// The wizard's main window: welcome screen, step navigation, language, about and update boxes.
#include "wizard/tollex_dlg.h"

#include <windowsx.h>

#include "app/helpers.h"
#include "app/http_transfer.h"
#include "app/server_url.h"
#include "app/texts.h"
#include "app/update_checker.h"
#include "base/test_point.h"
#include "base/window_messages.h"
#include "framework/gdiplus_header.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "resources/skin_ids.h"
#include "skin/skin_texts.h"
#include "wizard/message_box.h"

namespace {

const int kWidth = 860, kHeight = 600;
const RECT kTitleBar{0, 0, 860, 29};
const RECT kMenuBar{0, 30, 860, 64};
const RECT kStepStrip{0, 65, 860, 151};
const RECT kPageRect{0, 151, 860, 600};
const RECT kHeadingRect{70, 144, 790, 176};
const RECT kWelcomeRect{70, 214, 790, 384};
const POINT kTitleIconAt{6, 7};


// Text id into a fixed caption buffer, cut to fit.
template <size_t N>
void CopyText(wchar_t (&dest)[N], const wchar_t* text) {
    lstrcpynW(dest, text ? text : L"", int(N));
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

CTollexDlg::CTollexDlg(CWnd* pParent)
    : CDialog(IDD_KOVRADESK_DIALOG, pParent), m_pSession(new ConversionSession(GetModuleDir())) {
    // The skinned controls show the texts of the language in force.
    skin::SetTextSource(&LoadText);
    m_hIcon.Reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0,
                                                  0, LR_DEFAULTSIZE)));
    m_fontTitleBar = CreateArialFont(16, FW_NORMAL);
    m_fontHeading = CreateArialFont(24, FW_BOLD);
    m_fontWelcome = CreateArialFont(18, FW_NORMAL);

    // The program's own folders; a failure shows later, where they are used.
    std::wstring folder = GetModuleDir();
    for (const wchar_t* name : {L"\\History", L"\\Template"}) {
        std::wstring path = folder + name;
        if (!PathExists(path.data())) ::CreateDirectoryW(path.c_str(), nullptr);
    }
}

CTollexDlg::~CTollexDlg() { StopWork(); }

std::vector<OMenuItem> CTollexDlg::LanguageMenuItems() {
    const int current = ChooseLanguage();
    // GetLanguageName reuses one buffer: each name is copied before the next is asked for.
    std::vector<OMenuItem> items;
    items.push_back({ID_LANGUAGE_ENGLISH, GetLanguageName(kLanguageEnglish), current == kLanguageEnglish});
    items.push_back({ID_LANGUAGE_RUSSIAN, GetLanguageName(kLanguageRussian), current == kLanguageRussian});
    return items;
}

void CTollexDlg::StopWork() {
    kovra::TestPoint("closing");
    m_wndPage1.StopWork();
    m_wndPage2.StopWork();
    m_wndPage3.StopWork();
    m_wndPage4.StopWork();
    // A read, the duplicate search or the workbook is let finish: they write the user's files.
    m_runner.Finish();
    if (m_updateThread.IsRunning()) {
        CUpdateChecker::GetInstance()->m_bCancel = true;
        // The check ends at its next block; one stuck in the network ends with the process.
        if (!m_updateThread.Join(1000)) m_updateThread.Release();
    }
}

CWnd& CTollexDlg::Page(int i) {
    switch (i) {
        case 0: return m_wndPage1;
        case 1: return m_wndPage2;
        case 2: return m_wndPage3;
        default: return m_wndPage4;
    }
}

BOOL CTollexDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (const wchar_t* about = LoadText(IDS_ABOUTBOX)) {
        if (HMENU menu = GetSystemMenu(FALSE)) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    MoveWindow((::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
               (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight);
    ShowWindow(SW_SHOW);

    m_bmpBack = PngToBitmap(LoadPngImage(kArtDialogBackground));
    m_pTitleIcon = LoadPngImage(kArtTitleIcon);

    m_wndMenu.Create(kMenuBar, this, 0xFFFF);
    m_wndMenu.AddMenu(IDS_MENU_LANGUAGE, LanguageMenuItems);
    m_wndMenu.AddMenu(IDS_MENU_INFO, [] {
        return std::vector<OMenuItem>{{ID_CHECK_UPDATE, LoadTextOrEmpty(IDS_CHECK_UPDATE)},
                                      {ID_ABOUT, LoadTextOrEmpty(IDS_ABOUT)}};
    });

    m_runner.Attach(m_hWnd);
    m_pSession->SetRunner(&m_runner);
    m_pSession->SetObserver(this);

    m_wndSteps.Create(kStepStrip.left, kStepStrip.top, this, IDC_STEP_STRIP, WS_CHILD);
    m_wndSteps.m_nStepCount = 4;
    m_wndSteps.m_nCurStep = 0;
    LoadStripTexts();

    m_wndPage1.SetMode(1, m_pSession.get());
    m_wndPage2.SetMode(2, m_pSession.get());
    m_wndPage3.SetMode(3, m_pSession.get());
    m_wndPage1.Create(kPageRect, this, IDC_PAGE_FIRST);
    m_wndPage2.Create(kPageRect, this, IDC_PAGE_FIRST + 1);
    m_wndPage3.Create(kPageRect, this, IDC_PAGE_FIRST + 2);
    m_wndPage4.m_pSession = m_pSession.get();
    m_wndPage4.Create(kPageRect, this, IDC_PAGE_FIRST + 3);

    const DWORD button = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
    m_btnMinimize.Create(L"", button, kLayoutMinimizeButton, this, IDC_MINIMIZE_BUTTON);
    m_btnMinimize.SetImages(kArtMinimizeButton, kArtMinimizeButton + 1, kArtMinimizeButton + 2, 0);
    m_btnClose.Create(L"", button, kLayoutCloseButton, this, IDC_CLOSE_BUTTON);
    m_btnClose.SetImages(kArtCloseButton, kArtCloseButton + 1, kArtCloseButton + 2, 0);
    m_btnStart.Create(L"", button, kLayoutStartButton, this, IDC_START_BUTTON);
    m_btnStart.SetImages(kArtGhostButton, kArtGhostButton + 1, kArtGhostButton + 2, kArtGhostButton + 3);
    CopyText(m_btnStart.m_szText, LoadText(IDS_START));
    m_btnStart.m_crText = RGB(255, 255, 255);

    WriteTemplate();

    // The converter and a second start find this window by its title, the same text in every
    // language; it is given last so the window is found only when it is ready.
    SetWindowText(KOVRA_WIZARD_TITLE);
    return TRUE;
}

// Hands out the customized-data template once: a file already there is the user's to keep.
void CTollexDlg::WriteTemplate() {
    std::wstring path = GetModuleDir() + L"\\Template\\UserCustomizedTemplate.xls";
    if (PathExists(path.data())) return;
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_TEMPLATE_XLS), L"FILE");
    HGLOBAL data = res ? ::LoadResource(module, res) : nullptr;
    const void* bytes = data ? ::LockResource(data) : nullptr;
    DWORD size = res ? ::SizeofResource(module, res) : 0;
    if (!bytes || !size) return;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes, size, &written, nullptr) && written == size;
    ::CloseHandle(file);
    // A cut-short template would be refused later as an invalid workbook: leave none instead.
    if (!ok) ::DeleteFileW(path.c_str());
}

void CTollexDlg::LoadStripTexts() {
    for (int i = 0; i < 4; ++i) {
        CopyText(m_wndSteps.m_szStepTitle[i], LoadText(IDS_STEP1 + i));
        CopyText(m_wndSteps.m_szStepText[i], LoadText(IDS_STEP1_TITLE + i));
    }
}

void CTollexDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (IsIconic()) {
        RECT rc;
        GetClientRect(&rc);
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, m_hIcon);
        ::EndPaint(m_hWnd, &ps);
        return;
    }
    // Composed off screen, then copied in one go: no flicker while dragging.
    ScopedMemoryDC mem(::CreateCompatibleDC(dc));
    ScopedBitmap canvas(::CreateCompatibleBitmap(dc, kWidth, kHeight));
    HGDIOBJ oldCanvas = ::SelectObject(mem, canvas);
    if (m_bmpBack) {
        ScopedMemoryDC src(::CreateCompatibleDC(dc));
        HGDIOBJ old = ::SelectObject(src, m_bmpBack);
        ::BitBlt(mem, 0, 0, kWidth, kHeight, src, 0, 0, SRCCOPY);
        ::SelectObject(src, old);
    }
    if (m_pTitleIcon && m_pTitleIcon->m_pBitmap) {
        Gdiplus::Graphics g(mem);
        g.DrawImage(m_pTitleIcon->m_pBitmap, INT(kTitleIconAt.x), INT(kTitleIconAt.y),
                    INT(m_pTitleIcon->m_pBitmap->GetWidth()),
                    INT(m_pTitleIcon->m_pBitmap->GetHeight()));
    }
    ::SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, RGB(255, 255, 255));
    const wchar_t* title = LoadTextOrEmpty(IDS_APP_TITLE);
    RECT rc = kTitleBar;
    rc.left = 26;
    HGDIOBJ oldFont = ::SelectObject(mem, m_fontTitleBar);
    ::DrawTextW(mem, title, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (!m_bStarted) {
        rc = kHeadingRect;
        ::SelectObject(mem, m_fontHeading);
        ::DrawTextW(mem, title, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);

        ::SelectObject(mem, m_fontWelcome);
        const wchar_t* text = LoadTextOrEmpty(IDS_WELCOME_TEXT);
        RECT measured = kWelcomeRect;
        ::DrawTextW(mem, text, -1, &measured, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        const int height = measured.bottom - measured.top;
        rc = kWelcomeRect;
        rc.bottom = rc.top + height;
        ::DrawTextW(mem, text, -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
        rc.top = rc.bottom + height / 2;
        rc.bottom = rc.top + height / 2;
        ::DrawTextW(mem, LoadTextOrEmpty(IDS_WELCOME_START), -1, &rc,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    ::SelectObject(mem, oldFont);
    ::BitBlt(dc, 0, 0, kWidth, kHeight, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, oldCanvas);
    ::EndPaint(m_hWnd, &ps);
}

void CTollexDlg::ShowPage(int nStep) {
    for (int i = 0; i < 4; ++i)
        if (i != nStep) Page(i).ShowWindow(SW_HIDE);
    Page(nStep).ShowWindow(SW_SHOW);
    Page(nStep).RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CTollexDlg::StepNext() {
    if (m_nStep >= 3) return;
    if (!m_bStarted) {
        m_bStarted = true;
        m_btnStart.ShowWindow(SW_HIDE);
        m_nStep = 0;
        m_wndSteps.ShowWindow(SW_SHOW);
    } else {
        ++m_nStep;
    }
    m_wndSteps.m_nCurStep = m_nStep;
    m_wndSteps.Invalidate(FALSE);
    ShowPage(m_nStep);
}

void CTollexDlg::StepBack(bool bRestart) {
    if (bRestart) {
        m_nStep = 0;
        m_wndSteps.m_nCurStep = 0;
        m_wndSteps.Invalidate(FALSE);
        // The convert page first: it lets go of the sets the import pages empty.
        m_wndPage4.ResetPage();
        m_wndPage1.ResetPage();
        m_wndPage2.ResetPage();
        m_wndPage3.ResetPage();
        ShowPage(0);
        return;
    }
    if (m_nStep <= 0) {
        m_bStarted = false;
        m_wndSteps.ShowWindow(SW_HIDE);
        for (int i = 0; i < 4; ++i) Page(i).ShowWindow(SW_HIDE);
        m_btnStart.ShowWindow(SW_SHOW);
        Invalidate(FALSE);
        return;
    }
    --m_nStep;
    m_wndSteps.m_nCurStep = m_nStep;
    m_wndSteps.Invalidate(FALSE);
    static_cast<OPageView1&>(Page(m_nStep)).ResetPage();
    ShowPage(m_nStep);
}

bool CTollexDlg::EndCurrentEdit(bool bApply) {
    if (!m_bStarted || m_nStep >= 3) return false;
    return static_cast<OPageView1&>(Page(m_nStep)).EndCameraEdit(bApply);
}

// Enter and Escape only finish an edit in the camera list; they never close the wizard, and
// neither does the platform's close request, which arrives here as Cancel.
void CTollexDlg::OnOK() { EndCurrentEdit(true); }
void CTollexDlg::OnCancel() { EndCurrentEdit(false); }

void CTollexDlg::SwitchLanguage(int nLanguage) {
    if (nLanguage == ChooseLanguage()) return;
    SetLanguageSetting(nLanguage);
    LoadLanguageLibrary();
    LoadStripTexts();
    m_wndSteps.Invalidate(FALSE);
    m_wndMenu.ReloadMenuTexts();
    CopyText(m_btnStart.m_szText, LoadText(IDS_START));
    m_wndPage1.ReloadTexts();
    m_wndPage2.ReloadTexts();
    m_wndPage3.ReloadTexts();
    m_wndPage4.ReloadTexts();
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CTollexDlg::ShowAbout() {
    std::wstring text = FormatText(LoadTextOrEmpty(IDS_ABOUT_TEXT), {GetAppVersion()});
    ShowMessage(text.c_str(), nullptr, kMessageBoxOK, TRUE);
}

void CTollexDlg::CheckForUpdate() {
    if (!http::IsOnline()) {
        ShowMessage(LoadTextOrEmpty(IDS_NO_INTERNET), nullptr, kMessageBoxOK, FALSE);
        return;
    }
    if (m_updateThread.IsRunning()) {
        // An earlier check the user gave up on: it ends before the next one starts.
        CUpdateChecker::GetInstance()->m_bCancel = true;
        if (!m_updateThread.Join(2000)) {
            // Stuck in the network: the user hears that, not silence.
            ShowMessage(LoadTextOrEmpty(IDS_CHECK_STILL_ENDING), nullptr, kMessageBoxOK, FALSE);
            return;
        }
    }
    // The check looks for its box after the pause: it starts once the box exists, so that a
    // box slow to appear (a busy machine) is not taken for one the user has closed.
    const HWND hWnd = m_hWnd;
    CMessageBox box(this, LoadTextOrEmpty(IDS_CHECKING_UPDATE), kMessageBoxCancel);
    box.m_onShown = [this, hWnd, &box] {
        if (!m_updateThread.Start([hWnd] { UpdateThreadProc(hWnd); })) box.EndDialog(IDCANCEL);
    };
    box.DoModal();
}

void CTollexDlg::OnNewVersion() {
    // The version of the verified section, as the update thread set it before it posted the
    // message: a second reader of the file might see another section than the one verified.
    const std::wstring product = LoadTextOrEmpty(IDS_APP_TITLE) + std::wstring(L" ") +
                                 CUpdateChecker::GetInstance()->m_strNewVersion;
    std::wstring text = FormatText(LoadTextOrEmpty(IDS_NEW_VERSION), {product});

    CMessageBox box(this, text.c_str(), kMessageBoxCancel);
    box.m_bProgress = true;
    m_pUpdateBox = &box;
    box.m_onShown = [] { CUpdateChecker::GetInstance()->m_bDownloadBoxShown = true; };
    INT_PTR result = box.DoModal();
    m_pUpdateBox = nullptr;
    CUpdateChecker::GetInstance()->m_bCancel = true;
    if (result == IDOK) EndDialog(IDOK);
}

void CTollexDlg::OnUnverifiedVersion() {
    // The update thread set the version before it posted the message and does not touch it
    // again until the next check; of an untrusted file it keeps only a plain version number.
    const std::wstring product = LoadTextOrEmpty(IDS_APP_TITLE) + std::wstring(L" ") +
                                 CUpdateChecker::GetInstance()->m_strNewVersion;
    ShowMessage(FormatText(LoadTextOrEmpty(IDS_UNVERIFIED_VERSION), {product, kMakerWebAddress}).c_str(),
                nullptr, kMessageBoxOK, FALSE);
}

void CTollexDlg::OnUpdateProgress(WPARAM wParam, LPARAM lParam) {
    if (!m_pUpdateBox) return;
    if (lParam) {
        m_pUpdateBox->m_wndProgress.m_nPos = 0;
        m_pUpdateBox->PostMessage(UM_CLOSE_BOX);
        m_pUpdateBox = nullptr;
    } else {
        m_pUpdateBox->SetProgress(int(wParam));
    }
}

BOOL CTollexDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    switch (id) {
        case IDC_CLOSE_BUTTON: EndDialog(IDOK); return TRUE;
        case IDC_MINIMIZE_BUTTON: ShowWindow(SW_MINIMIZE); return TRUE;
        case IDC_START_BUTTON: StepNext(); return TRUE;
        case ID_LANGUAGE_ENGLISH:
        case ID_LANGUAGE_RUSSIAN: SwitchLanguage(int(id - ID_LANGUAGE_ENGLISH)); return TRUE;
        case ID_CHECK_UPDATE: CheckForUpdate(); return TRUE;
        case ID_ABOUT: ShowAbout(); return TRUE;
        default: return CDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CTollexDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers the whole client area
        case WM_QUERYDRAGICON: return LRESULT(m_hIcon.Get());
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                CAboutDlg about;
                about.DoModal();
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            if (!m_bDragging) {
                m_ptDragStart = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                m_bDragging = true;
                SetCapture();
            }
            return Default();
        case WM_MOUSEMOVE:
            if (m_bDragging) {
                RECT rc;
                GetWindowRect(&rc);
                const int dx = GET_X_LPARAM(lParam) - m_ptDragStart.x;
                const int dy = GET_Y_LPARAM(lParam) - m_ptDragStart.y;
                SetWindowPos(nullptr, rc.left + dx, rc.top + dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return Default();
        case WM_LBUTTONUP:
            if (m_bDragging) {
                m_bDragging = false;
                ::ReleaseCapture();
            }
            return Default();
        case WM_CAPTURECHANGED: m_bDragging = false; break;
        case UM_CONVERT_RESULT:
            if (m_wndPage4.IsWindowVisible()) m_wndPage4.PostMessage(message, wParam, lParam);
            return 0;
        case UM_UPDATE_PROGRESS: OnUpdateProgress(wParam, lParam); return 1;
        case UM_STEP_NEXT: StepNext(); return 0;
        case UM_JOB_DONE: m_runner.OnJobDone(wParam); return 0;
        case UM_STEP_BACK: StepBack(int(wParam) == -1); return 0;
        case UM_NEW_VERSION: OnNewVersion(); return 0;
        case UM_LATEST_VERSION: ShowMessage(LoadTextOrEmpty(IDS_LATEST_VERSION), nullptr, 0, FALSE); return 0;
        case UM_UNVERIFIED_VERSION: OnUnverifiedVersion(); return 0;
        case UM_CHECK_FAILED: ShowMessage(LoadTextOrEmpty(IDS_CHECK_FAILED), nullptr, 0, FALSE); return 0;
        case WM_DESTROY:
            StopWork();
            break;
        case WM_ENDSESSION:
            // Windows ends the process once this returns: the workers end first, so no file
            // of theirs is left half-written.
            if (wParam) {
                StopWork();
                ::ExitProcess(0);
            }
            return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
