// The test override of our built-in server addresses.
#include "app/server_url.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(ServerUrl, OverrideReplacesOriginAndKeepsPath) {
    struct {
        const wchar_t* url;
        const wchar_t* over;
        const wchar_t* expected;
    } cases[] = {
        {L"http://download.kovra-dvr.example/dvr/pctool/ru/version.ini", L"",
         L"http://download.kovra-dvr.example/dvr/pctool/ru/version.ini"},
        {L"http://download.kovra-dvr.example/dvr/pctool/ru/version.ini", L"http://127.0.0.1:8765",
         L"http://127.0.0.1:8765/dvr/pctool/ru/version.ini"},
        // A trailing slash or a path in the override does not double or add to the path.
        {L"http://test.kovra-dvr.example/WebDownload/Test/version.ini_", L"http://127.0.0.1:80/",
         L"http://127.0.0.1:80/WebDownload/Test/version.ini_"},
        {L"http://download.kovra-dvr.example/dvr/Kovra R7/rus/BaseFile.ini",
         L"http://localhost:9/ignored/part", L"http://localhost:9/dvr/Kovra R7/rus/BaseFile.ini"},
        // Host and port alone mean plain HTTP.
        {L"http://download.kovra-dvr.example/a", L"127.0.0.1:8000", L"http://127.0.0.1:8000/a"},
        // A built-in host without a path.
        {L"http://download.kovra-dvr.example", L"http://127.0.0.1:1", L"http://127.0.0.1:1"},
        // Not an absolute address: left alone.
        {L"version.ini", L"http://127.0.0.1:1", L"version.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ApplyServerOverride(c.url, c.over), c.expected) << c.url << " / " << c.over;
    }
}

TEST(ServerUrl, ReadsTheEnvironmentEachTime) {
    const std::wstring url = std::wstring(kNormalServerHost) + L"/dvr/pctool/ru/version.ini";
    wchar_t saved[512] = {};
    const bool had = ::GetEnvironmentVariableW(L"KOVRA_SERVER_URL", saved, 512) > 0;

    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", nullptr);
    EXPECT_EQ(BuiltInServerUrl(url.c_str()), url);
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", L"http://127.0.0.1:8765");
    EXPECT_EQ(BuiltInServerUrl(url.c_str()), L"http://127.0.0.1:8765/dvr/pctool/ru/version.ini");
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", L"");
    EXPECT_EQ(BuiltInServerUrl(url.c_str()), url);
    EXPECT_EQ(BuiltInServerUrl(nullptr), L"");

    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", had ? saved : nullptr);
}
