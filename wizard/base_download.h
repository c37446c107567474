// The base data download: the configuration file that names the current base data workbook,
// the progress object of a transfer, and the worker thread that fetches the workbook.
#pragma once

#include <windows.h>
// urlmon.h needs windows.h before it.
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "session/conversion_session.h"

// Where the configuration file lies on the download server.
extern const wchar_t kBaseFileIniServerPath[];  // "/dvr/Kovra R7/rus/BaseFile.ini"

// The configuration file's full address: the normal server, or the one that
// KOVRA_SERVER_URL names.
std::wstring GetBaseFileIniUrl();

class DownloadProgress;

// The most a server may send: the configuration file and the base data workbook.
constexpr uint64_t kBaseFileIniLimit = 64 * 1024;
constexpr uint64_t kBaseWorkbookLimit = 256 * 1024 * 1024;

// One transfer of url into the file at path: true when URLDownloadToFile succeeded, the
// server answered with success and sent at most limit bytes. Only http:// and https://
// addresses are followed: another scheme (a file:// or UNC address would make Windows reach
// another host with the user's credentials) fails at once. A failed transfer leaves no file at
// path. pProgress may be null.
bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path,
                       DownloadProgress* pProgress, uint64_t limit);

// Fetches the configuration file from configUrl into iniPath (an older copy there is deleted
// first, so a failed fetch leaves none) and reads the workbook's address from it. False when
// the transfer fails or the address is missing or one character long.
bool FetchBaseFileUrl(const std::wstring& configUrl, const std::wstring& iniPath,
                      std::wstring* pUrl);

// The name the workbook is stored under: the address's last part, without a query or a
// fragment. False for a name that is empty, "." or "..", or that the file system would take
// for something else (a separator, a device or stream colon, wildcards, control characters,
// a trailing dot or blank).
bool GetDownloadFileName(const std::wstring& url, std::wstring* pName);

// One download of the base data workbook: what the worker needs and what it leaves for the
// page. The page fills it on the user-interface thread before the worker starts and reads the
// results once the worker's message has arrived.
struct CBaseDownload {
    // Prepares a fresh download of strBaseUrl: no cancel request, no result yet.
    void Reset(const std::wstring& strBaseUrl);
    // "Cancel Download": the transfer ends at its next progress report.
    void Cancel() { m_nCancel.exchange(1); }
    bool IsCancelled() const { return m_nCancel.load() != 0; }

    // Receives UM_DOWNLOAD_PERCENT, UM_BASE_DOWNLOADED, UM_STEP_NEXT after a failure, and
    // the command m_nBackCommand after a cancelled download.
    HWND m_hWndPage = nullptr;
    UINT m_nBackCommand = 2004;  // the page's "< Back" button
    std::wstring m_strBaseUrl;   // the workbook's address
    std::wstring m_strFolder;    // where it is stored; empty: the user's documents folder
    std::wstring m_strPath;      // set by the worker: the stored workbook
    std::atomic<bool> m_bLoadFailed{false};
    std::atomic<LONG> m_nCancel{0};
    uint64_t m_nLimit = kBaseWorkbookLimit;  // the most the workbook may take
    // Runs on the download thread once the workbook is stored at m_strPath: the import into
    // m_pImported, which the page takes over after UM_BASE_DOWNLOADED.
    std::function<void(CBaseDownload&)> m_fnImport;
    std::unique_ptr<ImportedSource> m_pImported;
};

// The status callback of one transfer. It lives on the transferring thread's stack and is
// never freed through Release. Besides the progress it takes the server's HTTP answer: a
// server error still delivers a body (an error page), which URLDownloadToFile stores and
// reports as success.
class DownloadProgress : public IBindStatusCallback, public IHttpNegotiate {
public:
    // pDownload may be null: no progress is posted and no cancel is heard.
    explicit DownloadProgress(CBaseDownload* pDownload) : m_pDownload(pDownload) {}

    // IBindStatusCallback
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    // E_ABORT once a cancel request is set or more than the limit has arrived; otherwise posts
    // the percent done when the total is known.
    STDMETHODIMP OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                            LPCWSTR szStatusText) override;
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    // IHttpNegotiate
    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                      LPWSTR* pszAdditionalHeaders) override;
    STDMETHODIMP OnResponse(DWORD dwResponseCode, LPCWSTR, LPCWSTR,
                            LPWSTR* pszAdditionalRequestHeaders) override;

    // False when the server answered with an HTTP status outside 200-299.
    bool ResponseOk() const {
        return m_dwResponseCode == 0 || (m_dwResponseCode >= 200 && m_dwResponseCode < 300);
    }

    // The percent that a report of progress out of total gives: cut toward zero, at most 100.
    static UINT Percent(ULONG ulProgress, ULONG ulProgressMax);

    void SetLimit(uint64_t limit) { m_nLimit = limit; }

private:
    CBaseDownload* m_pDownload;
    DWORD m_dwResponseCode = 0;  // 0 until the server answers
    uint64_t m_nLimit = UINT64_MAX;
};

// Downloads the workbook into the folder and runs the import. The workbook arrives under a
// temporary name and replaces a file of its name only once complete, so a failed or
// cancelled transfer leaves such a file as it was. False (m_bLoadFailed set) when the folder
// is unknown, the address names no usable file, or the transfer fails or is cancelled; true
// after the import, with UM_BASE_DOWNLOADED posted to the page.
bool DownloadBaseData(CBaseDownload* pDownload);

// The download thread: DownloadBaseData, then on failure UM_STEP_NEXT to the page, or after
// a cancel request the page's "< Back" command. pParam is the CBaseDownload, which must
// outlive the thread. Returns 1.
UINT BaseDownloadThreadProc(LPVOID pParam);
