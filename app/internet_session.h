// Thin owners of WinINet handles: a session, an HTTP connection on it, and one request.
// Failures are return values; the WinINet error of the last failed call is kept for the log.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>

class CHttpFile;
class CHttpConnection;

// The parts of an HTTP or HTTPS address.
struct ParsedUrl {
    bool bSecure = false;     // "https"
    std::wstring strServer;   // host name
    std::wstring strObject;   // path and query, at least "/"
    INTERNET_PORT nPort = 0;  // from the address, else 80 or 443
};

// False for anything but an absolute http:// or https:// address with a host.
bool ParseHttpUrl(const std::wstring& url, ParsedUrl& out);

// The system's message for a WinINet or Win32 error code, without the trailing line break; a
// generic text with the number when the system has none.
std::wstring InternetErrorText(DWORD error);

class CInternetSession {
public:
    // Opens the session with the system's proxy settings; IsOpen tells whether it worked.
    CInternetSession(const wchar_t* lpszAgent, DWORD_PTR dwContext);
    ~CInternetSession() { Close(); }
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    bool IsOpen() const { return m_hSession != nullptr; }
    void Close();
    bool SetOption(DWORD dwOption, DWORD dwValue);
    // Null on failure (see m_dwError). No network traffic happens until a request is sent.
    std::unique_ptr<CHttpConnection> GetHttpConnection(const std::wstring& server,
                                                       INTERNET_PORT port);

    HINTERNET m_hSession = nullptr;
    DWORD_PTR m_dwContext;
    DWORD m_dwError = 0;
};

class CHttpConnection {
public:
    CHttpConnection(HINTERNET hConnect, DWORD_PTR dwContext)
        : m_hConnect(hConnect), m_dwContext(dwContext) {}
    ~CHttpConnection() { Close(); }
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    void Close();
    // Null on failure (see m_dwError).
    std::unique_ptr<CHttpFile> OpenRequest(const wchar_t* verb, const std::wstring& object,
                                           DWORD flags, const wchar_t* version);

    HINTERNET m_hConnect;
    DWORD_PTR m_dwContext;
    DWORD m_dwError = 0;
};

class CHttpFile {
public:
    explicit CHttpFile(HINTERNET hRequest) : m_hRequest(hRequest) {}
    ~CHttpFile() { Close(); }
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    void Close();
    // One or more "Name: value" lines separated by CR LF; flags as HttpAddRequestHeaders.
    bool AddRequestHeaders(const std::wstring& headers, DWORD flags);
    bool SendRequest();
    bool SetOption(DWORD dwOption, DWORD dwValue);
    // The response's status code, 0 when there is none.
    DWORD QueryStatusCode();
    // A response header as text; false when the response does not carry it.
    bool QueryInfo(DWORD level, std::wstring& value);
    // Content-Length; false when absent or not a number.
    bool QueryContentLength(uint64_t& length);
    // Reads up to size bytes of the body; read is 0 at its end. False on a transfer error.
    bool Read(void* buffer, DWORD size, DWORD& read);

    HINTERNET m_hRequest;
    DWORD m_dwError = 0;
};
