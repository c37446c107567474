// The update checker without a network: version comparison, the version file, the log's
// exact bytes, the program check and the paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>

#include "app/update_checker.h"
#include "app/version_signature.h"
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

TEST(UpdateVersion, AnUnsignedFileOnlyTellsOfANewerPlainVersionNumber) {
    const std::wstring dir = TempFolder("update-version-file");
    const std::wstring ini = dir + L"\\tmpVerion.ini";
    CUpdateChecker checker(dir);
    ASSERT_FALSE(checker.m_bLogEnabled);
    checker.m_strCurVersion = L"1.0.10.1";
    checker.m_strSetupUrl = L"http://earlier/setup.exe";

    struct {
        const char* bytes;
        const wchar_t* announced;  // the version told of as unverified, if any
    } cases[] = {
        // Section and key names in any case; the section after it does not count.
        {"[ru ruvovid]\r\nurl=http://h/setup.exe\r\nVERSION=1.0.10.2\r\nSHA256= ab12 \r\n"
         "[DVR Installer]\r\nURL=http://t/setup.exe\r\nversion=9.9\r\n",
         L"1.0.10.2"},
        {"[RU Ruvovid]\r\nURL=\r\nversion=2.0\r\n", nullptr},
        // Not newer: unsigned, it is not taken for "the latest version" either.
        {"[RU Ruvovid]\r\nURL=http://h/2.exe\r\nversion=1.0.10.1\r\n", nullptr},
        {"[Other]\r\nURL=http://h/3.exe\r\nversion=2.0\r\n", nullptr},
        {"[RU Ruvovid]\r\nURL=http://h/4.exe\r\n", nullptr},
        // Unsigned text that is no version number is never shown.
        {"[RU Ruvovid]\r\nURL=u\r\nversion=6.6.6.6 (spoofed)\r\n", nullptr},
        {"[RU Ruvovid]\r\nURL=u\r\nversion=7..1\r\n", nullptr},
        {"[RU Ruvovid]\r\nURL=u\r\nversion=1234567890.1234567890.1234\r\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        ASSERT_TRUE(WriteBytes(ini, c.bytes));
        EXPECT_FALSE(checker.ParseVersionFile(ini));
        EXPECT_EQ(checker.m_bUnverified, c.announced != nullptr);
        EXPECT_FALSE(checker.m_bLatest);
        EXPECT_EQ(checker.m_strNewVersion, c.announced ? c.announced : L"");
        EXPECT_EQ(checker.m_strSetupUrl, L"http://earlier/setup.exe") << "nothing unsigned is taken";
        EXPECT_EQ(checker.m_strSetupSha256, L"");
    }
    EXPECT_FALSE(checker.ParseVersionFile(dir + L"\\missing.ini"));
    EXPECT_FALSE(checker.m_bUnverified || checker.m_bLatest);
}

// Version files signed by tools/sign-version at build time, read as the checker reads them.
std::string SignedVersion(const char* name) {
    return ReadBytes(WindowsPath(std::string(KOVRA_SIGNED_VERSIONS) + "/" + name + ".ini"));
}

TEST(UpdateVersion, OnlyASignatureOfATrustedKeyOverTheWholeSectionLetsTheInstallerIn) {
    const std::wstring dir = TempFolder("update-signed-version");
    const std::wstring ini = dir + L"\\tmpVerion.ini";
    CUpdateChecker checker(dir);
    checker.m_strCurVersion = L"1.0.10.1";
    checker.m_trustedKeys = {kTestKey};
    const std::wstring sha256 = L"2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881";
    const std::string signedFile = SignedVersion("signed");
    ASSERT_NE(signedFile.find("\r\nsignature="), std::string::npos) << signedFile;

    // kIncomplete: signed and fresh, but without what it takes to install: only announced.
    enum Outcome { kTrusted, kIncomplete, kUnverified, kRefused };
    const std::string qaFile = SignedVersion("qa");
    struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> keys;
        Outcome outcome;
        uint64_t accepted = 0;  // the highest serial accepted before
        uint64_t serial = 200;  // the file's own
    } cases[] = {
        {"signed", signedFile, {kTestKey}, kTrusted},
        // Line ends, comments, blank lines, blanks and case do not change what is signed.
        {"untidy", SignedVersion("untidy"), {kTestKey}, kTrusted},
        // Another section or a line after the section is outside the signature.
        {"other section", signedFile + "[Other]\r\nURL=http://evil/x.exe\r\n", {kTestKey}, kTrusted},
        // The second pinned key, while the first is being retired.
        {"rotated", SignedVersion("rotated"), {kTestKey, kTestKey2}, kTrusted},
        {"unknown key", SignedVersion("untrusted"), {kTestKey, kTestKey2}, kUnverified},
        {"key not pinned", signedFile, {kTestKey2}, kUnverified},
        {"version changed",
         std::regex_replace(signedFile, std::regex("version=1\\.0\\.10\\.2"), "version=1.0.10.3"),
         {kTestKey}, kUnverified},
        {"address changed", std::regex_replace(signedFile, std::regex("http://h/"), "http://e/"),
         {kTestKey}, kUnverified},
        {"line added", std::regex_replace(signedFile, std::regex("\\[RU Ruvovid\\]\r\n"),
                                          "[RU Ruvovid]\r\nURL=http://evil/x.exe\r\n"),
         {kTestKey}, kUnverified},
        {"section earlier", "[RU Ruvovid]\r\nURL=http://evil/x.exe\r\nversion=9.9\r\n" + signedFile,
         {kTestKey}, kUnverified},
        {"signature cut", signedFile.substr(0, signedFile.find("signature=") + 30) + "\r\n",
         {kTestKey}, kUnverified},
        {"unsigned", std::regex_replace(signedFile, std::regex("signature=[0-9a-f]*\r\n"), ""),
         {kTestKey}, kUnverified},
        {"serial changed", std::regex_replace(signedFile, std::regex("serial=200"), "serial=300"),
         {kTestKey}, kUnverified},
        // A signed file must also name the installer's digest.
        {"no sha256", SignedVersion("no_sha256"), {kTestKey}, kIncomplete},
        // The section signed for the test channel is worth nothing under another name.
        {"test channel's section renamed",
         std::regex_replace(qaFile, std::regex("\\[RU Ruvovid\\][^\\[]*\\[DVR Installer\\]"),
                            "[RU Ruvovid]"),
         {kTestKey}, kUnverified},
        // The same file again is fine; an older one, once a newer has been accepted, is not.
        {"served again", signedFile, {kTestKey}, kTrusted, 200},
        {"older", SignedVersion("older"), {kTestKey}, kRefused, 200, 100},
        {"older, nothing accepted yet", SignedVersion("older"), {kTestKey}, kTrusted, 0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(ini, c.bytes));
        checker.m_trustedKeys = c.keys;
        checker.m_nAcceptedSerial = c.accepted;
        checker.m_strSetupUrl.clear();
        EXPECT_EQ(checker.ParseVersionFile(ini), c.outcome == kTrusted);
        EXPECT_EQ(checker.m_bUnverified, c.outcome == kUnverified || c.outcome == kIncomplete);
        EXPECT_FALSE(checker.m_bLatest);
        EXPECT_EQ(checker.m_strSetupSha256, c.outcome == kTrusted ? sha256 : L"");
        EXPECT_EQ(checker.m_strSetupUrl, c.outcome == kTrusted ? L"http://h/setup.exe" : L"");
        if (c.outcome != kUnverified) {
            EXPECT_EQ(checker.m_strNewVersion, c.outcome == kRefused ? L"" : L"1.0.10.2");
        }
        // Only a verified serial moves the accepted one, and only upwards.
        const bool verified = c.outcome == kTrusted || c.outcome == kIncomplete;
        EXPECT_EQ(checker.m_nAcceptedSerial, verified ? std::max(c.accepted, c.serial) : c.accepted);
    }
    // A verified file of a version that is not newer: the latest, and its serial counts.
    checker.m_trustedKeys = {kTestKey};
    checker.m_nAcceptedSerial = 150;
    checker.m_strCurVersion = L"1.0.10.2";
    ASSERT_TRUE(WriteBytes(ini, signedFile));
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_TRUE(checker.m_bLatest);
    EXPECT_FALSE(checker.m_bUnverified);
    EXPECT_EQ(checker.m_nAcceptedSerial, 200u);
    ASSERT_TRUE(WriteBytes(ini, SignedVersion("older")));
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_FALSE(checker.m_bLatest) << "a stale file says nothing, not even 'the latest'";
    EXPECT_FALSE(checker.m_bUnverified);

    // The program's own pinned key is a release key, not a test key.
    EXPECT_EQ(CUpdateChecker(dir).m_trustedKeys, TrustedUpdateKeys());
    EXPECT_FALSE(TrustedUpdateKeys().empty());
    for (const std::string& key : TrustedUpdateKeys()) {
        EXPECT_TRUE(IsPublicKeyText(key));
        EXPECT_NE(key, kTestKey);
        EXPECT_NE(key, kTestKey2);
    }
}

TEST(UpdateVersion, QaconfigSelectsTheTestSection) {
    const std::wstring dir = TempFolder("update-qaconfig-section");
    ASSERT_TRUE(::CreateDirectoryW((dir + L"\\qaconfig").c_str(), nullptr));  // a folder will do
    CUpdateChecker checker(dir);
    ASSERT_TRUE(checker.m_bLogEnabled);
    checker.m_strCurVersion = L"1.0.10.1";
    checker.m_trustedKeys = {kTestKey};
    const std::wstring ini = dir + L"\\v.ini";
    ASSERT_TRUE(WriteBytes(ini, SignedVersion("qa")));
    EXPECT_TRUE(checker.ParseVersionFile(ini));
    EXPECT_EQ(checker.m_strSetupUrl, L"http://h/setup.exe");
    EXPECT_EQ(checker.m_strNewVersion, L"1.0.10.2");
    // The normal channel's section signed for it is nothing to the test channel.
    ASSERT_TRUE(WriteBytes(ini, std::regex_replace(SignedVersion("signed"),
                                                   std::regex("RU Ruvovid"), "DVR Installer")));
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_TRUE(checker.m_bUnverified);
    WriteBytes(ini, "[RU Ruvovid]\r\nURL=http://h/ru.exe\r\nversion=9.0\r\n");
    EXPECT_FALSE(checker.ParseVersionFile(ini));
    EXPECT_FALSE(checker.m_bUnverified);
}

TEST(UpdateLog, ExactBytesOnlyWithQaconfig) {
    const std::wstring plain = TempFolder("update-log-off");
    {
        CUpdateChecker checker(plain);
        checker.m_strCurVersion = L"1.0.10.1";
        WriteBytes(plain + L"\\v.ini", "[RU Ruvovid]\r\nURL=u\r\nversion=1.0.10.2\r\n");
        EXPECT_FALSE(checker.ParseVersionFile(plain + L"\\v.ini"));
        checker.WriteUpdateLog(L"anything", true);
    }
    EXPECT_FALSE(Exists(plain + L"\\Update_Log.txt"));

    const std::wstring dir = TempFolder("update-log-on");
    ASSERT_TRUE(WriteBytes(dir + L"\\qaconfig", ""));
    {
        CUpdateChecker checker(dir);
        checker.m_strCurVersion = L"1.0.10.1";
        WriteBytes(dir + L"\\v.ini", "[DVR Installer]\r\nURL=u\r\nversion=1.0.10.2\r\n");
        EXPECT_FALSE(checker.ParseVersionFile(dir + L"\\v.ini"));
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
                              "Version file not trusted in ParseVersionFile: not signed\r\r\n" +
                              stamp + "Get empty URL in ParseVersionFile\r\r\n" +
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
