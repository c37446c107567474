// Base data download: the configuration file, the workbook, the download thread.
#include "wizard/base_download.h"

#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "app/helpers.h"
#include "app/http_transfer.h"
#include "app/server_url.h"
#include "app/sha256.h"
#include "app/version_signature.h"
#include "base/file_io.h"
#include "base/test_point.h"
#include "base/user_folders.h"
#include "base/window_messages.h"
#include "camdata/config.h"
#include "framework/handles.h"

const wchar_t kBaseFileIniServerPath[] = L"/dvr/Kovra R7/rus/BaseFile.ini";

namespace {

constexpr wchar_t kBaseFileSection[] = L"ActiveBaseFil";
constexpr wchar_t kDefaultName[] = L"Base data";
constexpr size_t kLongestStem = 64;

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

// The last part of the address when the file system takes it as a name as it stands.
bool AddressFileName(const std::wstring& url, std::wstring* pName) {
    std::wstring name;
    if (!GetFileNameFromPath(url, name)) return false;
    name.resize(std::min(name.find_first_of(L"?#"), name.size()));
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c)) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    *pName = name;
    return true;
}

// Marks the file as downloaded from url, as browsers do, where the volume keeps named streams
// (elsewhere, Wine's drives among them, the stream's name would make a file of its own).
void MarkAsDownloaded(const std::wstring& path, const std::wstring& url) {
    wchar_t volume[MAX_PATH] = L"";
    DWORD flags = 0;
    if (!::GetVolumePathNameW(path.c_str(), volume, MAX_PATH) ||
        !::GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        !(flags & FILE_NAMED_STREAMS))
        return;
    const std::string mark = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + kovra::ToUtf8(url) + "\r\n";
    HANDLE h = ::CreateFileW((path + L":Zone.Identifier").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    ScopedKernelHandle stream(h);
    DWORD written = 0;
    ::WriteFile(stream, mark.data(), DWORD(mark.size()), &written, nullptr);
}

}  // namespace

std::wstring GetBaseFileIniUrl() {
    return BuiltInServerUrl((std::wstring(kNormalServerHost) + kBaseFileIniServerPath).c_str());
}

bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path, uint64_t limit,
                       const std::function<bool()>& cancelled,
                       const std::function<void(uint64_t, uint64_t)>& progress) {
    http::BodyOptions options;
    options.limit = limit;
    // The configuration file and the workbook are data, checked when read: a server that ends
    // its answer with the connection is taken as it has always been.
    options.takeUnframed = true;
    options.cancelled = cancelled;
    options.progress = progress;
    return http::GetToFile(url, path, options).result == http::GetResult::kDone;
}

bool ReadBaseFileOffer(const std::wstring& iniPath, const std::vector<std::string>& keys,
                       BaseFileOffer* pOffer) {
    *pOffer = BaseFileOffer();
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(iniPath, bytes, kBaseFileIniLimit)) return false;
    const VersionSection section =
        ReadVersionSection(std::string(bytes.begin(), bytes.end()), kovra::ToUtf8(kBaseFileSection));
    if (section.strSignature.empty()) {
        // Unsigned, as servers have always sent it: read as ever.
        return GetBaseFileUrl(iniPath, &pOffer->strUrl);
    }
    // Signed: every value from the lines the signature covers, and the digest among them.
    const std::string url = section.Value("URL");
    const std::string sha256 = section.Value("sha256");
    if (VerifyVersionSection(section, keys) != SignatureCheck::kVerified || url.size() <= 1 ||
        !IsSha256Text(sha256))
        return false;
    pOffer->strUrl = kovra::FromUtf8(url);
    pOffer->strSha256 = Lowered(sha256);
    return true;
}

bool FetchBaseFileOffer(const std::wstring& configUrl, const std::wstring& iniPath,
                        const std::vector<std::string>& keys, BaseFileOffer* pOffer,
                        const std::function<bool()>& cancelled) {
    *pOffer = BaseFileOffer();
    if (::GetFileAttributesW(iniPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileW(iniPath.c_str());
    if (!DownloadUrlToFile(configUrl, iniPath, kBaseFileIniLimit, cancelled)) return false;
    return ReadBaseFileOffer(iniPath, keys, pOffer);
}

std::wstring BaseDataFileName(const std::wstring& url) {
    std::wstring name;
    if (!AddressFileName(url, &name)) name = kDefaultName;
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    if (name.size() > kLongestStem) name.resize(kLongestStem);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (name.empty()) name = kDefaultName;
    return name + L".xls";
}

std::wstring BaseDataFolder(const std::wstring& parent) {
    std::wstring folder = parent;
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder + kDefaultName;
}

void CBaseDownload::Reset(const std::wstring& strBaseUrl) {
    m_nCancel.exchange(0);
    m_bLoadFailed = false;
    m_bImporting = false;
    m_strBaseUrl = strBaseUrl;
    m_strPath.clear();
}

UINT DownloadPercent(uint64_t received, uint64_t total) {
    if (total == 0) return 0;
    // A server that sends more than it announced must not push the bar past its end.
    return received >= total ? 100u : UINT(double(received) / double(total) * 100.0);
}

bool DownloadBaseData(CBaseDownload* p) {
    p->m_bLoadFailed = false;
    std::wstring parent = p->m_strFolder;
    if (parent.empty() && !kovra::GetDocumentsFolder(&parent)) {
        p->m_bLoadFailed = true;
        return false;
    }
    const std::wstring folder = BaseDataFolder(parent);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    p->m_strPath = folder + L"\\" + BaseDataFileName(p->m_strBaseUrl);

    wchar_t temp[MAX_PATH] = L"";
    bool ok = folder.size() < MAX_PATH - 14 && ::GetTempFileNameW(folder.c_str(), L"kvd", 0, temp);
    if (ok) {
        const auto cancelled = [p] { return p->IsCancelled(); };
        const auto progress = [p](uint64_t received, uint64_t total) {
            if (total != 0 && p->m_hWndPage)
                ::PostMessageW(p->m_hWndPage, UM_DOWNLOAD_PERCENT,
                               WPARAM(DownloadPercent(received, total)), 0);
            kovra::TestPoint("download");
        };
        std::string digest;
        // A cancel that came with the last block holds all the same.
        ok = DownloadUrlToFile(p->m_strBaseUrl, temp, p->m_nLimit, cancelled, progress) &&
             !p->IsCancelled() &&
             (p->m_strSha256.empty() ||
              (Sha256OfFile(temp, digest) && digest == p->m_strSha256)) &&
             ::MoveFileExW(temp, p->m_strPath.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!ok) ::DeleteFileW(temp);
    }
    if (!ok) {
        p->m_bLoadFailed = true;
        return false;
    }
    MarkAsDownloaded(p->m_strPath, p->m_strBaseUrl);
    p->m_bImporting = true;
    kovra::TestPoint("import");
    if (p->m_fnImport) {
        p->m_fnImport(*p);
        // A file that is no base data has no business in the user's folder.
        if (p->m_pImported && p->m_pImported->outcome == ImportedSource::kInvalidFile)
            ::DeleteFileW(p->m_strPath.c_str());
    }
    if (p->m_hWndPage) ::PostMessageW(p->m_hWndPage, UM_BASE_DOWNLOADED, 0, 0);
    return true;
}

UINT BaseDownloadThreadProc(LPVOID pParam) {
    CBaseDownload* p = static_cast<CBaseDownload*>(pParam);
    if (!p) return 1;
    // The import's structured storage wants COM on this thread.
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CBaseDownload::End end = CBaseDownload::kFailed;
    bool done = false;
    BaseFileOffer offer;
    if (!p->m_strConfigUrl.empty() &&
        !FetchBaseFileOffer(p->m_strConfigUrl, p->m_strIniPath, p->m_trustedKeys, &offer,
                            [p] { return p->IsCancelled(); })) {
        end = CBaseDownload::kNoServer;
    } else {
        if (!p->m_strConfigUrl.empty()) {
            p->m_strBaseUrl = offer.strUrl;
            p->m_strSha256 = offer.strSha256;
        }
        done = DownloadBaseData(p);
    }
    if (!done && p->m_hWndPage) {
        if (p->IsCancelled()) end = CBaseDownload::kCancelled;
        ::PostMessageW(p->m_hWndPage, UM_DOWNLOAD_ENDED, end, 0);
    }
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
    return 1;
}
