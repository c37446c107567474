// The application object (one per program), its per-user profile and worker threads.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // lpszAppName names the program, its profile key among them.
    explicit CWinApp(LPCWSTR lpszAppName);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up: false ends the program at once (after ExitInstance) without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // The process's exit code comes from here.
    virtual int ExitInstance() { return m_nExitCode; }
    // The message loop, until WM_QUIT; then ExitInstance.
    virtual int Run();

    // The profile lives in HKCU\Software\<company>\<application name>\<section>. Reads give
    // their defaults until the company is set.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    std::wstring GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry,
                                  LPCWSTR lpszDefault = L"") const;
    BOOL WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue);
    // nDefault also when the entry is stored as something other than an integer.
    int GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue);

    HINSTANCE m_hInstance = nullptr;
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;  // the company key; empty until SetRegistryKey
    CWnd* m_pMainWnd = nullptr;     // the window that menus and commands go to
    int m_nCmdShow = SW_SHOWNORMAL;
    int m_nExitCode = 0;
};

// The application class of our programs; it adds nothing to CWinApp here.
class CWinAppEx : public CWinApp {
public:
    using CWinApp::CWinApp;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// The program's entry, called from wWinMain: InitInstance, then Run when it returned true,
// else ExitInstance. Returns the process's exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

// Starts pfnThreadProc(pParam) on a new thread whose handle is closed at once: the thread
// reports back only by window messages. False when no thread could be started.
using AFX_THREADPROC = UINT (*)(LPVOID);
bool AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
