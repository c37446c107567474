// The update check and the installer download against the local test server (server.py,
// started by the ctest fixture update_server), under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/helpers.h"
#include "app/sha256.h"
#include "app/update_checker.h"
#include "base/window_messages.h"
#include "framework/win_app.h"
#include "tests/test_util.h"
#include "tests/update/update_test_util.h"

using namespace update_test;

namespace {

const char kVersionPath[] = "/dvr/pctool/ru/version.ini";
const char kSetupPath[] = "/files/setup.exe";

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

class UpdateNet : public testing::Test {
protected:
    void SetUp() override {
        // The users' pause before the check only slows the tests; the one after starting the
        // installer stays, so that an installer started by mistake has shown itself by the
        // time the checker returns.
        CUpdateChecker::s_nCheckingDelayMs = 0;
        if (!m_server.Connect()) GTEST_SKIP() << "the test server is not running";
        ASSERT_NE(NotifyWindow().Handle(), nullptr) << "no windows: is there a display (xvfb-run)?";
        m_strDir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        m_strMarker = m_strDir + L"\\marker.txt";
        m_strSetup = m_strDir + L"\\setup.exe";
        ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", Wide(m_server.Origin()).c_str());
        ::SetEnvironmentVariableW(L"KOVRA_FAKE_SETUP_MARKER", m_strMarker.c_str());
        m_strInstaller = ReadBytes(WindowsPath(KOVRA_FAKE_SETUP));
        ASSERT_GT(m_strInstaller.size(), 1000u);
        m_server.Put(kSetupPath, m_strInstaller);
        m_strSha256 = Sha256Hex(m_strInstaller.data(), m_strInstaller.size());
        PutVersion("1.0.10.2");
        m_server.ClearLog();
    }

    // The version file naming the installer and its digest, signed by key (none when empty)
    // with serial (0: the time of serving).
    void PutVersion(const std::string& version, const std::string& key = "test_key",
                    const std::string& sha256 = "", uint64_t serial = 0) {
        m_server.Put(kVersionPath, "[RU Ruvovid]\r\nURL=" + m_server.Url(kSetupPath) +
                                       "\r\nversion=" + version + "\r\nsha256=" +
                                       (sha256.empty() ? m_strSha256 : sha256) + "\r\n");
        if (!key.empty()) m_server.Sign(kVersionPath, key, "RU Ruvovid", serial);
    }

    // A checker of this test's folder that believes it is the program's 1.0.10.1 and trusts
    // the test key.
    std::unique_ptr<CUpdateChecker> NewChecker() {
        auto checker = std::make_unique<CUpdateChecker>(m_strDir);
        checker->m_strCurVersion = L"1.0.10.1";
        checker->m_trustedKeys = {kTestKey};
        return checker;
    }

    // Runs work on a thread of its own while this thread handles the messages it sends.
    static void RunBeside(const std::function<void()>& work, DWORD ms = 60000) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        const bool finished = PumpUntil([&] { return done.load(); }, ms);
        worker.join();
        EXPECT_TRUE(finished) << "the worker took too long";
    }

    // Runs a check beside this thread and, once ready() holds or ms have passed, closes its box
    // as the user's Cancel does; returns when the check has ended.
    static void CancelCheckWhen(NotifyWindow& wnd, CUpdateChecker& checker,
                                const std::function<bool()>& ready, DWORD ms) {
        auto box = std::make_unique<CheckingBox>(wnd.Handle());
        std::atomic<bool> done{false};
        std::thread worker([&] {
            checker.RunCheck(wnd.Handle());
            done = true;
        });
        EXPECT_TRUE(PumpUntil(ready, ms));
        box.reset();
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 20000));
        worker.join();
        PumpQueued();
    }

    bool Started() {
        return PumpUntil([&] { return ReadBytes(m_strMarker) == "started"; }, 15000);
    }
    // The checker returns 2000 ms after starting the installer: by then a started one is seen.
    bool NotStarted() { return !Exists(m_strMarker); }

    int Count(const std::string& request) const {
        int n = 0;
        for (const std::string& line : m_server.Requests()) n += line == request;
        return n;
    }

    // The progress messages make sense: starting with (p, 0), rising, ending once with (100, 1).
    static void ExpectProgressToCompletion(const NotifyWindow& wnd) {
        const auto progress = wnd.Of(UM_UPDATE_PROGRESS);
        ASSERT_GE(progress.size(), 2u);
        for (size_t i = 0; i + 1 < progress.size(); ++i) {
            EXPECT_EQ(progress[i].lParam, 0) << i;
            EXPECT_LE(progress[i].wParam, 100u) << i;
            if (i > 0) {
                EXPECT_GE(progress[i].wParam, progress[i - 1].wParam) << i;
            }
        }
        EXPECT_EQ(progress.back().wParam, 100u);
        EXPECT_EQ(progress.back().lParam, 1);
    }

    TestServer m_server;
    std::wstring m_strDir, m_strMarker, m_strSetup;
    std::string m_strInstaller, m_strSha256;
};

TEST_F(UpdateNet, CheckResultCodes) {
    auto checker = NewChecker();
    const std::wstring tmp = m_strDir + L"\\tmpVerion.ini";

    // A stale, read-only version file is replaced, not resumed.
    WriteBytes(tmp, "stale");
    ::SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(checker->CheckUpdate(), kCheckNewer);
    EXPECT_EQ(checker->m_strSetupUrl, Wide(m_server.Url(kSetupPath)));
    EXPECT_EQ(ReadBytes(tmp).substr(0, 12), "[RU Ruvovid]");
    EXPECT_EQ(m_server.Requests(),
              std::vector<std::string>{"GET " + std::string(kVersionPath) + " -"});

    PutVersion("1.0.10.1");
    EXPECT_EQ(checker->CheckUpdate(), kCheckNotNewer);
    // Only a verified answer says "not newer": anything else tells nothing.
    PutVersion("1.0.10.1", "");
    EXPECT_EQ(checker->CheckUpdate(), kCheckRefused);
    m_server.Put(kVersionPath, "[Elsewhere]\r\nURL=http://x/setup.exe\r\nversion=2.0\r\n");
    EXPECT_EQ(checker->CheckUpdate(), kCheckRefused);
    m_server.Put(kVersionPath, "[RU Ruvovid]\r\nURL=\r\nversion=2.0\r\n");
    EXPECT_EQ(checker->CheckUpdate(), kCheckRefused);
    // A release signed earlier than one already seen is not installed again.
    PutVersion("1.0.10.2", "test_key", "", 20200101000000);
    EXPECT_EQ(checker->CheckUpdate(), kCheckRefused);
    EXPECT_GT(checker->m_nAcceptedSerial, 20200101000000u);

    // An error page is never taken for the version file, nor is a redirect to another host
    // followed.
    for (int status : {404, 500, 302, 307}) {
        PutVersion("9.9");
        m_server.SetStatus(kVersionPath, status);
        m_server.ClearLog();
        EXPECT_EQ(checker->CheckUpdate(), kCheckIncomplete) << status;
        EXPECT_FALSE(Exists(tmp)) << status;
        EXPECT_EQ(m_server.Requests().size(), 1u) << status;
    }

    // Nobody listens on port 1.
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", L"http://127.0.0.1:1");
    EXPECT_EQ(checker->CheckUpdate(), kCheckIncomplete);
    EXPECT_FALSE(Exists(tmp));
}

TEST_F(UpdateNet, QaconfigAsksTheTestServer) {
    ASSERT_TRUE(WriteBytes(m_strDir + L"\\qaconfig", ""));
    m_server.Put("/WebDownload/Test/version.ini_",
                 "[DVR Installer]\r\nURL=http://x/s.exe\r\nversion=1.0.10.1.0\r\nsha256=" +
                     m_strSha256 + "\r\n");
    m_server.Sign("/WebDownload/Test/version.ini_", "test_key", "DVR Installer");
    auto checker = NewChecker();
    ASSERT_TRUE(checker->m_bLogEnabled);
    EXPECT_EQ(checker->CheckUpdate(), kCheckNewer);
    EXPECT_EQ(m_server.Requests(),
              std::vector<std::string>{"GET /WebDownload/Test/version.ini_ -"});
    const std::string log = ReadBytes(m_strDir + L"\\Update_Log.txt");
    EXPECT_NE(log.find("\tStart update\r\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Newer version found"), std::string::npos) << "longer only, not greater";
}

TEST_F(UpdateNet, NewerVersionIsDownloadedAndStarted) {
    NotifyWindow wnd;
    CheckingBox box(wnd.Handle());
    CheckingBox foreign(nullptr);  // another program's box of the same title
    WriteBytes(m_strSetup, "MZ left over from an earlier download");
    auto checker = NewChecker();
    checker->m_bCancel = true;  // left from an earlier cancel
    // As the wizard's download box does: the download waits until it is on screen, so every
    // progress comes after the news of the version.
    checker->m_bWaitForDownloadBox = true;
    wnd.onNewVersion = [&] {
        EXPECT_EQ(Count("GET /files/setup.exe -"), 0) << "the download began before its box";
        checker->m_bDownloadBoxShown = true;
    };
    RunBeside([&] { checker->RunCheck(wnd.Handle()); });

    EXPECT_FALSE(box.IsOpen());
    EXPECT_TRUE(foreign.IsOpen());
    ASSERT_FALSE(wnd.messages.empty());
    EXPECT_EQ(wnd.messages.front().msg, UINT(UM_NEW_VERSION));
    EXPECT_TRUE(wnd.Of(UM_LATEST_VERSION).empty());
    ExpectProgressToCompletion(wnd);
    EXPECT_TRUE(ReadBytes(m_strSetup) == m_strInstaller);
    EXPECT_TRUE(Started());
    EXPECT_EQ(checker->m_hNotifyWnd, nullptr);
    // The stale file was deleted, not resumed.
    EXPECT_EQ(Count("GET /files/setup.exe -"), 1);
    EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(UpdateNet, OnlyAVerifiedAnswerGivesLatestVersionAndAFailureSaysSo) {
    NotifyWindow wnd;
    auto checker = NewChecker();
    PutVersion("1.0.10.1");
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    PutVersion("1.0.10.1", "");
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", L"http://127.0.0.1:1");
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    PumpQueued();  // the posted messages
    ASSERT_EQ(wnd.messages.size(), 3u);
    EXPECT_EQ(wnd.messages[0].msg, UINT(UM_LATEST_VERSION));
    EXPECT_EQ(wnd.messages[1].msg, UINT(UM_CHECK_FAILED)) << "unsigned";
    EXPECT_EQ(wnd.messages[2].msg, UINT(UM_CHECK_FAILED)) << "no server";
    EXPECT_EQ(m_server.Requests().size(), 2u);
    EXPECT_FALSE(Exists(m_strSetup));
}

TEST_F(UpdateNet, BoxClosedBeforeTheCheckMeansNoCheck) {
    NotifyWindow wnd;
    auto checker = NewChecker();
    // The box is looked for once the pause is over: a user who closed it meanwhile gets nothing.
    { CheckingBox box(wnd.Handle()); }
    checker->RunCheck(wnd.Handle());
    PumpQueued();
    EXPECT_TRUE(wnd.messages.empty());
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(UpdateNet, ResumeContinuesExactlyWhereTheFileEnds) {
    const size_t half = m_strInstaller.size() / 2;
    struct {
        const char* name;
        std::string before;  // setup.exe left in the folder
        const char* mode;    // how the server answers the range
        std::string request;
    } cases[] = {
        {"second half", m_strInstaller.substr(0, half), "",
         "GET /files/setup.exe bytes=" + std::to_string(half) + "-"},
        // 416: nothing is left to fetch, and the complete file is started all the same.
        {"complete already", m_strInstaller, "",
         "GET /files/setup.exe bytes=" + std::to_string(m_strInstaller.size()) + "-"},
        // 200 with the whole file: it replaces what was there instead of being appended.
        {"range ignored", "MZ from another download", "norange", "GET /files/setup.exe bytes=24-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_server.Put(kSetupPath, m_strInstaller);
        if (*c.mode) m_server.SetMode(kSetupPath, c.mode);
        m_server.ClearLog();
        ::DeleteFileW(m_strMarker.c_str());
        WriteBytes(m_strSetup, c.before);
        NotifyWindow wnd;
        auto checker = NewChecker();
        checker->m_strSetupUrl = Wide(m_server.Url(kSetupPath));
        checker->m_strSetupSha256 = Wide(m_strSha256);
        int result = -1;
        RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });

        EXPECT_EQ(result, kDownloadDone);
        EXPECT_EQ(m_server.Requests(), std::vector<std::string>{c.request});
        const auto progress = wnd.Of(UM_UPDATE_PROGRESS);
        ASSERT_FALSE(progress.empty());
        if (c.before.size() == half) {
            EXPECT_EQ(progress.front().wParam, half * 100 / m_strInstaller.size());
        }
        ExpectProgressToCompletion(wnd);
        EXPECT_TRUE(ReadBytes(m_strSetup) == m_strInstaller);
        EXPECT_TRUE(Started());
    }
}

TEST_F(UpdateNet, CancelStopsTheDownloadAndTheNextCheckWorks) {
    // Three more blocks after the program itself: the file still runs.
    const std::string padded = m_strInstaller + std::string(3 * 32768, '\0');
    m_server.Put(kSetupPath, padded);
    PutVersion("1.0.10.2", "test_key", Sha256Hex(padded.data(), padded.size()));
    NotifyWindow wnd;
    auto checker = NewChecker();
    checker->m_strSetupUrl = Wide(m_server.Url(kSetupPath));
    checker->m_strSetupSha256 = Wide(Sha256Hex(padded.data(), padded.size()));
    wnd.onProgress = [&](WPARAM percent, LPARAM) {
        if (percent > 0) checker->m_bCancel = true;  // the user closes the download box
    };
    int result = -1;
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadIncomplete);
    EXPECT_TRUE(checker->m_bCancel);
    EXPECT_LT(ReadBytes(m_strSetup).size(), m_strInstaller.size() + 3 * 32768);
    for (const auto& m : wnd.Of(UM_UPDATE_PROGRESS)) EXPECT_EQ(m.lParam, 0);
    EXPECT_TRUE(NotStarted());

    wnd.onProgress = nullptr;
    wnd.messages.clear();
    CheckingBox box(wnd.Handle());
    RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    EXPECT_FALSE(checker->m_bCancel);
    ASSERT_FALSE(wnd.messages.empty());
    EXPECT_EQ(wnd.messages.front().msg, UINT(UM_NEW_VERSION));
    ExpectProgressToCompletion(wnd);
    EXPECT_EQ(ReadBytes(m_strSetup).size(), m_strInstaller.size() + 3 * 32768);
    EXPECT_TRUE(Started());
}

TEST_F(UpdateNet, ErrorPagesAndNonProgramsAreNeverStarted) {
    NotifyWindow wnd;
    auto checker = NewChecker();
    checker->m_strSetupUrl = Wide(m_server.Url(kSetupPath));
    checker->m_strSetupSha256 = Wide(m_strSha256);
    for (int status : {404, 500, 403}) {
        m_server.SetStatus(kSetupPath, status);
        int result = -1;
        RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
        EXPECT_EQ(result, kDownloadIncomplete) << status;
        EXPECT_FALSE(Exists(m_strSetup)) << status;
    }
    EXPECT_TRUE(wnd.Of(UM_UPDATE_PROGRESS).empty());

    // A page served as if it were the file.
    m_server.Put(kSetupPath, "<html><body>Sorry, moved.</body></html>");
    int result = -1;
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadIncomplete);
    EXPECT_FALSE(Exists(m_strSetup));

    // No server at the address.
    checker->m_strSetupUrl = L"http://127.0.0.1:1/files/setup.exe";
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadIncomplete);
    checker->m_strSetupUrl = L"ftp://127.0.0.1/setup.exe";
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadNoConnection);

    for (const auto& m : wnd.Of(UM_UPDATE_PROGRESS)) EXPECT_EQ(m.lParam, 0);
    EXPECT_TRUE(NotStarted());
}

TEST_F(UpdateNet, SignedButSwappedInstallerIsNeverStarted) {
    // Another program, complete and a Windows program, where the signed file's one should be.
    m_server.Put(kSetupPath, m_strInstaller + "another build");
    NotifyWindow wnd;
    auto checker = NewChecker();
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    EXPECT_EQ(wnd.Of(UM_NEW_VERSION).size(), 1u);
    for (const auto& m : wnd.Of(UM_UPDATE_PROGRESS)) EXPECT_EQ(m.lParam, 0);
    EXPECT_FALSE(Exists(m_strSetup));
    EXPECT_TRUE(NotStarted());

    std::string upper = m_strSha256;
    for (char& c : upper) c = char(toupper(c));  // any case
    m_server.Put(kSetupPath, m_strInstaller);
    PutVersion("1.0.10.2", "test_key", upper);
    wnd.messages.clear();
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    ExpectProgressToCompletion(wnd);
    EXPECT_TRUE(Started());
}

TEST_F(UpdateNet, UntrustedVersionFilesOnlyAnnounceTheVersion) {
    struct {
        const char* name;
        const char* key;  // signed by; empty: unsigned
        const char* from;
        const char* to;  // tampered after signing
        const wchar_t* version;
    } cases[] = {
        {"unsigned", "", "", "", L"1.0.10.2"},
        {"unknown key", "untrusted_key", "", "", L"1.0.10.2"},
        {"version tampered", "test_key", "version=1.0.10.2", "version=1.0.10.3", L"1.0.10.3"},
        {"address tampered", "test_key", "/files/setup.exe", "/files/setup.exe?x", L"1.0.10.2"},
    };
    NotifyWindow wnd;
    auto checker = NewChecker();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PutVersion("1.0.10.2", c.key);
        if (*c.from) m_server.Tamper(kVersionPath, c.from, c.to);
        m_server.ClearLog();
        wnd.messages.clear();
        {
            CheckingBox box(wnd.Handle());
            RunBeside([&] { checker->RunCheck(wnd.Handle()); });
            EXPECT_FALSE(box.IsOpen());
        }
        PumpQueued();
        ASSERT_EQ(wnd.messages.size(), 1u);
        EXPECT_EQ(wnd.messages[0].msg, UINT(UM_UNVERIFIED_VERSION));
        EXPECT_EQ(checker->m_strNewVersion, c.version);
        EXPECT_EQ(m_server.Requests().size(), 1u) << "nothing but the version file";
        EXPECT_FALSE(Exists(m_strSetup));
    }
    // The second pinned key, while the first is being retired.
    checker->m_trustedKeys = {kTestKey, kTestKey2};
    PutVersion("1.0.10.2", "test_key2");
    EXPECT_EQ(checker->CheckUpdate(), kCheckNewer);
    EXPECT_TRUE(NotStarted());
}

TEST_F(UpdateNet, VersionFilesAreCutOffAtTheirLimit) {
    auto checker = NewChecker();
    const std::wstring tmp = m_strDir + L"\\tmpVerion.ini";
    const std::string big = "[RU Ruvovid]\r\nversion=9.9\r\n;" + std::string(1024 * 1024, 'x');
    for (const char* mode : {"", "chunked", "endless"}) {
        SCOPED_TRACE(mode);
        m_server.Put(kVersionPath, big);
        if (*mode) m_server.SetMode(kVersionPath, mode);
        EXPECT_EQ(checker->CheckUpdate(), kCheckIncomplete);
        EXPECT_FALSE(Exists(tmp));
    }
    // Just at the limit is still a version file.
    const std::string head = "[RU Ruvovid]\r\nURL=http://h/s.exe\r\nversion=1.0.10.2\r\n;";
    m_server.Put(kVersionPath, head + std::string(kVersionFileLimit - head.size() - 2, 'x') + "\r\n");
    EXPECT_EQ(checker->CheckUpdate(), kCheckUnverified);
    EXPECT_TRUE(Exists(tmp));
}

TEST_F(UpdateNet, CancelWhileTheVersionFileArrivesLeavesNothing) {
    m_server.SetMode(kVersionPath, "stall");  // half the file, then silence until the client goes
    NotifyWindow wnd;
    auto checker = NewChecker();
    // Cancelled once the server has the request and stalls: heard though nothing arrives.
    CancelCheckWhen(wnd, *checker, [&] { return m_server.Requests().size() == 1; }, 10000);
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_TRUE(wnd.messages.empty());
    EXPECT_FALSE(Exists(m_strDir + L"\\tmpVerion.ini"));
    EXPECT_FALSE(Exists(m_strSetup));

    // The next check is a check like any other.
    PutVersion("1.0.10.1");
    {
        CheckingBox box(wnd.Handle());
        RunBeside([&] { checker->RunCheck(wnd.Handle()); });
    }
    PumpQueued();
    ASSERT_EQ(wnd.messages.size(), 1u);
    EXPECT_EQ(wnd.messages[0].msg, UINT(UM_LATEST_VERSION));
}

TEST_F(UpdateNet, BodyWithoutLength) {
    NotifyWindow wnd;
    auto checker = NewChecker();
    checker->m_strSetupUrl = Wide(m_server.Url(kSetupPath));
    checker->m_strSetupSha256 = Wide(m_strSha256);

    // Ended by the connection: cannot be told from a cut, so not taken.
    m_server.SetMode(kSetupPath, "close");
    int result = -1;
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadIncomplete);
    EXPECT_TRUE(NotStarted());
    ::DeleteFileW(m_strSetup.c_str());

    // Chunked: the server says where it ends.
    m_server.SetMode(kSetupPath, "chunked");
    wnd.messages.clear();
    RunBeside([&] { result = checker->DownloadDVR(wnd.Handle()); });
    EXPECT_EQ(result, kDownloadDone);
    EXPECT_TRUE(ReadBytes(m_strSetup) == m_strInstaller);
    const auto progress = wnd.Of(UM_UPDATE_PROGRESS);
    ASSERT_EQ(progress.size(), 2u) << "no percentage without a length";
    EXPECT_EQ(progress[0].wParam, 0u);
    EXPECT_EQ(progress[1].wParam, 100u);
    EXPECT_EQ(progress[1].lParam, 1);
    EXPECT_TRUE(Started());
}

TEST_F(UpdateNet, SecondCheckWhileOneRunsLeavesItAlone) {
    NotifyWindow wnd;
    auto checker = NewChecker();
    CheckingBox first(wnd.Handle()), second(wnd.Handle());
    std::atomic<int> done{0};
    kovra_test::HoldAt checking("checking");  // the first check, its box found, before the version file
    std::thread a([&] {
        checker->RunCheck(wnd.Handle());
        ++done;
    });
    EXPECT_TRUE(PumpUntil([&] { return checking.IsReached(); }, 30000));
    std::thread b([&] {
        checker->RunCheck(wnd.Handle());
        ++done;
    });
    EXPECT_TRUE(PumpUntil([&] { return done == 1; }, 30000)) << "the second check ends at once";
    checking.Release();
    EXPECT_TRUE(PumpUntil([&] { return done == 2; }, 60000));
    a.join();
    b.join();
    PumpQueued();

    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(wnd.Of(UM_NEW_VERSION).size(), 1u);
    EXPECT_TRUE(wnd.Of(UM_LATEST_VERSION).empty());
    EXPECT_EQ(Count("GET /dvr/pctool/ru/version.ini -"), 1);
    EXPECT_TRUE(ReadBytes(m_strSetup) == m_strInstaller);
    EXPECT_TRUE(Started());
}

// The thread procedure itself, on the process's checker in the program folder.
TEST_F(UpdateNet, ThreadProcedureTakesTheNotifyWindow) {
    PutVersion("1.0.10.1");
    CUpdateChecker::GetInstance()->m_trustedKeys = {kTestKey};
    NotifyWindow wnd;
    CheckingBox box(wnd.Handle());
    ASSERT_TRUE(AfxBeginThread(UpdateThreadProc, wnd.Handle()));
    EXPECT_TRUE(PumpUntil([&] { return !wnd.messages.empty(); }, 30000));
    ASSERT_EQ(wnd.messages.size(), 1u);
    EXPECT_EQ(wnd.messages[0].msg, UINT(UM_LATEST_VERSION));
    EXPECT_FALSE(box.IsOpen());
    EXPECT_EQ(ReadBytes(GetTmpVersionIniPath()).substr(0, 12), "[RU Ruvovid]");
    ::DeleteFileW(GetTmpVersionIniPath().c_str());
}

}  // namespace
