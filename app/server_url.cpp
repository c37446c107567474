// Built-in server addresses with the KOVRA_SERVER_URL override applied.
#include "app/server_url.h"

#include <windows.h>

namespace {

// Length of "scheme://authority" at the start of url, or 0 when url has no "://".
size_t OriginLength(const std::wstring& url) {
    const size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return 0;
    const size_t path = url.find(L'/', scheme + 3);
    return path == std::wstring::npos ? url.size() : path;
}

}  // namespace

std::wstring ApplyServerOverride(const std::wstring& url, const std::wstring& override) {
    if (override.empty()) return url;
    std::wstring origin = override;
    if (origin.find(L"://") == std::wstring::npos) origin = L"http://" + origin;
    origin.resize(OriginLength(origin));
    const size_t own = OriginLength(url);
    // An address without a scheme is not one of ours; leave it alone rather than guess.
    if (own == 0) return url;
    return origin + url.substr(own);
}

std::wstring BuiltInServerUrl(const wchar_t* builtInUrl) {
    const std::wstring url = builtInUrl ? builtInUrl : L"";
    wchar_t value[512];
    const DWORD n = ::GetEnvironmentVariableW(L"KOVRA_SERVER_URL", value, 512);
    // Not set, empty, or too long to be a host and port: the built-in address stands.
    if (n == 0 || n >= 512) return url;
    return ApplyServerOverride(url, std::wstring(value, n));
}
