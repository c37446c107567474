// Addresses of our download servers, and the test override that points them elsewhere.
#pragma once

#include <string>

// Scheme and host of the normal download server and of the test server ("qaconfig").
inline constexpr wchar_t kNormalServerHost[] = L"http://download.kovra-dvr.example";
inline constexpr wchar_t kTestServerHost[] = L"http://test.kovra-dvr.example";
// Where users download the program themselves.
inline constexpr wchar_t kMakerWebAddress[] = L"www.kovra-dvr.example";

// A built-in server address (one of the hosts above plus a path) as it is to be used: when the
// environment variable KOVRA_SERVER_URL is set and not empty (e.g. "http://127.0.0.1:8765"), its
// scheme, host and port replace those of builtInUrl and the path is kept. Addresses that come
// from the server's own files must not go through here. Safe on any thread.
std::wstring BuiltInServerUrl(const wchar_t* builtInUrl);

// The rule behind BuiltInServerUrl with the override given: empty override -> url unchanged;
// an override without "://" is taken as "http://" + override; only its scheme and authority
// count (anything from its first "/" after "://" on is ignored).
std::wstring ApplyServerOverride(const std::wstring& url, const std::wstring& override);
