// The base data download against a local HTTP server (tests/wizard/http_server.py): the
// configuration fetch, progress, cancel, failures, and the import on the download thread.
#include "wizard/base_download.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <system_error>
#include <vector>

#include "app/server_url.h"
#include "app/sha256.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "base/user_folders.h"
#include "base/window_messages.h"
#include "camdata/cam_workbook.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/win_app.h"
#include "spreadsheet/excel_file.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"
#include "tests/update/test_keys.h"
#include "tests/wizard/wizard_test_util.h"
#include "wizard/speed_cam_list_ctrl.h"

namespace {

using wizard_test::RecordingParent;

std::string ReadBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(path, bytes)) return std::string();
    return std::string(bytes.begin(), bytes.end());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    return kovra::WriteFileReplacing(path, bytes.data(), bytes.size());
}

// The names of the files in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return names;
}

// An empty folder of the Linux tree, seen by the server by its Linux path and by the tests
// through drive Z:.
struct SharedFolder {
    std::string unix;
    std::wstring windows;
};

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring w = L"Z:" + kovra::FromUtf8(unixPath);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

// Every shared folder of this process lies below this one, removed at the end.
std::string ProcessFolder() {
    return "/tmp/kovra-list-test-" + std::to_string(::GetCurrentProcessId());
}

SharedFolder MakeSharedFolder(const std::string& name) {
    SharedFolder f;
    f.unix = ProcessFolder() + "/" + name;
    f.windows = WindowsPath(f.unix);
    std::error_code ec;
    std::filesystem::remove_all(f.windows, ec);
    std::filesystem::create_directories(f.windows, ec);
    return f;
}

class Download : public testing::Test {
protected:
    // One server for the whole suite; it stops by itself at the end or after its lifetime.
    static void SetUpTestSuite() {
        s_root = MakeSharedFolder("www");
        for (const wchar_t* sub :
             {L"\\dvr", L"\\dvr\\Kovra R7", L"\\dvr\\Kovra R7\\rus", L"\\files"})
            ::CreateDirectoryW((s_root.windows + sub).c_str(), nullptr);

        // The served workbook: the template with one invalid camera added.
        const std::string book = kovra::ToUtf8(s_root.windows + L"\\files\\Base_2024.xls");
        ASSERT_TRUE(kovra_test::CopyTemplate(book));
        {
            ExcelFile file;
            ASSERT_TRUE(file.OpenFile(book));
            kovra_test::PutRow(file.FindSheet("data"), 4, {95.0, 37.5, 90, 60, 1, 0});
            ASSERT_TRUE(file.WriteBack());
        }
        s_book = ReadBytes(s_root.windows + L"\\files\\Base_2024.xls");
        ASSERT_GT(s_book.size(), 4096u);

        const std::string portFile = s_root.unix + "/port";
        // Wine starts a Linux program named by its drive Z: path; its arguments pass as they are.
        std::wstring cmd = WindowsPath(KOVRA_PYTHON3) + L" " +
                           kovra::FromUtf8(KOVRA_SOURCE_DIR "/tests/wizard/http_server.py") +
                           L" --root " + kovra::FromUtf8(s_root.unix) + L" --port-file " +
                           kovra::FromUtf8(portFile) + L" --lifetime 300";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &si, &pi))
            << "cannot start " << kovra::ToUtf8(cmd);
        // A Linux process started from Wine gives no handle to wait on; the port file says
        // when it listens.
        if (pi.hProcess) ::CloseHandle(pi.hProcess);
        if (pi.hThread) ::CloseHandle(pi.hThread);
        std::string port;
        for (int i = 0; i < 300 && port.empty(); ++i) {
            ::Sleep(50);
            port = ReadBytes(s_root.windows + L"\\port");
        }
        ASSERT_FALSE(port.empty()) << "the test server did not start";
        s_server = L"http://127.0.0.1:" + kovra::FromUtf8(port);
    }

    static void TearDownTestSuite() {
        if (!s_server.empty())
            DownloadUrlToFile(s_server + L"/shutdown", s_root.windows + L"\\shutdown.txt",
                              kBaseFileIniLimit);
        ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", nullptr);
        std::error_code ec;
        std::filesystem::remove_all(WindowsPath(ProcessFolder()), ec);
    }

    void SetUp() override {
        ASSERT_FALSE(s_server.empty());
        ASSERT_TRUE(m_page.Create(false));
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_folder = MakeSharedFolder(name).windows;
        m_dl.m_hWndPage = m_page.m_hWnd;
        m_dl.m_strFolder = m_folder;
    }

    void ServeConfig(const std::string& text) {
        ASSERT_TRUE(WriteBytes(s_root.windows + L"\\dvr\\Kovra R7\\rus\\BaseFile.ini", text));
    }

    // Runs the download thread and the page's messages until the thread's last message.
    bool RunDownload(const std::wstring& path) {
        m_dl.Reset(s_server + path);
        if (!AfxBeginThread(BaseDownloadThreadProc, &m_dl)) return false;
        return PumpUntil([&] { return Ended(); }, 30000);
    }
    bool Ended() const { return m_page.Has(UM_BASE_DOWNLOADED) || m_page.Has(UM_DOWNLOAD_ENDED); }
    // How the download ended when it brought nothing; -1 when it did not end so.
    int EndedHow() const {
        const auto ends = m_page.Of(UM_DOWNLOAD_ENDED);
        return ends.size() == 1 ? int(ends[0].wParam) : -1;
    }
    // The program's folder of downloads in this test's folder.
    std::wstring Stored() const { return m_folder + L"\\Base data"; }

    std::vector<int> Percents() const {
        std::vector<int> v;
        for (const auto& m : m_page.Of(UM_DOWNLOAD_PERCENT)) v.push_back(int(m.wParam));
        return v;
    }

    static SharedFolder s_root;
    static std::wstring s_server;
    static std::string s_book;

    RecordingParent m_page;
    std::wstring m_folder;
    CBaseDownload m_dl;
};

SharedFolder Download::s_root;
std::wstring Download::s_server;
std::string Download::s_book;

TEST_F(Download, ConfigurationFromTheOverriddenServerNamesTheWorkbook) {
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", s_server.c_str());
    const std::wstring configUrl = GetBaseFileIniUrl();
    EXPECT_EQ(configUrl, s_server + L"/dvr/Kovra R7/rus/BaseFile.ini");
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", nullptr);
    EXPECT_EQ(GetBaseFileIniUrl(),
              std::wstring(kNormalServerHost) + L"/dvr/Kovra R7/rus/BaseFile.ini");

    ServeConfig("[ActiveBaseFil]\r\nURL=http://example.invalid/db/Base_2024.xls\r\n");
    const std::wstring ini = m_folder + L"\\BaseFile.ini";
    BaseFileOffer offer;
    ASSERT_TRUE(FetchBaseFileOffer(configUrl, ini, {}, &offer));
    EXPECT_EQ(offer.strUrl, L"http://example.invalid/db/Base_2024.xls");
    EXPECT_EQ(offer.strSha256, "");
    EXPECT_TRUE(kovra::FileExists(ini));

    // A changed file on the server is what the next fetch reads, not an earlier copy.
    ServeConfig("[ActiveBaseFil]\r\nURL=http://example.invalid/db/Base_2025.xls\r\n");
    ASSERT_TRUE(FetchBaseFileOffer(configUrl, ini, {}, &offer));
    EXPECT_EQ(offer.strUrl, L"http://example.invalid/db/Base_2025.xls");
}

TEST_F(Download, ConfigurationWithoutUsableAddressFails) {
    const std::wstring configUrl = s_server + L"/dvr/Kovra R7/rus/BaseFile.ini";
    const std::wstring ini = m_folder + L"\\BaseFile.ini";
    const char* unusable[] = {
        "[ActiveBaseFil]\r\nURL=0\r\n",  // the default
        "[ActiveBaseFil]\r\nURL=x\r\n",  // one character
        "[ActiveBaseFil]\r\nAddress=http://example.invalid/a.xls\r\n",
        "[ActiveBaseFile]\r\nURL=http://example.invalid/a.xls\r\n",
        "",
    };
    for (const char* text : unusable) {
        ServeConfig(text);
        BaseFileOffer offer;
        offer.strUrl = L"left over";
        EXPECT_FALSE(FetchBaseFileOffer(configUrl, ini, {}, &offer)) << text;
        EXPECT_EQ(offer.strUrl, L"");
    }

    // Not on the server: no transfer, and the older local copy is gone.
    ASSERT_TRUE(WriteBytes(ini, "[ActiveBaseFil]\r\nURL=http://example.invalid/old.xls\r\n"));
    BaseFileOffer offer;
    EXPECT_FALSE(FetchBaseFileOffer(s_server + L"/dvr/missing/BaseFile.ini", ini, {}, &offer));
    EXPECT_FALSE(kovra::FileExists(ini));
    // No server at all.
    EXPECT_FALSE(FetchBaseFileOffer(L"http://127.0.0.1:1/BaseFile.ini", ini, {}, &offer));
}

// Configuration files signed by tools/sign-version at build time.
std::string SignedBaseFile(const char* name) {
    return ReadBytes(WindowsPath(std::string(KOVRA_SIGNED_BASE_FILES) + "/" + name + ".ini"));
}

TEST(BaseFileOfferRead, ASignedFileCountsOnlyVerifiedAndWithTheWorkbooksDigest) {
    const SharedFolder dir = MakeSharedFolder("offer");
    const std::wstring ini = dir.windows + L"\\BaseFile.ini";
    const std::string signedFile = SignedBaseFile("signed");
    ASSERT_NE(signedFile.find("\r\nsignature="), std::string::npos);
    const std::vector<std::string> keys = {update_test::kTestKey};
    struct {
        const char* name;
        std::string bytes;
        bool taken;
    } cases[] = {
        {"signed", signedFile, true},
        {"untrusted key", SignedBaseFile("untrusted"), false},
        {"no digest", SignedBaseFile("no_sha256"), false},
        {"address changed", std::regex_replace(signedFile, std::regex("example\\.invalid"), "evil.invalid"),
         false},
        {"digest changed", std::regex_replace(signedFile, std::regex("sha256=2D"), "sha256=3D"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(ini, c.bytes));
        BaseFileOffer offer;
        EXPECT_EQ(ReadBaseFileOffer(ini, keys, &offer), c.taken);
        EXPECT_EQ(offer.strUrl, c.taken ? L"http://example.invalid/db/Base_2024.xls" : L"");
        EXPECT_EQ(offer.strSha256,
                  c.taken ? "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881" : "");
    }
    BaseFileOffer offer;
    ASSERT_TRUE(WriteBytes(ini, signedFile));
    EXPECT_FALSE(ReadBaseFileOffer(ini, {update_test::kTestKey2}, &offer)) << "key not pinned";
}

TEST_F(Download, WorkbookArrivesWithProgressAndIsImportedOnTheDownloadThread) {
    RecordingParent listParent;
    ASSERT_TRUE(listParent.Create(false));
    CSpeedCamListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, RECT{0, 0, 700, 200}, &listParent, 2055));
    list.InitColumns();
    CSpeedCamDataSet set;
    bool imported = false;
    DWORD importThread = 0;
    m_dl.m_fnImport = [&](CBaseDownload& dl) {
        importThread = ::GetCurrentThreadId();
        imported = ImportCamWorkbook(L"", &list, dl.m_strPath, &set);
    };

    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_FALSE(m_page.Has(UM_DOWNLOAD_ENDED));
    EXPECT_FALSE(m_dl.m_bLoadFailed);
    EXPECT_EQ(m_dl.m_strPath, Stored() + L"\\Base_2024.xls");
    EXPECT_EQ(ReadBytes(m_dl.m_strPath), s_book);
    EXPECT_EQ(FilesIn(Stored()), std::vector<std::wstring>{L"Base_2024.xls"});
    EXPECT_TRUE(FilesIn(m_folder).empty());

    // Percents: some, never falling, ending at 100, and the closing notice after them.
    const std::vector<int> percents = Percents();
    ASSERT_FALSE(percents.empty());
    for (size_t i = 1; i < percents.size(); ++i) EXPECT_LE(percents[i - 1], percents[i]);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(m_page.m_messages.back().message, UINT(UM_BASE_DOWNLOADED));

    // The import ran on the worker; its rows reached the list on the list's own thread.
    EXPECT_TRUE(imported);
    EXPECT_NE(importThread, ::GetCurrentThreadId());
    EXPECT_EQ(set.GetCount(), 4);
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemCamera(0)->m_dLatitude, 95.0);
    EXPECT_EQ(list.CListCtrl::GetItemCount(), 1);
}

TEST_F(Download, TheConfigurationIsFetchedOnTheWorkerAndASignedDigestIsHeldToIt) {
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", s_server.c_str());
    m_dl.m_strConfigUrl = GetBaseFileIniUrl();
    ::SetEnvironmentVariableW(L"KOVRA_SERVER_URL", nullptr);
    m_dl.m_strIniPath = m_folder + L"\\BaseFile.ini";
    ServeConfig("[ActiveBaseFil]\r\nURL=" + kovra::ToUtf8(s_server) + "/files/Base_2024.xls\r\n");
    ASSERT_TRUE(RunDownload(L""));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(Stored() + L"\\Base_2024.xls"), s_book);

    // No configuration on the server: "no server", and no workbook asked for.
    m_page.m_messages.clear();
    m_dl.m_strConfigUrl = s_server + L"/dvr/missing/BaseFile.ini";
    ASSERT_TRUE(RunDownload(L""));
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kNoServer));

    // A digest the workbook does not have: the workbook is not kept.
    m_dl.m_strConfigUrl.clear();
    m_dl.m_strSha256 = std::string(64, '0');
    m_page.m_messages.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kFailed));
    EXPECT_EQ(ReadBytes(Stored() + L"\\Base_2024.xls"), s_book) << "the earlier download stays";
    EXPECT_EQ(FilesIn(Stored()).size(), 1u);
    m_dl.m_strSha256 = Sha256Hex(s_book.data(), s_book.size());
    m_page.m_messages.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
}

TEST_F(Download, WithoutLengthNoProgressIsReported) {
    ASSERT_TRUE(RunDownload(L"/nolength/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_TRUE(Percents().empty());
    EXPECT_EQ(ReadBytes(m_dl.m_strPath), s_book);
}

TEST_F(Download, TheNameIsOursAndNoFileOfTheUsersIsReplaced) {
    // The user's files beside the program's folder, named as the server names its files.
    for (const wchar_t* name : {L"victim.txt", L"x.exe", L"Base_2024.xls"})
        ASSERT_TRUE(WriteBytes(m_folder + L"\\" + name, "the user's own file"));
    for (const wchar_t* served : {L"/files/victim.txt", L"/files/x.exe", L"/files/Base_2024.xls"}) {
        SCOPED_TRACE(kovra::ToUtf8(served));
        m_page.m_messages.clear();
        ASSERT_TRUE(WriteBytes(s_root.windows + L"\\files\\victim.txt", s_book));
        ASSERT_TRUE(WriteBytes(s_root.windows + L"\\files\\x.exe", s_book));
        ASSERT_TRUE(RunDownload(served));
        EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
        EXPECT_EQ(kovra::FolderOf(m_dl.m_strPath), Stored() + L"\\");
        EXPECT_EQ(m_dl.m_strPath.substr(m_dl.m_strPath.size() - 4), L".xls");
    }
    EXPECT_EQ(FilesIn(Stored()),
              (std::vector<std::wstring>{L"Base_2024.xls", L"victim.xls", L"x.xls"}));
    for (const std::wstring& name : FilesIn(m_folder))
        EXPECT_EQ(ReadBytes(m_folder + L"\\" + name), "the user's own file") << kovra::ToUtf8(name);
    // The program's own copy is replaced by the next download of its name.
    ASSERT_TRUE(WriteBytes(Stored() + L"\\Base_2024.xls", "an older download"));
    m_page.m_messages.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_EQ(ReadBytes(Stored() + L"\\Base_2024.xls"), s_book);
}

TEST_F(Download, AWorkbookTheImportRefusesIsNotKept) {
    m_dl.m_fnImport = [](CBaseDownload& dl) {
        dl.m_pImported = std::make_unique<ImportedSource>();
        dl.m_pImported->outcome = ImportedSource::kInvalidFile;
    };
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_TRUE(FilesIn(Stored()).empty());
}

TEST_F(Download, FailedTransferGoesOnToTheFailureScreenAndKeepsTheOldFile) {
    ::CreateDirectoryW(Stored().c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(Stored() + L"\\Missing.xls", "an earlier download"));
    bool imported = false;
    m_dl.m_fnImport = [&](CBaseDownload&) { imported = true; };
    ASSERT_TRUE(RunDownload(L"/files/Missing.xls"));
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kFailed));
    EXPECT_FALSE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_TRUE(m_dl.m_bLoadFailed);
    EXPECT_FALSE(imported);
    EXPECT_EQ(ReadBytes(Stored() + L"\\Missing.xls"), "an earlier download");
    EXPECT_EQ(FilesIn(Stored()), std::vector<std::wstring>{L"Missing.xls"});
}

TEST_F(Download, OnlyHttpAddressesOnTheSameHostAreFollowedAndNothingOversizedIsKept) {
    const std::wstring ini = m_folder + L"\\BaseFile.ini";
    BaseFileOffer offer;
    // Neither a configuration file nor a workbook is fetched from a file or a network share.
    ASSERT_TRUE(WriteBytes(m_folder + L"\\local.ini", "[ActiveBaseFil]\r\nURL=http://a/b.xls\r\n"));
    for (const std::wstring& address :
         {L"file:///" + m_folder + L"\\local.ini", m_folder + L"\\local.ini",
          std::wstring(L"\\\\127.0.0.1\\share\\BaseFile.ini"), std::wstring(L"ftp://127.0.0.1/a.ini")}) {
        EXPECT_FALSE(FetchBaseFileOffer(address, ini, {}, &offer)) << kovra::ToUtf8(address);
        EXPECT_FALSE(kovra::FileExists(ini));
    }
    m_dl.Reset(L"file:///" + m_folder + L"\\local.ini");
    EXPECT_FALSE(DownloadBaseData(&m_dl));
    EXPECT_TRUE(m_dl.m_bLoadFailed);

    // A redirect is followed on the same server only.
    ASSERT_TRUE(RunDownload(L"/same/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    for (const wchar_t* away : {L"/elsewhere/files/Base_2024.xls", L"/local/files/Base_2024.xls"}) {
        m_page.m_messages.clear();
        ASSERT_TRUE(RunDownload(away));
        EXPECT_EQ(EndedHow(), int(CBaseDownload::kFailed)) << kovra::ToUtf8(away);
    }

    // An answer without end is cut off at the limit and leaves no file; so is one announced
    // over the limit, and a whole file over it.
    ServeConfig("[ActiveBaseFil]\r\nURL=http://example.invalid/db/Base_2024.xls\r\n");
    EXPECT_FALSE(FetchBaseFileOffer(s_server + L"/endless/dvr/Kovra R7/rus/BaseFile.ini", ini, {}, &offer));
    EXPECT_FALSE(kovra::FileExists(ini));
    ::DeleteFileW((Stored() + L"\\Base_2024.xls").c_str());
    m_dl.m_nLimit = 1024 * 1024;
    for (const wchar_t* path : {L"/endless/files/Base_2024.xls", L"/huge/files/Base_2024.xls"}) {
        m_page.m_messages.clear();
        ASSERT_TRUE(RunDownload(path));
        EXPECT_EQ(EndedHow(), int(CBaseDownload::kFailed)) << kovra::ToUtf8(path);
    }
    m_page.m_messages.clear();
    m_dl.m_nLimit = s_book.size() - 1;
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kFailed));
    EXPECT_TRUE(FilesIn(Stored()).empty());
    // Nothing of it went into the system's download cache either.
    for (const wchar_t* path : {L"/endless/files/Base_2024.xls", L"/files/Base_2024.xls"}) {
        DWORD size = 0;
        EXPECT_FALSE(::GetUrlCacheEntryInfoW((s_server + path).c_str(), nullptr, &size) ||
                     ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            << kovra::ToUtf8(path);
    }
}

TEST_F(Download, CancelEndsTheTransferAndTheNextDownloadIsFresh) {
    ::CreateDirectoryW(Stored().c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(Stored() + L"\\Base_2024.xls", "kept"));
    m_dl.Reset(s_server + L"/files/Base_2024.xls");
    // Cancelled as the button does, once the first block is in: the transfer may have all of
    // the small workbook by then, and the cancel holds all the same.
    kovra_test::HoldAt block("download");
    ASSERT_TRUE(AfxBeginThread(BaseDownloadThreadProc, &m_dl));
    ASSERT_TRUE(PumpUntil([&] { return block.IsReached(); }, 30000));
    m_dl.Cancel();
    block.Release();
    ASSERT_TRUE(PumpUntil([&] { return Ended(); }, 30000));
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kCancelled));
    EXPECT_FALSE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(Stored() + L"\\Base_2024.xls"), "kept");
    EXPECT_EQ(FilesIn(Stored()), std::vector<std::wstring>{L"Base_2024.xls"});

    // The next download starts without the old request.
    m_page.m_messages.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(Stored() + L"\\Base_2024.xls"), s_book);
}

TEST_F(Download, ACancelIsHeardWhileTheServerSaysNothing) {
    // The headers, then silence for as long as the client stays: only the cancel ends it.
    m_dl.Reset(s_server + L"/silent/files/Base_2024.xls");
    ASSERT_TRUE(AfxBeginThread(BaseDownloadThreadProc, &m_dl));
    ASSERT_TRUE(PumpUntil([&] { return FilesIn(Stored()).size() == 1; }, 30000))
        << "the transfer's file";
    EXPECT_FALSE(Ended());
    m_dl.Cancel();
    ASSERT_TRUE(PumpUntil([&] { return Ended(); }, 15000)) << "the cancel was not heard";
    EXPECT_EQ(EndedHow(), int(CBaseDownload::kCancelled));
    EXPECT_TRUE(FilesIn(Stored()).empty());
}

TEST_F(Download, WorkbookGoesToTheDocumentsFolderByDefault) {
    std::wstring documents;
    ASSERT_TRUE(kovra::GetDocumentsFolder(&documents));
    const std::wstring target = documents + L"\\Base data\\Base_2024.xls";
    m_dl.m_strFolder.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(m_dl.m_strPath, target);
    EXPECT_EQ(ReadBytes(target), s_book);
    ::DeleteFileW(target.c_str());
}

TEST(DownloadFileName, IsTheAddressLastPartAsAWorkbook) {
    struct {
        const wchar_t* url;
        const wchar_t* name;
    } cases[] = {
        {L"http://server/db/Base_2024.xls", L"Base_2024.xls"},
        {L"http://server/db/Base 2024.xls?id=5#top", L"Base 2024.xls"},
        {L"http://server/Base.xls#part", L"Base.xls"},
        {L"http://server/victim.txt", L"victim.xls"},
        {L"http://server/setup.exe", L"setup.xls"},
        {L"http://server/..\\..\\x.exe", L"x.xls"},
        {L"http://server/archive.tar.gz", L"archive.tar.xls"},
        {L"http://server/.profile", L".profile.xls"},
        {L"C:\\data\\Base.xls", L"Base.xls"},
        {L"Base", L"Base.xls"},
        // Nothing the file system would take as it stands: a name of ours.
        {L"http://server/db/", L"Base data.xls"},
        {L"http://server/db/?x=1", L"Base data.xls"},
        {L"http://server/..", L"Base data.xls"},
        {L"http://server/a:stream", L"Base data.xls"},
        {L"http://server/a*.xls", L"Base data.xls"},
        {L"http://server/base.xls.", L"Base data.xls"},
        {L"http://server/a\x01.xls", L"Base data.xls"},
        {L"", L"Base data.xls"},
    };
    for (const auto& c : cases) EXPECT_EQ(BaseDataFileName(c.url), c.name) << kovra::ToUtf8(c.url);
    EXPECT_EQ(BaseDataFileName(L"http://server/" + std::wstring(100, L'a') + L".xls"),
              std::wstring(64, L'a') + L".xls");
}

TEST(DownloadProgressPercent, IsCutTowardZeroAndStopsAtTheEnd) {
    struct {
        uint64_t received, total;
        UINT percent;
    } cases[] = {
        {0, 100, 0},
        {1, 3, 33},
        {2, 3, 66},
        {99, 100, 99},
        {100, 100, 100},
        {250, 100, 100},
        {7, 0, 0},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 100},
        {0x7FFFFFFFu, 0xFFFFFFFFu, 49},
        {0x80000000u, 0xFFFFFFFFu, 50},
        {uint64_t(300) << 20, uint64_t(600) << 20, 50},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DownloadPercent(c.received, c.total), c.percent) << c.received << " of " << c.total;
}

}  // namespace
