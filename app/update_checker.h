// The update check: the version file on our server, the comparison with the running version,
// and the download and start of the installer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/internet_session.h"

// Results of CUpdateChecker::CheckUpdate.
enum : int {
    kCheckNoFolder = 0,      // the program's folder is unavailable (also: internet error)
    kCheckNewer = 1,         // the version file names a newer version
    kCheckNoConnection = 2,  // no connection could be opened for the address
    kCheckNoRequest = 3,     // no request could be opened on the connection
    kCheckIncomplete = 5,    // the version file was not received completely
    kCheckNotNewer = 6,      // a verified answer: the version is not newer
    kCheckUnverified = 7,    // a newer version, but the file is not signed by a trusted key
    kCheckRefused = 8,       // an answer that tells nothing: unsigned, stale or incomplete
};

// The most a server may send: a longer answer is cut off and its file deleted.
constexpr uint64_t kVersionFileLimit = 64 * 1024;
constexpr uint64_t kInstallerLimit = 512 * 1024 * 1024;

// Results of CUpdateChecker::DownloadDVR.
enum : int {
    kDownloadNoFolder = 0,      // the program's folder is unavailable
    kDownloadDone = 1,          // the installer is complete and has been started
    kDownloadNoConnection = 4,  // no connection or request for the installer's address
    kDownloadIncomplete = 5,    // not completely received, cancelled, or not the announced file
};

// "\tmpVerion.ini" (spelled so) in the program folder: the version file last fetched. The main
// dialog reads "RU Ruvovid"/"version" from it on UM_NEW_VERSION.
std::wstring GetTmpVersionIniPath();
// "\Setup.exe" in the program folder: the installer download.
std::wstring GetSetupExePath();

// Thread procedure of one "Check for Update": pParam is the HWND of the main dialog, which
// receives UM_NEW_VERSION, UM_UNVERIFIED_VERSION or UM_LATEST_VERSION (posted) and, after
// UM_NEW_VERSION, the installer download's UM_UPDATE_PROGRESS (sent). Start it once the
// "Checking for update..." box (window title "OrvelMessageBox", owned by the dialog) is on
// screen: the thread waits 3000 ms, looks for the box, fetches the version file
// while the box stays open, then closes that box. When the user has closed the box before the
// version file is in, nothing more is done, no file is left and nothing is sent. Returns 1.
UINT UpdateThreadProc(LPVOID pParam);

class CUpdateChecker {
public:
    // The process's checker, working in the program folder; created on first use, never
    // destroyed (an update thread may still use it while the process ends).
    static CUpdateChecker* GetInstance();

    // A checker whose version file, installer, log and "qaconfig" marker live in folder (no
    // trailing backslash; empty: no folder, every check fails). GetInstance uses the program
    // folder; tests use folders of their own.
    explicit CUpdateChecker(const std::wstring& folder);
    CUpdateChecker(const CUpdateChecker&) = delete;
    CUpdateChecker& operator=(const CUpdateChecker&) = delete;

    // One whole check as UpdateThreadProc runs it, reporting to hNotify. While one runs on
    // this checker, a second one only closes its "Checking for update..." box and ends without
    // a message: the running check answers for both, and the two would otherwise delete and
    // write the same files.
    void RunCheck(HWND hNotify);

    // Fetches the version file into the folder's "tmpVerion.ini" and evaluates it; one of
    // the kCheck codes. On kCheckNewer the session stays open for DownloadDVR. A version file
    // that does not arrive whole is deleted.
    int CheckUpdate();
    // True when the version file at path is signed by one of m_trustedKeys, its "serial" is
    // at least m_nAcceptedSerial and it names a version newer than m_strCurVersion with the
    // installer's "URL" and "sha256" among the signed lines; sets m_strSetupUrl and
    // m_strSetupSha256 from it. Otherwise false, with m_bLatest for a verified, fresh file that
    // names no newer version, and m_bUnverified for a newer plain version number in a file that
    // fails the checks. A verified serial above m_nAcceptedSerial becomes the accepted one.
    bool ParseVersionFile(const std::wstring& path);
    // Opens connection and GET request for url: 1 done, 2 no connection, 3 no request. What was
    // opened stays in the arguments for the caller to close.
    int InitInternetSession(const std::wstring& url, std::unique_ptr<CHttpConnection>& connection,
                            std::unique_ptr<CHttpFile>& request);
    // A connection to url's server and port, the session opened when needed; m_strObject =
    // url's path and query. Null when url is not an http(s) address or WinINet fails.
    std::unique_ptr<CHttpConnection> GetHttpConnect(const std::wstring& url);
    // A GET request for m_strObject, HTTP/1.1, always from the server and never cached.
    std::unique_ptr<CHttpFile> GetHttpFile(CHttpConnection& connection);
    // Sends the request and receives the body into path, resuming a file already there; true
    // when the file is complete. With launch, the file must also be a Windows program and match
    // m_strSetupSha256 when that is set; it is then started ("open") and 2000 ms later the
    // final UM_UPDATE_PROGRESS (100, 1) is sent. A file that fails these checks is deleted.
    bool DownloadHttpFile(CHttpFile& request, const std::wstring& path, bool launch);
    // Downloads the installer from m_strSetupUrl into the folder's "setup.exe", reporting
    // progress to hWnd, and starts it; one of the kDownload codes.
    int DownloadDVR(HWND hWnd);
    // Appends a record (with the header first when header is set) to "Update_Log.txt" when
    // m_bLogEnabled; best effort.
    void WriteUpdateLog(const std::wstring& text, bool header = false);

    // The pause users see: the "Checking for update..." box stays this long before the check
    // starts. Process wide; only tests shorten it.
    static DWORD s_nCheckingDelayMs;

    std::atomic<bool> m_bCancel{false};  // set by the user-interface thread, read per block
    // The download waits for its box to be on screen (m_bDownloadBoxShown, set by the box), so
    // that no progress, the last one included, comes before there is a box to show it.
    bool m_bWaitForDownloadBox = false;
    std::atomic<bool> m_bDownloadBoxShown{false};
    bool m_bLogEnabled = false;          // "qaconfig" in the folder: test server, log
    std::vector<std::string> m_trustedKeys;  // public keys whose signature is trusted
    std::wstring m_strSetupUrl;          // "URL" of the version file
    std::wstring m_strSetupSha256;       // "sha256" of the version file, hexadecimal
    std::wstring m_strNewVersion;        // "version" of the version file last parsed
    bool m_bUnverified = false;          // it names a newer version but is not trusted
    bool m_bLatest = false;              // it is verified and names no newer version
    uint64_t m_nAcceptedSerial = 0;      // the highest "serial" of a verified file so far
    bool m_bKeepSerial = false;          // the accepted serial is kept in the profile
    std::wstring m_strCurVersion;        // the running program's version, set before a check
    std::wstring m_strObject;            // path and query of the address last opened
    HWND m_hNotifyWnd = nullptr;         // progress receiver while DownloadDVR runs

private:
    // The program folder's checker, with the serial that this installation has accepted.
    static CUpdateChecker* NewProgramChecker();
    void AcceptSerial(uint64_t serial);

    struct Body {
        bool bKnownLength = false;
        uint64_t nLength = 0;  // bytes still to come when known
    };
    // Writes the response body into path after its first have bytes; true when all of it
    // arrived within limit bytes.
    bool ReceiveBody(CHttpFile& request, const std::wstring& path, uint64_t have, const Body& body,
                     uint64_t limit);
    // Whether the download is to stop: a cancel request, or the checking box closed by the user.
    bool Cancelled() const;
    void CloseSession();
    void Notify(WPARAM percent, LPARAM done);
    bool IsAnnouncedInstaller(const std::wstring& path);

    std::wstring m_strFolder;  // with trailing backslash, or empty
    bool m_bSecure = false;    // the address last opened is https
    std::unique_ptr<CInternetSession> m_pSession;
    std::atomic<bool> m_bRunning{false};
    std::atomic<HWND> m_hCheckingBox{nullptr};  // the "Checking for update..." box of the check
};

// Whether the file starts like a Windows program: "MZ", and "PE\0\0" where the DOS header
// points.
bool IsWindowsExecutable(const std::wstring& path);

// Whether remote names a version newer than current, compared number by number from the left
// (a part counts by its leading digits; a missing part as 0). logNewer is set when a part of
// remote is greater, not when remote is only longer ("1.0.10.1.0" against "1.0.10.1").
bool IsNewerVersion(const std::wstring& current, const std::wstring& remote, bool* logNewer);
