// The update checker without a network: version comparison, the version file, the log's
// exact bytes, the program check and the paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>

#include "app/update_checker.h"
#include "tests/update/update_test_util.h"

using namespace update_test;

TEST(UpdateVersion, ComparedPartByPartAgainstTheProgramsVersion) {
    struct {
        const wchar_t* remote;
        bool newer;
        bool logged;
    } cases[] = {
        {L"1.0.10.2", true, true},
        {L"1.0.9.9", false, false},
        {L"1.0.10.1", false, false},
        {L"1.0.10", false, false},  // the missing fourth part is 0, less than 1
        {L"1.0.10.1.5", true, true},
        {L"1.0.10.1.0", true, false},  // longer only: newer, but no part was greater
        {L"1.0.10a.2", true, true},    // "10a" counts as 10
        {L"1.0.10a.1", false, false},
        {L"1.0.b.1", false, false},  // "b" counts as 0
        {L"1.1", true, true},
        {L"2", true, true},
        {L" 1.0.11", true, true},  // leading blanks are skipped as by the runtime
        {L"0.99.99.99", false, false},
        {L"", false, false},
        {L"1.0.10.1.", true, false},  // the empty fifth part still outlasts the program's
    };
    for (const auto& c : cases) {
        bool logged = !c.logged;
        EXPECT_EQ(IsNewerVersion(L"1.0.10.1", c.remote, &logged), c.newer) << c.remote;
        EXPECT_EQ(logged, c.logged) << c.remote;
    }
    EXPECT_TRUE(IsNewerVersion(L"", L"0.0.1", nullptr));
}

TEST(UpdateVersion, VersionFileSectionsAndKeys) {
    const std::wstring dir = TempFolder("update-version-file");
    const std::wstring ini = dir + L"\\tmpVerion.ini";
    CUpdateChecker checker(dir);
    ASSERT_FALSE(checker.m_bLogEnabled);
    checker.m_strCurVersion = L"1.0.10.1";

    // Section and key names in any case; the optional hash comes along.
    WriteBytes(ini,
               "[ru ruvovid]\r\nurl=http://h/setup.exe\r\nVERSION=1.0.10.2\r\nSHA256= ab12 \r\n"
               "[DVR Installer]\r\nURL=http://t/setup.exe\r\nversion=9.9\r\n");
    EXPECT_TRUE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://h/setup.exe");
    EXPECT_EQ(checker.m_strSetupSha256, L"ab12");

    // No hash: none is expected any more.
    WriteBytes(ini, "[RU Ruvovid]\r\nURL=http://h/2.exe\r\nversion=1.0.10.1\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://h/2.exe");
    EXPECT_EQ(checker.m_strSetupSha256, L"");

    WriteBytes(ini, "[Other]\r\nURL=http://h/3.exe\r\nversion=2.0\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://h/2.exe") << "no URL: the old one stays";

    WriteBytes(ini, "[RU Ruvovid]\r\nURL=\r\nversion=2.0\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));

    // The URL is taken before the version is found missing.
    WriteBytes(ini, "[RU Ruvovid]\r\nURL=http://h/4.exe\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://h/4.exe");

    EXPECT_FALSE(checker.ParseVersionFile(dir + L"\\missing.ini"));
}

TEST(UpdateVersion, QaconfigSelectsTheTestSection) {
    const std::wstring dir = TempFolder("update-qaconfig-section");
    ASSERT_TRUE(::CreateDirectoryW((dir + L"\\qaconfig").c_str(), nullptr));  // a folder will do
    CUpdateChecker checker(dir);
    ASSERT_TRUE(checker.m_bLogEnabled);
    checker.m_strCurVersion = L"1.0.10.1";
    const std::wstring ini = dir + L"\\v.ini";
    WriteBytes(ini,
               "[RU Ruvovid]\r\nURL=http://h/ru.exe\r\nversion=9.0\r\n"
               "[DVR Installer]\r\nURL=http://t/dvr.exe\r\nversion=1.0.10.3\r\n");
    EXPECT_TRUE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://t/dvr.exe");
    WriteBytes(ini, "[RU Ruvovid]\r\nURL=http://h/ru.exe\r\nversion=9.0\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));
}

TEST(UpdateLog, ExactBytesOnlyWithQaconfig) {
    const std::wstring plain = TempFolder("update-log-off");
    {
        CUpdateChecker checker(plain);
        checker.m_strCurVersion = L"1.0.10.1";
        WriteBytes(plain + L"\\v.ini", "[RU Ruvovid]\r\nURL=u\r\nversion=1.0.10.2\r\n");
        EXPECT_TRUE(checker.ParseVersionFile(plain + L"\\v.ini"));
        checker.WriteUpdateLog(L"anything", true);
    }
    EXPECT_FALSE(Exists(plain + L"\\Update_Log.txt"));

    const std::wstring dir = TempFolder("update-log-on");
    ASSERT_TRUE(WriteBytes(dir + L"\\qaconfig", ""));
    {
        CUpdateChecker checker(dir);
        checker.m_strCurVersion = L"1.0.10.1";
        WriteBytes(dir + L"\\v.ini", "[DVR Installer]\r\nURL=u\r\nversion=1.0.10.2\r\n");
        EXPECT_TRUE(checker.ParseVersionFile(dir + L"\\v.ini"));
        WriteBytes(dir + L"\\v.ini", "[DVR Installer]\r\nversion=1.0.10.2\r\n");
        EXPECT_FALSE(checker.ParseVersionFile(dir + L"\\v.ini"));
    }
    CUpdateChecker second(dir);  // a new run: a new header
    second.WriteUpdateLog(L"Check done", false);

    const std::string header =
        "\r\r\n\r\r\nNew Records: ---------------------******************---------------------"
        "\r\r\n";
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t";
    const std::regex expected(std::regex_replace(header, std::regex("\\*"), "\\*") + stamp +
                              "Start update\r\r\n" + stamp +
                              "Newer version found in ParseVersionFile\r\r\n" + stamp +
                              "Get empty URL in ParseVersionFile\r\r\n" +
                              std::regex_replace(header, std::regex("\\*"), "\\*") + stamp +
                              "Start update\r\r\n" + stamp + "Check done\r\r\n");
    const std::string log = ReadBytes(dir + L"\\Update_Log.txt");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST(UpdateDownload, WindowsProgramCheck) {
    const std::wstring dir = TempFolder("update-program-check");
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_TRUE(IsWindowsExecutable(self));

    std::string dos(64, '\0');
    dos[0] = 'M';
    dos[1] = 'Z';
    dos[60] = 64;  // the PE header right after the DOS header
    struct {
        const char* name;
        std::string bytes;
        bool program;
    } cases[] = {
        {"pe.exe", dos + std::string("PE\0\0", 4) + std::string(100, '\0'), true},
        {"html.exe", "<html><body>404</body></html>", false},
        {"empty.exe", "", false},
        {"mz-only.exe", "MZ", false},
        {"no-pe.exe", dos + "NE\0\0", false},
        {"pe-past-end.exe", std::string(dos).replace(60, 4, std::string("\xff\0\0\0", 4)), false},
        {"pe-inside-dos.exe", std::string(dos).replace(60, 4, std::string("\0\0\0\0", 4)), false},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir + L"\\" + std::wstring(c.name, c.name + strlen(c.name));
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        EXPECT_EQ(IsWindowsExecutable(path), c.program) << c.name;
    }
    EXPECT_FALSE(IsWindowsExecutable(dir + L"\\missing.exe"));
}

TEST(UpdateDownload, NoFolderNoCheck) {
    CUpdateChecker checker(L"");
    EXPECT_FALSE(checker.m_bLogEnabled);
    EXPECT_EQ(checker.CheckUpdate(), kCheckNoFolder);
    EXPECT_EQ(checker.DownloadDVR(reinterpret_cast<HWND>(1)), kDownloadNoFolder);
    EXPECT_EQ(checker.m_hNotifyWnd, nullptr);
}
