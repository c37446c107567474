// Base data download: configuration fetch, progress reports, the download thread.
#include "wizard/base_download.h"

#include <objbase.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "app/helpers.h"
#include "app/internet_session.h"
#include "app/server_url.h"
#include "base/test_point.h"
#include "base/user_folders.h"
#include "base/window_messages.h"
#include "camdata/config.h"

const wchar_t kBaseFileIniServerPath[] = L"/dvr/Kovra R7/rus/BaseFile.ini";

std::wstring GetBaseFileIniUrl() {
    return BuiltInServerUrl((std::wstring(kNormalServerHost) + kBaseFileIniServerPath).c_str());
}

bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path,
                       DownloadProgress* pProgress, uint64_t limit) {
    ParsedUrl parts;
    if (!ParseHttpUrl(url, parts)) return false;
    DownloadProgress statusOnly(nullptr);
    if (!pProgress) pProgress = &statusOnly;
    pProgress->SetLimit(limit);
    // A copy kept from an earlier transfer would be handed back instead of what the server
    // holds now.
    ::DeleteUrlCacheEntryW(url.c_str());
    const HRESULT hr = ::URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0,
                                            static_cast<IBindStatusCallback*>(pProgress));
    // Progress reports may come less often than blocks: the stored size has the last word.
    WIN32_FILE_ATTRIBUTE_DATA data;
    const bool small = ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
                       (uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow) <= limit;
    if (hr == S_OK && pProgress->ResponseOk() && small) return true;
    // An error page, a cut or cancelled transfer, or too much: not what was asked for.
    ::DeleteFileW(path.c_str());
    return false;
}

bool FetchBaseFileUrl(const std::wstring& configUrl, const std::wstring& iniPath,
                      std::wstring* pUrl) {
    pUrl->clear();
    if (::GetFileAttributesW(iniPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileW(iniPath.c_str());
    if (!DownloadUrlToFile(configUrl, iniPath, nullptr, kBaseFileIniLimit)) return false;
    return GetBaseFileUrl(iniPath, pUrl);
}

bool GetDownloadFileName(const std::wstring& url, std::wstring* pName) {
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

void CBaseDownload::Reset(const std::wstring& strBaseUrl) {
    m_nCancel.exchange(0);
    m_bLoadFailed = false;
    m_strBaseUrl = strBaseUrl;
    m_strPath.clear();
}

STDMETHODIMP DownloadProgress::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    // Only the HTTP negotiation is offered: through it the transfer tells the server's answer.
    if (IsEqualIID(riid, IID_IHttpNegotiate)) {
        *ppv = static_cast<IHttpNegotiate*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP DownloadProgress::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                    LPWSTR* pszAdditionalHeaders) {
    if (pszAdditionalHeaders) *pszAdditionalHeaders = nullptr;
    return S_OK;
}

STDMETHODIMP DownloadProgress::OnResponse(DWORD dwResponseCode, LPCWSTR, LPCWSTR,
                                          LPWSTR* pszAdditionalRequestHeaders) {
    if (pszAdditionalRequestHeaders) *pszAdditionalRequestHeaders = nullptr;
    m_dwResponseCode = dwResponseCode;
    return S_OK;
}

UINT DownloadProgress::Percent(ULONG ulProgress, ULONG ulProgressMax) {
    if (ulProgressMax == 0) return 0;
    const double percent = double(uint32_t(ulProgress)) / double(uint32_t(ulProgressMax)) * 100.0;
    // A server that sends more than it announced must not push the bar past its end.
    return percent >= 100.0 ? 100u : UINT(percent);
}

STDMETHODIMP DownloadProgress::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG, LPCWSTR) {
    if (ulProgress > m_nLimit || ulProgressMax > m_nLimit) return E_ABORT;
    if (!m_pDownload) return S_OK;
    if (ulProgressMax != 0 && m_pDownload->m_hWndPage)
        ::PostMessageW(m_pDownload->m_hWndPage, UM_DOWNLOAD_PERCENT,
                       WPARAM(Percent(ulProgress, ulProgressMax)), 0);
    if (ulProgress > 0) kovra::TestPoint("download");
    return m_pDownload->IsCancelled() ? E_ABORT : S_OK;
}

bool DownloadBaseData(CBaseDownload* p) {
    p->m_bLoadFailed = false;
    std::wstring folder = p->m_strFolder;
    std::wstring name;
    if ((folder.empty() && !kovra::GetDocumentsFolder(&folder)) ||
        !GetDownloadFileName(p->m_strBaseUrl, &name)) {
        p->m_bLoadFailed = true;
        return false;
    }
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    p->m_strPath = folder + name;

    wchar_t temp[MAX_PATH] = L"";
    bool ok = folder.size() < MAX_PATH - 14 && ::GetTempFileNameW(folder.c_str(), L"kvd", 0, temp);
    if (ok) {
        DownloadProgress progress(p);
        // A cancel that came with the last block is not always seen by the transfer: it
        // holds all the same.
        ok = DownloadUrlToFile(p->m_strBaseUrl, temp, &progress, p->m_nLimit) &&
             !p->IsCancelled() &&
             ::MoveFileExW(temp, p->m_strPath.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!ok) ::DeleteFileW(temp);
    }
    if (!ok) {
        p->m_bLoadFailed = true;
        return false;
    }
    kovra::TestPoint("import");
    if (p->m_fnImport) p->m_fnImport(*p);
    if (p->m_hWndPage) ::PostMessageW(p->m_hWndPage, UM_BASE_DOWNLOADED, 0, 0);
    return true;
}

UINT BaseDownloadThreadProc(LPVOID pParam) {
    CBaseDownload* p = static_cast<CBaseDownload*>(pParam);
    if (!p) return 1;
    // The transfer and the import's structured storage both want COM on this thread.
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!DownloadBaseData(p) && p->m_hWndPage) {
        // After a cancel the page goes back on its own thread, through its "< Back" command.
        if (p->IsCancelled())
            ::PostMessageW(p->m_hWndPage, WM_COMMAND, MAKEWPARAM(p->m_nBackCommand, BN_CLICKED), 0);
        else
            ::PostMessageW(p->m_hWndPage, UM_STEP_NEXT, 0, 0);
    }
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
    return 1;
}
