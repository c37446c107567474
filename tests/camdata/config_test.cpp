// Configuration: program-relative paths, the model list, the base data address and the
// destination folder setting.
#include "camdata/config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "base/paths.h"
#include "base/profile.h"
#include "tests/test_util.h"
#include "tests/profile_util.h"

#ifdef _WIN32
#include <process.h>
#include <shlobj.h>
#include <windows.h>
#endif

namespace {

const std::wstring kSep(1, wchar_t(kovra::kPathSeparator));

std::wstring WriteIni(const std::string& dir, const std::string& name, const std::string& text) {
    const std::wstring path = kovra::FromUtf8(dir + "/" + name);
    EXPECT_TRUE(kovra::WriteFileReplacing(path, text.data(), text.size()));
    return path;
}

TEST(Config, ProgramRelativeValuesBecomePaths) {
    const struct {
        const wchar_t* value;
        std::wstring expected;
    } cases[] = {
        {L"\\rawconv.exe", L"P" + kSep + L"rawconv.exe"},
        {L"\\conv\\x.exe", L"P" + kSep + L"conv" + kSep + L"x.exe"},
        {L"0", L"P" + kSep + L"0"},
        {L"speed.raw", L"P" + kSep + L"speed.raw"},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeProgramPath(L"P", c.value), c.expected) << c.value;
    const std::wstring folder = kovra::GetProgramFolderW();
    EXPECT_EQ(GetSettingIniPath(), folder + kSep + L"Setting.ini");
    EXPECT_EQ(GetBaseFileIniPath(), folder + kSep + L"BaseFile.ini");
}

TEST(Config, ModelListComesFromTheSettings) {
    const std::string dir = kovra_test::TempDir("config-models");
    const struct {
        const char* what;
        std::string ini;
        std::vector<std::wstring> names;
    } cases[] = {
        {"no count", "[Model_1]\r\nDeviceName=A\r\n", {}},
        {"no file", "", {}},
        {"negative count", "[ModelInfo]\r\nModelCount=-3\r\n", {}},
        {"two models",
         "[ModelInfo]\r\nModelCount=2\r\n[Model_2]\r\nDeviceName=Second\r\n[Model_1]\r\nDeviceName="
         "First\r\n",
         {L"First", L"Second"}},
        {"a section missing",
         "[ModelInfo]\r\nModelCount=2\r\n[Model_1]\r\nDeviceName=Only\r\n",
         {L"Only", L"0"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring path = c.ini.empty()
                                      ? kovra::FromUtf8(dir + "/missing.ini")
                                      : WriteIni(dir, "m" + std::to_string(n++) + ".ini", c.ini);
        EXPECT_EQ(GetModelNames(path), c.names) << c.what;
    }
    // A count beyond reason is cut, not followed.
    EXPECT_EQ(GetModelCount(WriteIni(dir, "huge.ini", "[ModelInfo]\nModelCount=2000000000\n")),
              kMaxModelCount);
}

TEST(Config, ModelSettingsFormTheirPaths) {
    const std::string dir = kovra_test::TempDir("config-settings");
    const std::wstring path =
        WriteIni(dir, "Setting.ini",
                 "[ModelInfo]\r\nModelCount=2\r\n"
                 "[Model_1]\r\nDeviceName=One\r\nConvertExe=\\one.exe\r\n"
                 "[Model_2]\r\nDeviceName=Two\r\nConvertExe=\\conv\\x.exe\r\n"
                 "SuccessLogFile=\\conv\\ok.txt\r\nErrorLogFile=\\conv\\err.txt\r\n"
                 "RawFile=\\conv\\speed.raw\r\n");
    CModelSettings m;
    ASSERT_TRUE(GetModelSettings(path, L"P", 2, &m));
    EXPECT_EQ(m.m_strDeviceName, L"Two");
    EXPECT_EQ(m.m_strConvertExe, L"P" + kSep + L"conv" + kSep + L"x.exe");
    EXPECT_EQ(m.m_strSuccessLog, L"P" + kSep + L"conv" + kSep + L"ok.txt");
    EXPECT_EQ(m.m_strErrorLog, L"P" + kSep + L"conv" + kSep + L"err.txt");
    EXPECT_EQ(m.m_strRawFile, L"P" + kSep + L"conv" + kSep + L"speed.raw");
    // Missing keys name "0" in the program folder, never the folder itself.
    EXPECT_FALSE(GetModelSettings(path, L"P", 1, &m));
    EXPECT_EQ(m.m_strConvertExe, L"P" + kSep + L"one.exe");
    EXPECT_EQ(m.m_strRawFile, L"P" + kSep + L"0");
    EXPECT_FALSE(GetModelSettings(path, L"P", 3, &m));
    EXPECT_EQ(m.m_strDeviceName, L"0");
}

TEST(Config, ShippedSettingsNameTheConverterBesideTheProgram) {
    const std::wstring path = kovra::FromUtf8(kovra_test::SourcePath("resources/Setting.ini"));
    ASSERT_EQ(GetModelNames(path), std::vector<std::wstring>{L"Kovra R7"});
    CModelSettings m;
    ASSERT_TRUE(GetModelSettings(path, L"P", 1, &m));
    EXPECT_EQ(m.m_strConvertExe, L"P" + kSep + L"rawconv.exe");
    EXPECT_EQ(m.m_strSuccessLog, L"P" + kSep + L"SuccessLogFile.txt");
    EXPECT_EQ(m.m_strErrorLog, L"P" + kSep + L"ErrorLogFile.txt");
    EXPECT_EQ(m.m_strRawFile, L"P" + kSep + L"speed.raw");
}

TEST(Config, BaseFileAddressNeedsMoreThanOneCharacter) {
    const std::string dir = kovra_test::TempDir("config-basefile");
    const struct {
        const char* ini;
        bool ok;
        const wchar_t* url;
    } cases[] = {
        {"[ActiveBaseFil]\r\nURL=http://127.0.0.1:8000/dvr/base.xls\r\n", true,
         L"http://127.0.0.1:8000/dvr/base.xls"},
        {"[ActiveBaseFil]\r\nURL=ab\r\n", true, L"ab"},
        {"[ActiveBaseFil]\r\nURL=x\r\n", false, L""},
        {"[ActiveBaseFil]\r\nURL=\r\n", false, L""},
        {"[ActiveBaseFile]\r\nURL=http://x/y.xls\r\n", false, L""},
        {"garbage\x01\xff[[[", false, L""},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::wstring url = L"stale";
        EXPECT_EQ(GetBaseFileUrl(WriteIni(dir, "b" + std::to_string(n++) + ".ini", c.ini), &url),
                  c.ok)
            << c.ini;
        EXPECT_EQ(url, c.url) << c.ini;
    }
    std::wstring url;
    EXPECT_FALSE(GetBaseFileUrl(kovra::FromUtf8(dir + "/none.ini"), &url));
}

class DestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = kovra_test::TempDir("config-dest");
#ifdef _WIN32
        kovra::SetProfileApplication(L"kovra-config-test-" + std::to_wstring(_getpid()));
#else
        // A home of our own with a Documents folder, and the profile inside it.
        setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", (m_dir + "/home").c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        std::filesystem::create_directories(m_dir + "/home/Documents");
        kovra::SetProfileApplication(L"kovradesk");
#endif
    }
    void TearDown() override {
#ifdef _WIN32
        kovra_test::DeleteProfileKey();
#else
        unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", m_oldHome.c_str(), 1);
#endif
        kovra::SetProfileApplication(std::wstring());
    }
    std::wstring Documents() const {
#ifdef _WIN32
        wchar_t buf[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buf);
        return buf;
#else
        return kovra::FromUtf8(m_dir + "/home/Documents");
#endif
    }
    std::string m_dir;
    std::string m_oldHome;
};

TEST_F(DestFolder, StoredFolderWinsOnlyWhileItExists) {
    std::wstring folder;
    EXPECT_EQ(GetDestFolderSetting(), L"0");
    EXPECT_FALSE(GetDefaultDestFolder(&folder));
    EXPECT_EQ(folder, Documents());

    const std::string chosen = m_dir + "/chosen";
    std::filesystem::create_directories(chosen);
    ASSERT_TRUE(SetDestFolderSetting(kovra::FromUtf8(chosen)));
    EXPECT_EQ(GetDestFolderSetting(), kovra::FromUtf8(chosen));
    EXPECT_TRUE(GetDefaultDestFolder(&folder));
    EXPECT_EQ(folder, kovra::FromUtf8(chosen));

    std::filesystem::remove_all(chosen);
    EXPECT_FALSE(GetDefaultDestFolder(&folder));
    EXPECT_EQ(folder, Documents());

    // One character is too short to be a folder, even one that exists.
    ASSERT_TRUE(SetDestFolderSetting(L"/"));
    EXPECT_FALSE(GetDefaultDestFolder(&folder));
}

#ifndef _WIN32
TEST_F(DestFolder, DocumentsFolderOnLinux) {
    std::wstring folder;
    const std::string xdg = m_dir + "/xdg-docs";
    std::filesystem::create_directories(xdg);
    setenv("XDG_DOCUMENTS_DIR", xdg.c_str(), 1);
    GetDefaultDestFolder(&folder);
    EXPECT_EQ(folder, kovra::FromUtf8(xdg));
    unsetenv("XDG_DOCUMENTS_DIR");
    std::filesystem::remove_all(m_dir + "/home/Documents");
    GetDefaultDestFolder(&folder);
    EXPECT_EQ(folder, kovra::FromUtf8(m_dir + "/home"));
    unsetenv("HOME");
    GetDefaultDestFolder(&folder);
    EXPECT_EQ(folder, kovra::GetProgramFolderW());
}
#endif

}  // namespace
