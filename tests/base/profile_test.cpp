// The per-user profile: round trips on the registry (Windows) and the config file (Linux).
#include "base/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/file_io.h"
#include "tests/test_util.h"
#include "tests/profile_util.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#endif

namespace {

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        // The registry is shared by every run in the prefix: a name of our own, removed after.
        m_app = L"kovra-profile-test-" + std::to_wstring(_getpid());
#else
        m_config = kovra_test::TempDir("profile");
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        m_app = L"kovra-profile-test";
#endif
        kovra::SetProfileApplication(m_app);
    }
    void TearDown() override {
#ifdef _WIN32
        kovra_test::DeleteProfileKey();
#else
        unsetenv("XDG_CONFIG_HOME");
#endif
        kovra::SetProfileApplication(std::wstring());
    }
    std::wstring m_app;
    std::string m_config;
};

TEST_F(Profile, LivesUnderTheCompanyAndApplication) {
#ifdef _WIN32
    EXPECT_EQ(kovra::GetProfileLocation(), L"Software\\Orvel Systems Inc.\\" + m_app);
#else
    EXPECT_EQ(kovra::GetProfileLocation(),
              kovra::FromUtf8(m_config) + L"/Orvel Systems Inc./kovra-profile-test.ini");
    ASSERT_TRUE(kovra::ProfileWriteString(L"MAIN", L"DestFolder", L"/tmp"));
    EXPECT_TRUE(kovra::FileExists(kovra::GetProfileLocation()));
#endif
}

TEST_F(Profile, TextsAndIntegersRoundTrip) {
    EXPECT_EQ(kovra::ProfileGetString(L"MAIN", L"DestFolder", L"0"), L"0");
    EXPECT_EQ(kovra::ProfileGetInt(L"MAIN", L"Language", -1), -1);

    const struct {
        const wchar_t* section;
        const wchar_t* entry;
        const wchar_t* value;
    } texts[] = {
        {L"MAIN", L"DestFolder", L"C:\\Users\\u\\Documents"},
        {L"MAIN", L"DestFolder", L"/home/u/\x0414\x043e\x043a\x0443\x043c\x0435\x043d\x0442\x044b"},
        {L"MAIN", L"Empty", L""},
        {L"Other", L"DestFolder", L"elsewhere"},
    };
    for (const auto& t : texts) {
        ASSERT_TRUE(kovra::ProfileWriteString(t.section, t.entry, t.value));
        EXPECT_EQ(kovra::ProfileGetString(t.section, t.entry, L"0"), t.value);
    }
    // Sections are apart; the last write of an entry wins.
    EXPECT_EQ(kovra::ProfileGetString(L"MAIN", L"DestFolder", L"0"), texts[1].value);

    for (int v : {0, 1, -1, 2147483647, -2147483647 - 1}) {
        ASSERT_TRUE(kovra::ProfileWriteInt(L"MAIN", L"Language", v));
        EXPECT_EQ(kovra::ProfileGetInt(L"MAIN", L"Language", 99), v);
    }
    EXPECT_EQ(kovra::ProfileGetString(L"MAIN", L"Missing", L"def"), L"def");
}

TEST_F(Profile, WithoutApplicationNothingIsStored) {
    kovra::SetProfileApplication(std::wstring());
    EXPECT_FALSE(kovra::ProfileWriteString(L"MAIN", L"DestFolder", L"x"));
    EXPECT_FALSE(kovra::ProfileWriteInt(L"MAIN", L"Language", 1));
    EXPECT_EQ(kovra::ProfileGetString(L"MAIN", L"DestFolder", L"0"), L"0");
    EXPECT_EQ(kovra::ProfileGetInt(L"MAIN", L"Language", -1), -1);
}

}  // namespace
