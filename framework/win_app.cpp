// The application object, its message loop, its profile over the product's profile store, and
// worker threads.
#include "framework/win_app.h"

#include <process.h>

#include <memory>

#include "base/profile.h"
#include "framework/wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

struct ThreadStart {
    AFX_THREADPROC pfn;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* p) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(p));
    return start->pfn(start->param);
}

}  // namespace

CWinApp::CWinApp(LPCWSTR lpszAppName) : m_strAppName(lpszAppName ? lpszAppName : L"") {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_nExitCode = int(msg.wParam);
            break;
        }
        if (got == -1) break;
        if (CWnd::WalkPreTranslateTree(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    // The product's profile store knows one company, ours; any other name leaves the profile
    // off rather than writing to a key nobody reads.
    if (!lpszRegistryKey || std::wstring(lpszRegistryKey) != kovra::kProfileCompany) return;
    m_strRegistryKey = lpszRegistryKey;
    kovra::SetProfileApplication(m_strAppName);
}

std::wstring CWinApp::GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry,
                                       LPCWSTR lpszDefault) const {
    std::wstring def = lpszDefault ? lpszDefault : L"";
    if (m_strRegistryKey.empty() || !lpszSection || !lpszEntry) return def;
    return kovra::ProfileGetString(lpszSection, lpszEntry, def);
}

BOOL CWinApp::WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue) {
    if (m_strRegistryKey.empty() || !lpszSection || !lpszEntry) return FALSE;
    return kovra::ProfileWriteString(lpszSection, lpszEntry, lpszValue ? lpszValue : L"");
}

int CWinApp::GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault) const {
    if (m_strRegistryKey.empty() || !lpszSection || !lpszEntry) return nDefault;
    return kovra::ProfileGetInt(lpszSection, lpszEntry, nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue) {
    if (m_strRegistryKey.empty() || !lpszSection || !lpszEntry) return FALSE;
    return kovra::ProfileWriteInt(lpszSection, lpszEntry, nValue);
}

bool AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) {
    if (!pfnThreadProc) return false;
    // _beginthreadex rather than CreateThread: the thread uses the C runtime.
    // The new thread takes the start block over; until it has started, this one owns it.
    auto start = std::make_unique<ThreadStart>(ThreadStart{pfnThreadProc, pParam});
    uintptr_t h = _beginthreadex(nullptr, 0, ThreadEntry, start.get(), 0, nullptr);
    if (!h) return false;
    start.release();
    ::CloseHandle(reinterpret_cast<HANDLE>(h));
    return true;
}
