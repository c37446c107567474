// The download loop shared by every transfer, and a plain GET into a file.
#include "app/http_transfer.h"

#include <wininet.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <vector>

#include "app/helpers.h"
#include "framework/handles.h"

namespace http {
namespace {

constexpr DWORD kBlockSize = 32768;
constexpr int kRedirectLimit = 5;
constexpr DWORD kSocketTimeout = 10060;  // WSAETIMEDOUT: how Wine reports a receive timeout

bool IsTimeout(DWORD error) {
    return error == ERROR_INTERNET_TIMEOUT || error == kSocketTimeout;
}

bool IsChunked(CHttpFile& request) {
    std::wstring text;
    if (!request.QueryInfo(HTTP_QUERY_TRANSFER_ENCODING, text)) return false;
    for (wchar_t& c : text) c = wchar_t(std::towlower(c));
    return text.find(L"chunked") != std::wstring::npos;
}

}  // namespace

bool IsOnline() {
    DWORD flags = 0;
    return ::InternetGetConnectedState(&flags, 0) && ::InternetAttemptConnect(0) == ERROR_SUCCESS;
}

DWORD RequestFlags(bool secure) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    return flags;
}

bool SendRequest(CHttpFile& request) {
    request.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, kAnswerLimitMs);
    return request.SendRequest();
}

BodyEnd ReadSome(CHttpFile& request, void* buffer, DWORD size, DWORD& read,
                 const std::function<bool()>& cancelled, DWORD silenceMs) {
    read = 0;
    // The request's receive timeout is kept short: a silent server then gives the thread back
    // often enough to hear a cancel, and the silence is counted here.
    request.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, kCancelPollMs);
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        if (cancelled && cancelled()) return BodyEnd::kCancelled;
        DWORD available = 0;
        if (::InternetQueryDataAvailable(request.m_hRequest, &available, 0, 0)) {
            if (available == 0) return BodyEnd::kComplete;  // the end of the body
            return request.Read(buffer, std::min(available, size), read) ? BodyEnd::kComplete
                                                                        : BodyEnd::kReadFailed;
        }
        const DWORD error = ::GetLastError();
        if (!IsTimeout(error)) {
            request.m_dwError = error;
            return BodyEnd::kReadFailed;
        }
        if (::GetTickCount64() - start >= silenceMs) {
            request.m_dwError = error;
            return BodyEnd::kStalled;
        }
    }
}

BodyEnd ReceiveBody(CHttpFile& request, HANDLE file, const BodyOptions& options) {
    uint64_t length = options.length;
    const bool known = length != UINT64_MAX || request.QueryContentLength(length);
    if (options.have > options.limit || (known && length > options.limit - options.have))
        return BodyEnd::kTooLarge;
    // Without a length, only a chunked body says where it ends.
    const bool chunked = !known && IsChunked(request);
    const uint64_t total = known ? options.have + length : 0;

    std::vector<char> block(kBlockSize);
    uint64_t received = options.have;
    for (;;) {
        DWORD n = 0;
        const BodyEnd end =
            ReadSome(request, block.data(), kBlockSize, n, options.cancelled, options.silenceMs);
        if (end != BodyEnd::kComplete) return end;
        if (n == 0) break;
        // Counted before it is written: the cap holds whatever the server announced or not.
        if (n > options.limit - received) return BodyEnd::kTooLarge;
        DWORD written = 0;
        if (!::WriteFile(file, block.data(), n, &written, nullptr) || written != n)
            return BodyEnd::kWriteFailed;
        received += n;
        if (options.progress) options.progress(received, total);
    }
    if (known) return received == total ? BodyEnd::kComplete : BodyEnd::kCut;
    // A body ended by the connection cannot be told from one cut short.
    return chunked || options.takeUnframed || received == options.have ? BodyEnd::kComplete
                                                                       : BodyEnd::kCut;
}

bool RedirectTarget(const std::wstring& url, const std::wstring& location, std::wstring& target) {
    ParsedUrl from;
    if (!ParseHttpUrl(url, from) || location.empty()) return false;
    std::wstring next = location;
    if (next[0] == L'/' && (next.size() < 2 || next[1] != L'/')) {
        // A path on the same server.
        next = std::wstring(from.bSecure ? L"https://" : L"http://") + from.strServer + L":" +
               std::to_wstring(from.nPort) + next;
    }
    ParsedUrl to;
    if (!ParseHttpUrl(next, to) || !EqualsNoCase(to.strServer, from.strServer)) return false;
    target = next;
    return true;
}

GetOutcome GetToFile(const std::wstring& url, const std::wstring& path, const BodyOptions& options) {
    GetOutcome out;
    ParsedUrl parts;
    if (!ParseHttpUrl(url, parts)) {
        out.result = GetResult::kBadAddress;
        return out;
    }
    CInternetSession session(L"kovradesk", 1);
    if (!session.IsOpen()) return out;
    session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, 5000);
    session.SetOption(INTERNET_OPTION_CONNECT_RETRIES, 3);

    std::wstring address = url;
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    for (int hop = 0;; ++hop) {
        request.reset();
        connection = session.GetHttpConnection(parts.strServer, parts.nPort);
        if (!connection) return out;
        request = connection->OpenRequest(L"GET", parts.strObject, RequestFlags(parts.bSecure),
                                          L"HTTP/1.1");
        if (!request || !SendRequest(*request)) return out;
        out.status = request->QueryStatusCode();
        if (out.status == HTTP_STATUS_OK) break;
        std::wstring location, next;
        const bool redirect = out.status == HTTP_STATUS_MOVED || out.status == HTTP_STATUS_REDIRECT ||
                              out.status == HTTP_STATUS_REDIRECT_METHOD ||
                              out.status == HTTP_STATUS_REDIRECT_KEEP_VERB || out.status == 308;
        if (!redirect || hop == kRedirectLimit || !request->QueryInfo(HTTP_QUERY_LOCATION, location) ||
            !RedirectTarget(address, location, next) || !ParseHttpUrl(next, parts)) {
            out.result = GetResult::kHttpStatus;
            return out;
        }
        address = next;
    }

    {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            out.result = GetResult::kNoFile;
            return out;
        }
        ScopedKernelHandle file(h);
        BodyOptions body = options;
        body.have = 0;
        out.body = ReceiveBody(*request, file, body);
    }
    if (out.body == BodyEnd::kComplete) {
        out.result = GetResult::kDone;
        return out;
    }
    out.result = GetResult::kBody;
    ::DeleteFileW(path.c_str());
    return out;
}

}  // namespace http
