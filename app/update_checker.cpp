// The update check and the installer download over WinINet.
#include "app/update_checker.h"

#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "app/helpers.h"
#include "app/http_transfer.h"
#include "app/server_url.h"
#include "app/sha256.h"
#include "app/texts.h"
#include "app/version_signature.h"
#include "base/file_io.h"
#include "base/test_point.h"
#include "base/window_messages.h"
#include "framework/handles.h"
#include "framework/win_app.h"

namespace {

constexpr wchar_t kNormalVersionPath[] = L"/dvr/pctool/ru/version.ini";
constexpr wchar_t kTestVersionPath[] = L"/WebDownload/Test/version.ini_";
constexpr wchar_t kVersionFileName[] = L"tmpVerion.ini";
constexpr wchar_t kSetupFileName[] = L"setup.exe";
constexpr wchar_t kLogFileName[] = L"Update_Log.txt";
constexpr wchar_t kSerialEntry[] = L"UpdateSerial";  // profile: the highest serial accepted
constexpr DWORD_PTR kContext = 1;
constexpr DWORD kStatusRangeNotSatisfiable = 416;  // not among wininet.h's names

std::wstring Format(const wchar_t* format, ...) {
    wchar_t text[1400];
    va_list args;
    va_start(args, format);
    const int n = _vsnwprintf(text, 1400, format, args);
    va_end(args);
    return n < 0 ? std::wstring(text, 1399) : std::wstring(text, size_t(n));
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSize(const std::wstring& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

// CreateFile's failure value is not the empty value of our owners.
ScopedKernelHandle OpenForWriting(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    return ScopedKernelHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// Handles whatever waits in this thread's queue, as the download does between blocks.
void PumpWaitingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Reads the whole number at the start of text as the runtime's wide-to-integer conversion
// does: leading blanks and a sign, then digits up to the first other character; 0 for none.
long LeadingNumber(const std::wstring& text) {
    return std::wcstol(text.c_str(), nullptr, 10);
}

// Parses a decimal number filling text[pos, end); false when there is none or it overflows.
bool ParseDecimal(const std::wstring& text, size_t pos, size_t end, uint64_t& value) {
    if (pos >= end) return false;
    uint64_t n = 0;
    for (size_t i = pos; i < end; ++i) {
        if (!std::iswdigit(text[i]) || n > (UINT64_MAX - 9) / 10) return false;
        n = n * 10 + unsigned(text[i] - L'0');
    }
    value = n;
    return true;
}

// "bytes first-last/total" or "bytes */total"; first is -1 for the star form, total is -1 when
// it is "*".
struct ContentRange {
    int64_t first = -1, last = -1, total = -1;
};

bool ParseContentRange(const std::wstring& text, ContentRange& out) {
    const std::wstring prefix = L"bytes ";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    const size_t slash = text.find(L'/', prefix.size());
    if (slash == std::wstring::npos) return false;
    uint64_t n = 0;
    if (text.compare(slash + 1, std::wstring::npos, L"*") == 0) {
        out.total = -1;
    } else if (ParseDecimal(text, slash + 1, text.size(), n) && n < uint64_t(INT64_MAX)) {
        out.total = int64_t(n);
    } else {
        return false;
    }
    if (text.compare(prefix.size(), slash - prefix.size(), L"*") == 0) {
        out.first = out.last = -1;
        return true;
    }
    const size_t dash = text.find(L'-', prefix.size());
    uint64_t first = 0, last = 0;
    if (dash == std::wstring::npos || dash > slash ||
        !ParseDecimal(text, prefix.size(), dash, first) ||
        !ParseDecimal(text, dash + 1, slash, last) || last < first || last >= uint64_t(INT64_MAX))
        return false;
    out.first = int64_t(first);
    out.last = int64_t(last);
    return true;
}

// The dialog's own "Checking for update..." box: a window of that title that notify owns, on
// notify's thread, other than skip. Another program's box of the same title is none of ours.
HWND FindCheckingBox(HWND notify, HWND skip) {
    struct Search {
        HWND owner;
        HWND skip;
        HWND found;
    } search{notify, skip, nullptr};
    const DWORD thread = ::GetWindowThreadProcessId(notify, nullptr);
    if (!thread) return nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t title[32];
            if (wnd != s->skip && ::GetWindow(wnd, GW_OWNER) == s->owner &&
                ::GetWindowTextW(wnd, title, 32) &&
                wcscmp(title, L"OrvelMessageBox") == 0) {
                s->found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

std::wstring Widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Digits and dots only, as a release is numbered ("1.0.11.0"): what an unverified answer may
// show of itself.
bool IsPlainVersion(const std::wstring& text) {
    if (text.empty() || text.size() > 24 || text.front() == L'.' || text.back() == L'.')
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'.' ? text[i + 1] == L'.' : !(text[i] >= L'0' && text[i] <= L'9'))
            return false;
    }
    return true;
}

// "serial=": 1 to 18 digits.
bool ParseSerial(const std::string& text, uint64_t& serial) {
    if (text.empty() || text.size() > 18) return false;
    serial = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        serial = serial * 10 + unsigned(c - '0');
    }
    return true;
}

int Percent(uint64_t part, uint64_t whole) {
    if (whole == 0) return 0;
    const uint64_t p = part >= whole ? 100 : part * 100 / whole;
    return int(p);
}

}  // namespace

std::wstring GetTmpVersionIniPath() {
    return GetModuleDir() + L"\\" + kVersionFileName;
}

std::wstring GetSetupExePath() {
    return GetModuleDir() + L"\\Setup.exe";
}

UINT UpdateThreadProc(LPVOID pParam) {
    CUpdateChecker::GetInstance()->RunCheck(static_cast<HWND>(pParam));
    return 1;
}

bool IsNewerVersion(const std::wstring& current, const std::wstring& remote, bool* logNewer) {
    if (logNewer) *logNewer = false;
    std::wstring cur = current + L".", rem = remote + L".";
    for (;;) {
        const size_t i = cur.find(L'.'), j = rem.find(L'.');
        // The part before a missing dot is empty, so it counts as 0.
        const long c = LeadingNumber(i == std::wstring::npos ? L"" : cur.substr(0, i));
        const long v = LeadingNumber(j == std::wstring::npos ? L"" : rem.substr(0, j));
        if (v > c) {
            if (logNewer) *logNewer = true;
            return true;
        }
        if (v < c) return false;
        if (j == std::wstring::npos) return false;
        if (i == std::wstring::npos) return true;
        cur.erase(0, i + 1);
        rem.erase(0, j + 1);
    }
}

bool IsWindowsExecutable(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ScopedKernelHandle file(h);
    unsigned char dos[64];
    DWORD n = 0;
    if (!::ReadFile(file, dos, sizeof dos, &n, nullptr) || n != sizeof dos) return false;
    if (dos[0] != 'M' || dos[1] != 'Z') return false;
    const LONG peOffset = LONG(dos[60] | dos[61] << 8 | dos[62] << 16 | unsigned(dos[63]) << 24);
    if (peOffset < LONG(sizeof dos)) return false;
    LARGE_INTEGER at;
    at.QuadPart = peOffset;
    unsigned char pe[4];
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, pe, sizeof pe, &n, nullptr) || n != sizeof pe)
        return false;
    return pe[0] == 'P' && pe[1] == 'E' && pe[2] == 0 && pe[3] == 0;
}

CUpdateChecker* CUpdateChecker::GetInstance() {
    // Deliberately never freed: the update thread may still be sending its last message while
    // the wizard ends the process.
    static CUpdateChecker* const instance = NewProgramChecker();
    return instance;
}

CUpdateChecker* CUpdateChecker::NewProgramChecker() {
    auto* checker = new CUpdateChecker(GetModuleDir());
    uint64_t serial = 0;
    if (ParseSerial(kovra::ToUtf8(GetProfileSetting(kSerialEntry)), serial))
        checker->m_nAcceptedSerial = serial;
    checker->m_bKeepSerial = true;
    checker->m_bWaitForDownloadBox = true;
    return checker;
}

CUpdateChecker::CUpdateChecker(const std::wstring& folder) : m_trustedKeys(TrustedUpdateKeys()) {
    if (!folder.empty()) m_strFolder = folder + L"\\";
    if (!m_strFolder.empty() &&
        ::GetFileAttributesW((m_strFolder + L"qaconfig").c_str()) != INVALID_FILE_ATTRIBUTES)
        m_bLogEnabled = true;
    if (m_bLogEnabled) WriteUpdateLog(L"Start update", true);
}

DWORD CUpdateChecker::s_nCheckingDelayMs = 3000;

void CUpdateChecker::RunCheck(HWND hNotify) {
    ::Sleep(s_nCheckingDelayMs);
    if (m_bRunning.exchange(true)) {
        // The running check answers for both; this one only closes its own box.
        if (m_bLogEnabled) WriteUpdateLog(L"Check already running in UpdateThreadProc");
        if (HWND box = FindCheckingBox(hNotify, m_hCheckingBox)) ::SendMessageW(box, WM_CLOSE, 0, 0);
        return;
    }
    HWND box = FindCheckingBox(hNotify, nullptr);
    if (!box) {
        m_bRunning = false;
        return;  // the user closed the box: no check wanted any more
    }
    const std::wstring version = m_strFolder.empty() ? L"" : m_strFolder + kVersionFileName;
    if (!m_strFolder.empty()) {
        const std::wstring setup = m_strFolder + kSetupFileName;
        if (IsFile(setup)) ::DeleteFileW(setup.c_str());
        if (IsFile(version)) ::DeleteFileW(version.c_str());
    }
    m_bCancel = false;
    m_strCurVersion = GetAppVersion();
    // The box stays open while the version file arrives, so that its Cancel can stop a server
    // that answers slowly or without end.
    m_hCheckingBox = box;
    kovra::TestPoint("checking");
    const int result = CheckUpdate();
    m_hCheckingBox = nullptr;
    if (!::IsWindow(box)) {
        if (m_bLogEnabled) WriteUpdateLog(L"Check cancelled");
        CloseSession();
        if (!version.empty()) ::DeleteFileW(version.c_str());
        m_bRunning = false;
        return;
    }
    ::SendMessageW(box, WM_CLOSE, 0, 0);
    // "The latest version" only on a verified answer; any failure says the check failed.
    if (result == kCheckNewer) {
        m_bDownloadBoxShown = false;
        ::PostMessageW(hNotify, UM_NEW_VERSION, 0, 0);
        // The box comes with the posted message; a box closed before it was seen is a cancel.
        const ULONGLONG start = ::GetTickCount64();
        while (m_bWaitForDownloadBox && !m_bDownloadBoxShown && !m_bCancel &&
               ::GetTickCount64() - start < 60000)
            ::Sleep(20);
        if (!m_bWaitForDownloadBox || m_bDownloadBoxShown) DownloadDVR(hNotify);
    } else {
        ::PostMessageW(hNotify,
                       result == kCheckUnverified ? UM_UNVERIFIED_VERSION
                       : result == kCheckNotNewer ? UM_LATEST_VERSION
                                                  : UM_CHECK_FAILED,
                       0, 0);
    }
    m_bRunning = false;
}

bool CUpdateChecker::Cancelled() const {
    const HWND box = m_hCheckingBox;
    return m_bCancel || (box && !::IsWindow(box));
}

void CUpdateChecker::CloseSession() {
    if (m_pSession) m_pSession->Close();
}

int CUpdateChecker::CheckUpdate() {
    const std::wstring url =
        BuiltInServerUrl((std::wstring(m_bLogEnabled ? kTestServerHost : kNormalServerHost) +
                          (m_bLogEnabled ? kTestVersionPath : kNormalVersionPath))
                             .c_str());
    if (m_strFolder.empty()) {
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Return %d on CheckUpdate", kCheckNoFolder));
        return kCheckNoFolder;
    }
    const std::wstring tmp = m_strFolder + kVersionFileName;
    if (IsFile(tmp)) {
        ::SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE);
        ::DeleteFileW(tmp.c_str());
    }

    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    const int r = InitInternetSession(url, connection, request);
    if (r != 1) {
        request.reset();
        connection.reset();
        CloseSession();
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Return ret %d on CheckUpdate", r));
        return r;
    }
    // A version file that could not be deleted would be resumed, not replaced.
    if (IsFile(tmp) || !DownloadHttpFile(*request, tmp, false)) {
        request.reset();
        connection.reset();
        CloseSession();
        ::DeleteFileW(tmp.c_str());  // what arrived of it is no information
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Return %d on CheckUpdate", kCheckIncomplete));
        return kCheckIncomplete;
    }
    if (!ParseVersionFile(tmp)) {
        request.reset();
        connection.reset();
        CloseSession();
        const int result = m_bUnverified ? kCheckUnverified
                           : m_bLatest   ? kCheckNotNewer
                                         : kCheckRefused;
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Return %d on CheckUpdate", result));
        return result;
    }
    return kCheckNewer;
}

bool CUpdateChecker::ParseVersionFile(const std::wstring& path) {
    m_bUnverified = false;
    m_bLatest = false;
    m_strNewVersion.clear();
    m_strSetupSha256.clear();
    // The values are taken from the very lines the signature covers, never read a second time
    // by a reader that might see the file otherwise.
    std::vector<uint8_t> data;
    if (!kovra::ReadWholeFile(path, data, kVersionFileLimit)) {
        if (m_bLogEnabled) WriteUpdateLog(L"Cannot read the version file in ParseVersionFile");
        return false;
    }
    const VersionSection section = ReadVersionSection(
        std::string(data.begin(), data.end()), m_bLogEnabled ? "DVR Installer" : "RU Ruvovid");
    const std::wstring url = Widened(section.Value("URL"));
    if (url.empty()) {
        if (m_bLogEnabled) WriteUpdateLog(L"Get empty URL in ParseVersionFile");
        return false;
    }
    const std::wstring version = Widened(section.Value("version"));
    if (version.empty()) {
        if (m_bLogEnabled) WriteUpdateLog(L"Get empty version in ParseVersionFile");
        return false;
    }
    bool logNewer = false;
    const bool newer = IsNewerVersion(m_strCurVersion, version, &logNewer);
    if (logNewer && m_bLogEnabled) WriteUpdateLog(L"Newer version found in ParseVersionFile");

    // Nothing unsigned is believed, "not newer" included: an answer that does not verify only
    // tells of a newer version, and only when it names it as a plain version number.
    const SignatureCheck check = VerifyVersionSection(section, m_trustedKeys);
    if (check != SignatureCheck::kVerified) {
        if (m_bLogEnabled)
            WriteUpdateLog(L"Version file not trusted in ParseVersionFile: " +
                           Widened(SignatureCheckText(check)));
        if (newer && IsPlainVersion(version)) {
            m_bUnverified = true;
            m_strNewVersion = version;
        }
        return false;
    }
    // A signed file can be served again by anyone: none older than one accepted before counts.
    uint64_t serial = 0;
    if (!ParseSerial(section.Value("serial"), serial)) {
        if (m_bLogEnabled) WriteUpdateLog(L"No serial among the signed lines in ParseVersionFile");
        return false;
    }
    if (serial < m_nAcceptedSerial) {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"Serial %llu is older than the accepted %llu in ParseVersionFile",
                                  static_cast<unsigned long long>(serial),
                                  static_cast<unsigned long long>(m_nAcceptedSerial)));
        return false;
    }
    AcceptSerial(serial);
    m_strNewVersion = version;
    if (!newer) {
        m_bLatest = true;
        return false;
    }
    // Only what the publisher signed may be downloaded and started, and only with the
    // installer's digest among the signed lines.
    const std::string sha256 = section.Value("sha256");
    if (!IsSha256Text(sha256)) {
        m_bUnverified = IsPlainVersion(version);
        if (m_bLogEnabled)
            WriteUpdateLog(
                L"Version file not trusted in ParseVersionFile: no sha256 of the installer among the signed lines");
        return false;
    }
    m_strSetupUrl = url;
    m_strSetupSha256 = Widened(sha256);
    return true;
}

void CUpdateChecker::AcceptSerial(uint64_t serial) {
    if (serial <= m_nAcceptedSerial) return;
    m_nAcceptedSerial = serial;
    if (m_bKeepSerial)
        SetProfileSetting(kSerialEntry, std::to_wstring(serial));
}

int CUpdateChecker::InitInternetSession(const std::wstring& url,
                                        std::unique_ptr<CHttpConnection>& connection,
                                        std::unique_ptr<CHttpFile>& request) {
    connection = GetHttpConnect(url);
    if (!connection) {
        if (m_bLogEnabled) WriteUpdateLog(L"Failed to do GetHttpConnect in InitInternetSession");
        return kCheckNoConnection;
    }
    request = GetHttpFile(*connection);
    if (!request) {
        if (m_bLogEnabled) WriteUpdateLog(L"Failed to do GetHttpFile in InitInternetSession");
        return kCheckNoRequest;
    }
    return 1;
}

std::unique_ptr<CHttpConnection> CUpdateChecker::GetHttpConnect(const std::wstring& url) {
    if (!m_pSession || !m_pSession->IsOpen()) {
        CWinApp* app = AfxGetApp();
        const std::wstring agent =
            app && !app->m_strAppName.empty() ? app->m_strAppName : L"kovradesk";
        m_pSession = std::make_unique<CInternetSession>(agent.c_str(), kContext);
        if (!m_pSession->IsOpen()) {
            if (m_bLogEnabled)
                WriteUpdateLog(L"Exceptions got in GetHttpConnect: " +
                               InternetErrorText(m_pSession->m_dwError));
            return nullptr;
        }
    }
    m_pSession->SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, 5000);
    m_pSession->SetOption(INTERNET_OPTION_CONNECT_RETRIES, 3);

    ParsedUrl parts;
    if (!ParseHttpUrl(url, parts)) {
        if (m_bLogEnabled)
            WriteUpdateLog(L"Exceptions got in GetHttpConnect: " +
                           InternetErrorText(ERROR_INTERNET_INVALID_URL));
        return nullptr;
    }
    m_strObject = parts.strObject;
    m_bSecure = parts.bSecure;
    auto connection = m_pSession->GetHttpConnection(parts.strServer, parts.nPort);
    if (!connection && m_bLogEnabled)
        WriteUpdateLog(L"Exceptions got in GetHttpConnect: " +
                       InternetErrorText(m_pSession->m_dwError));
    return connection;
}

std::unique_ptr<CHttpFile> CUpdateChecker::GetHttpFile(CHttpConnection& connection) {
    return connection.OpenRequest(L"GET", m_strObject, http::RequestFlags(m_bSecure), L"HTTP/1.1");
}

void CUpdateChecker::Notify(WPARAM percent, LPARAM done) {
    if (m_hNotifyWnd) ::SendMessageW(m_hNotifyWnd, UM_UPDATE_PROGRESS, percent, done);
}

bool CUpdateChecker::IsAnnouncedInstaller(const std::wstring& path) {
    if (!IsWindowsExecutable(path)) {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"File %ls is not a program in DownloadHttpFile", path.c_str()));
        return false;
    }
    if (m_strSetupSha256.empty()) return false;  // nothing announced, nothing started
    std::string actual;
    if (!Sha256OfFile(path, actual)) return false;
    const std::wstring wide = Widened(actual);
    if (EqualsNoCase(wide, m_strSetupSha256)) return true;
    if (m_bLogEnabled)
        WriteUpdateLog(Format(L"File %ls has SHA-256 %ls, not %ls in DownloadHttpFile",
                              path.c_str(), wide.c_str(), m_strSetupSha256.c_str()));
    return false;
}

bool CUpdateChecker::DownloadHttpFile(CHttpFile& request, const std::wstring& path, bool launch) {
    uint64_t have = 0;
    if (IsFile(path)) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        if (!FileSize(path, have)) have = 0;
        if (have > 0) {
            const DWORD add = HTTP_ADDREQ_FLAG_ADD_IF_NEW;
            request.AddRequestHeaders(L"Range:bytes=" + std::to_wstring(have) + L"-", add);
            request.AddRequestHeaders(L"Proxy-Connection: Keep-Alive", add);
            request.AddRequestHeaders(L"Cache-Control: public", add);
            request.AddRequestHeaders(L"Except: 100-continue", add);
            request.AddRequestHeaders(L"Content-Type: application/x-www-form-urlencoded", add);
        }
    } else if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"%ls is a folder in DownloadHttpFile", path.c_str()));
        return false;
    }

    if (!http::SendRequest(request)) {
        if (m_bLogEnabled) WriteUpdateLog(L"SendRequest failed in DownloadHttpFile");
        return false;
    }
    const uint64_t limit = launch ? kInstallerLimit : kVersionFileLimit;

    // Only the announced content may reach the file: an error page must never be saved, and
    // a resumed part must continue exactly where the file ends.
    const DWORD status = request.QueryStatusCode();
    Body body;
    body.bKnownLength = request.QueryContentLength(body.nLength);
    std::wstring text;
    ContentRange range;
    const bool hasRange =
        request.QueryInfo(HTTP_QUERY_CONTENT_RANGE, text) && ParseContentRange(text, range);
    bool complete = false;
    if (status == HTTP_STATUS_OK) {
        if (have > 0 && m_bLogEnabled)
            WriteUpdateLog(
                Format(L"Range ignored, %ls received anew in DownloadHttpFile", path.c_str()));
        have = 0;  // the whole file comes again
        complete = ReceiveBody(request, path, have, body, limit);
    } else if (status == HTTP_STATUS_PARTIAL_CONTENT && have > 0 && hasRange &&
               range.first == int64_t(have) && (range.total < 0 || range.total == range.last + 1) &&
               (!body.bKnownLength || body.nLength == uint64_t(range.last - range.first + 1))) {
        body.nLength = uint64_t(range.last - range.first + 1);
        body.bKnownLength = true;
        complete = ReceiveBody(request, path, have, body, limit);
    } else if (status == kStatusRangeNotSatisfiable && have > 0 && hasRange &&
               range.total == int64_t(have)) {
        // Nothing left to fetch: the file is the server's whole file already.
        Notify(100, 0);
        if (m_bLogEnabled)
            WriteUpdateLog(
                Format(L"File %ls exists and completed in DownloadHttpFile", path.c_str()));
        complete = true;
    } else {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"HTTP status %u in DownloadHttpFile", unsigned(status)));
        return false;
    }
    if (!complete) return false;

    // A complete installer is started even when it was complete before: the wizard ends on the
    // final message and must not end without a running installer.
    if (launch) {
        if (!IsAnnouncedInstaller(path)) {
            ::DeleteFileW(path.c_str());
            return false;
        }
        if (!OpenWithShell(nullptr, path)) {
            if (m_bLogEnabled) WriteUpdateLog(Format(L"Failed to call up %ls", path.c_str()));
            return false;
        }
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Call up %ls", path.c_str()));
        ::Sleep(2000);
    }
    Notify(100, 1);
    return true;
}

bool CUpdateChecker::ReceiveBody(CHttpFile& request, const std::wstring& path, uint64_t have,
                                 const Body& body, uint64_t limit) {
    if (body.bKnownLength && (have > limit || body.nLength > limit - have)) {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"%ls would be larger than %llu bytes in DownloadHttpFile",
                                  path.c_str(), static_cast<unsigned long long>(limit)));
        ::DeleteFileW(path.c_str());
        return false;
    }
    ScopedKernelHandle file = OpenForWriting(path);
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(have);
    if (!file || !::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) {
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"Exceptions got in DownloadHttpFile: %ls",
                                  InternetErrorText(::GetLastError()).c_str()));
        return false;
    }
    const uint64_t total = have + body.nLength;
    Notify(have > 0 ? Percent(have, total) : 0, 0);

    http::BodyOptions options;
    options.limit = limit;
    options.have = have;
    if (body.bKnownLength) options.length = body.nLength;
    options.cancelled = [this] {
        PumpWaitingMessages();
        return Cancelled();
    };
    // A body of unknown length has no percentage to show until it is over.
    if (body.bKnownLength)
        options.progress = [&](uint64_t received, uint64_t) { Notify(Percent(received, total), 0); };
    const http::BodyEnd end = http::ReceiveBody(request, file, options);
    switch (end) {
        case http::BodyEnd::kComplete: return true;
        case http::BodyEnd::kCut: return false;
        case http::BodyEnd::kCancelled:
            if (m_bLogEnabled) WriteUpdateLog(L"User cancelled");
            return false;
        case http::BodyEnd::kTooLarge:
            if (m_bLogEnabled)
                WriteUpdateLog(Format(L"%ls cut off at %llu bytes in DownloadHttpFile",
                                      path.c_str(), static_cast<unsigned long long>(limit)));
            file.Reset();
            ::DeleteFileW(path.c_str());
            return false;
        case http::BodyEnd::kWriteFailed:
        case http::BodyEnd::kReadFailed:
        case http::BodyEnd::kStalled:
            if (m_bLogEnabled)
                WriteUpdateLog(Format(L"Exceptions got in DownloadHttpFile: %ls",
                                      InternetErrorText(end == http::BodyEnd::kWriteFailed
                                                            ? ::GetLastError()
                                                            : request.m_dwError)
                                          .c_str()));
            return false;
    }
    return false;
}

int CUpdateChecker::DownloadDVR(HWND hWnd) {
    m_hNotifyWnd = hWnd;
    if (m_strFolder.empty()) {
        m_hNotifyWnd = nullptr;
        return kDownloadNoFolder;
    }
    const std::wstring path = m_strFolder + kSetupFileName;
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    if (InitInternetSession(m_strSetupUrl, connection, request) != 1) {
        request.reset();
        connection.reset();
        CloseSession();
        m_hNotifyWnd = nullptr;
        if (m_bLogEnabled)
            WriteUpdateLog(Format(L"Return %d in DownloadDVR", kDownloadNoConnection));
        return kDownloadNoConnection;
    }
    kovra::TestPoint("update-download");
    const bool ok = DownloadHttpFile(*request, path, true);
    request.reset();
    connection.reset();
    CloseSession();
    m_hNotifyWnd = nullptr;
    if (!ok) {
        if (m_bLogEnabled) WriteUpdateLog(Format(L"Return %d in DownloadDVR", kDownloadIncomplete));
        return kDownloadIncomplete;
    }
    return kDownloadDone;
}

void CUpdateChecker::WriteUpdateLog(const std::wstring& text, bool header) {
    if (!m_bLogEnabled || m_strFolder.empty()) return;
    FILE* log = _wfopen((m_strFolder + kLogFileName).c_str(), L"a+");
    if (!log) return;
    std::wstring out;
    // Text mode turns each "\n" into CR LF; the records have always looked so.
    if (header)
        out = L"\r\n\r\nNew Records: " + std::wstring(21, L'-') + std::wstring(18, L'*') +
              std::wstring(21, L'-') + L"\r\n";
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    out += Format(L"%04d-%02d-%02d %02d:%02d:%02d\t", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    out += text + L"\r\n";
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, out.data(), int(out.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, out.data(), int(out.size()), &narrow[0], n, nullptr,
                              nullptr);
    std::fwrite(narrow.data(), 1, narrow.size(), log);
    std::fclose(log);
}
