// WinINet session, connection and request owners.
#include "app/internet_session.h"

#include <cwctype>

std::wstring InternetErrorText(DWORD error) {
    wchar_t text[1024] = L"";
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                               ::GetModuleHandleW(L"wininet.dll"), error, 0, text, 1024, nullptr);
    if (n == 0)
        n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, 1024, nullptr);
    std::wstring s(text, n);
    while (!s.empty() && (s.back() == L'\r' || s.back() == L'\n' || s.back() == L' ')) s.pop_back();
    if (s.empty()) s = L"Internet error " + std::to_wstring(error);
    return s;
}

bool ParseHttpUrl(const std::wstring& url, ParsedUrl& out) {
    if (url.empty() || url.size() > 2048) return false;
    wchar_t host[256] = L"", path[2048] = L"", extra[2048] = L"";
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2048;
    if (!::InternetCrackUrlW(url.c_str(), DWORD(url.size()), 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    if (!host[0]) return false;
    out.bSecure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    out.strServer = host;
    out.strObject = std::wstring(path) + extra;
    if (out.strObject.empty() || out.strObject[0] != L'/') out.strObject.insert(0, 1, L'/');
    out.nPort = parts.nPort
                    ? parts.nPort
                    : (out.bSecure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    return true;
}

CInternetSession::CInternetSession(const wchar_t* lpszAgent, DWORD_PTR dwContext)
    : m_dwContext(dwContext) {
    m_hSession = ::InternetOpenW(lpszAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!m_hSession) m_dwError = ::GetLastError();
}

void CInternetSession::Close() {
    if (m_hSession) ::InternetCloseHandle(m_hSession);
    m_hSession = nullptr;
}

bool CInternetSession::SetOption(DWORD dwOption, DWORD dwValue) {
    return m_hSession && ::InternetSetOptionW(m_hSession, dwOption, &dwValue, sizeof dwValue);
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::wstring& server,
                                                                     INTERNET_PORT port) {
    if (!m_hSession) {
        m_dwError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    HINTERNET h = ::InternetConnectW(m_hSession, server.c_str(), port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, m_dwContext);
    if (!h) {
        m_dwError = ::GetLastError();
        return nullptr;
    }
    return std::make_unique<CHttpConnection>(h, m_dwContext);
}

void CHttpConnection::Close() {
    if (m_hConnect) ::InternetCloseHandle(m_hConnect);
    m_hConnect = nullptr;
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(const wchar_t* verb,
                                                        const std::wstring& object, DWORD flags,
                                                        const wchar_t* version) {
    if (!m_hConnect) {
        m_dwError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    HINTERNET h = ::HttpOpenRequestW(m_hConnect, verb, object.c_str(), version, nullptr, nullptr,
                                     flags, m_dwContext);
    if (!h) {
        m_dwError = ::GetLastError();
        return nullptr;
    }
    return std::make_unique<CHttpFile>(h);
}

void CHttpFile::Close() {
    if (m_hRequest) ::InternetCloseHandle(m_hRequest);
    m_hRequest = nullptr;
}

bool CHttpFile::AddRequestHeaders(const std::wstring& headers, DWORD flags) {
    if (::HttpAddRequestHeadersW(m_hRequest, headers.c_str(), DWORD(headers.size()), flags))
        return true;
    m_dwError = ::GetLastError();
    return false;
}

bool CHttpFile::SendRequest() {
    if (::HttpSendRequestW(m_hRequest, nullptr, 0, nullptr, 0)) return true;
    m_dwError = ::GetLastError();
    return false;
}

bool CHttpFile::SetOption(DWORD dwOption, DWORD dwValue) {
    return ::InternetSetOptionW(m_hRequest, dwOption, &dwValue, sizeof dwValue) != FALSE;
}

DWORD CHttpFile::QueryStatusCode() {
    DWORD code = 0, size = sizeof code;
    if (!::HttpQueryInfoW(m_hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                          nullptr))
        return 0;
    return code;
}

bool CHttpFile::QueryInfo(DWORD level, std::wstring& value) {
    wchar_t text[1024];
    DWORD size = sizeof text;
    if (!::HttpQueryInfoW(m_hRequest, level, text, &size, nullptr)) return false;
    value.assign(text, size / sizeof(wchar_t));
    return true;
}

bool CHttpFile::QueryContentLength(uint64_t& length) {
    std::wstring text;
    if (!QueryInfo(HTTP_QUERY_CONTENT_LENGTH, text)) return false;
    size_t i = 0;
    while (i < text.size() && text[i] == L' ') ++i;
    if (i == text.size()) return false;
    uint64_t n = 0;
    for (; i < text.size() && std::iswdigit(text[i]); ++i) {
        if (n > (UINT64_MAX - 9) / 10) return false;
        n = n * 10 + unsigned(text[i] - L'0');
    }
    while (i < text.size() && text[i] == L' ') ++i;
    if (i != text.size()) return false;
    length = n;
    return true;
}

bool CHttpFile::Read(void* buffer, DWORD size, DWORD& read) {
    read = 0;
    if (::InternetReadFile(m_hRequest, buffer, size, &read)) return true;
    m_dwError = ::GetLastError();
    read = 0;
    return false;
}
