// The base data download: the configuration file that names the current base data workbook
// and the worker thread that fetches both.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/conversion_session.h"

// Where the configuration file lies on the download server.
extern const wchar_t kBaseFileIniServerPath[];  // "/dvr/Kovra R7/rus/BaseFile.ini"

// The configuration file's full address: the normal server, or the one that
// KOVRA_SERVER_URL names.
std::wstring GetBaseFileIniUrl();

// The most a server may send: the configuration file and the base data workbook.
constexpr uint64_t kBaseFileIniLimit = 64 * 1024;
constexpr uint64_t kBaseWorkbookLimit = 256 * 1024 * 1024;

// One transfer of url into the file at path: true when the server answered with success and
// sent at most limit bytes. Only http:// and https:// addresses are followed, redirects only on
// the same host: another scheme (a file:// or UNC address would make Windows reach another host
// with the user's credentials) fails at once. A failed transfer leaves no file at path.
bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path, uint64_t limit,
                       const std::function<bool()>& cancelled = {},
                       const std::function<void(uint64_t, uint64_t)>& progress = {});

// What the configuration file offers: the workbook's address and, when the file is signed,
// the workbook's digest.
struct BaseFileOffer {
    std::wstring strUrl;
    std::string strSha256;  // lower-case hexadecimal; empty for an unsigned file
};

// Reads the configuration file at iniPath. An unsigned file names the address in "URL" of
// section "ActiveBaseFil"; a file that carries a signature counts only when one of keys
// signed the section and it names the workbook's "sha256". False when the address is missing
// or one character long, or the signature does not hold.
bool ReadBaseFileOffer(const std::wstring& iniPath, const std::vector<std::string>& keys,
                       BaseFileOffer* pOffer);

// Fetches the configuration file from configUrl into iniPath (an older copy there is deleted
// first, so a failed fetch leaves none) and reads it as ReadBaseFileOffer does.
bool FetchBaseFileOffer(const std::wstring& configUrl, const std::wstring& iniPath,
                        const std::vector<std::string>& keys, BaseFileOffer* pOffer,
                        const std::function<bool()>& cancelled = {});

// The name the workbook is stored under: the address's last part, without a query or a
// fragment and with the extension ".xls" whatever the address says, so that what the server
// names can never be a program or replace another kind of file; "Base data.xls" when the
// address gives no name the file system would take.
std::wstring BaseDataFileName(const std::wstring& url);

// The folder of the downloaded workbooks: "Base data" in the given folder. Files in it are
// the program's own, replaced by the next download of their name.
std::wstring BaseDataFolder(const std::wstring& parent);

// One download of the base data: what the worker needs and what it leaves for the page. The
// page fills it on the user-interface thread before the worker starts and reads the results
// once the worker's message has arrived.
struct CBaseDownload {
    // How a download that brought no workbook ended (wParam of UM_DOWNLOAD_ENDED).
    enum End : WPARAM { kNoServer = 0, kFailed = 1, kCancelled = 2 };

    // Prepares a fresh download: no cancel request, no result yet.
    void Reset(const std::wstring& strBaseUrl);
    // "Cancel Download": the transfer ends within a fraction of a second.
    void Cancel() { m_nCancel.exchange(1); }
    bool IsCancelled() const { return m_nCancel.load() != 0; }

    // Receives UM_DOWNLOAD_PERCENT, UM_BASE_DOWNLOADED or UM_DOWNLOAD_ENDED.
    HWND m_hWndPage = nullptr;
    // The configuration file to fetch first and its local copy; with no address, the workbook's
    // address is m_strBaseUrl as given.
    std::wstring m_strConfigUrl;
    std::wstring m_strIniPath;
    std::vector<std::string> m_trustedKeys;
    std::wstring m_strBaseUrl;   // the workbook's address
    std::string m_strSha256;     // its digest when the configuration file is signed
    std::wstring m_strFolder;    // where it is stored; empty: the user's documents folder
    std::wstring m_strPath;      // set by the worker: the stored workbook
    std::atomic<bool> m_bLoadFailed{false};
    // Set once the workbook is in place and the import begins: from then on everything the
    // worker writes is written beside its target and moved over it, so a close need not wait.
    std::atomic<bool> m_bImporting{false};
    std::atomic<LONG> m_nCancel{0};
    uint64_t m_nLimit = kBaseWorkbookLimit;  // the most the workbook may take
    // Runs on the download thread once the workbook is stored at m_strPath: the import into
    // m_pImported, which the page takes over after UM_BASE_DOWNLOADED. A workbook it refuses
    // is deleted.
    std::function<void(CBaseDownload&)> m_fnImport;
    std::unique_ptr<ImportedSource> m_pImported;
};

// The percent of a transfer: cut toward zero, at most 100, 0 without a total.
UINT DownloadPercent(uint64_t received, uint64_t total);

// Downloads the workbook into the folder and runs the import. The workbook arrives under a
// temporary name and replaces the file of its name only once complete and of the signed digest;
// it is marked as coming from the Internet. False (m_bLoadFailed set) when the folder is
// unknown or the transfer fails, is cancelled or brings another file than the signed one; true
// after the import, with UM_BASE_DOWNLOADED posted to the page.
bool DownloadBaseData(CBaseDownload* pDownload);

// The download thread: the configuration file when one is named, then DownloadBaseData; a
// download that brought nothing posts UM_DOWNLOAD_ENDED with its End. pParam is the
// CBaseDownload, which must outlive the thread. Returns 1.
UINT BaseDownloadThreadProc(LPVOID pParam);
