// The base data download against a local HTTP server (tests/wizard/http_server.py): the
// configuration fetch, progress, cancel, failures, and the import on the download thread.
#include "wizard/base_download.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/server_url.h"
#include "base/file_io.h"
#include "base/user_folders.h"
#include "base/window_messages.h"
#include "camdata/cam_workbook.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/win_app.h"
#include "spreadsheet/excel_file.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"
#include "tests/wizard/wizard_test_util.h"
#include "wizard/speed_cam_list_ctrl.h"

namespace {

using wizard_test::RecordingParent;

const UINT kBackCommand = 2004;

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
            DownloadUrlToFile(s_server + L"/shutdown", s_root.windows + L"\\shutdown.txt", nullptr,
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
        return PumpUntil(
            [&] {
                return m_page.Has(UM_BASE_DOWNLOADED) || m_page.Has(UM_STEP_NEXT) ||
                       m_page.Has(WM_COMMAND);
            },
            30000);
    }

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
    std::wstring url;
    ASSERT_TRUE(FetchBaseFileUrl(configUrl, ini, &url));
    EXPECT_EQ(url, L"http://example.invalid/db/Base_2024.xls");
    EXPECT_TRUE(kovra::FileExists(ini));

    // A changed file on the server is what the next fetch reads, not an earlier copy.
    ServeConfig("[ActiveBaseFil]\r\nURL=http://example.invalid/db/Base_2025.xls\r\n");
    ASSERT_TRUE(FetchBaseFileUrl(configUrl, ini, &url));
    EXPECT_EQ(url, L"http://example.invalid/db/Base_2025.xls");
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
        std::wstring url = L"left over";
        EXPECT_FALSE(FetchBaseFileUrl(configUrl, ini, &url)) << text;
        EXPECT_EQ(url, L"");
    }

    // Not on the server: no transfer, and the older local copy is gone.
    ASSERT_TRUE(WriteBytes(ini, "[ActiveBaseFil]\r\nURL=http://example.invalid/old.xls\r\n"));
    std::wstring url;
    EXPECT_FALSE(FetchBaseFileUrl(s_server + L"/dvr/missing/BaseFile.ini", ini, &url));
    EXPECT_FALSE(kovra::FileExists(ini));
    // No server at all.
    EXPECT_FALSE(FetchBaseFileUrl(L"http://127.0.0.1:1/BaseFile.ini", ini, &url));
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
    EXPECT_FALSE(m_page.Has(UM_STEP_NEXT));
    EXPECT_FALSE(m_dl.m_bLoadFailed);
    EXPECT_EQ(m_dl.m_strPath, m_folder + L"\\Base_2024.xls");
    EXPECT_EQ(ReadBytes(m_dl.m_strPath), s_book);
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"Base_2024.xls"});

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

TEST_F(Download, WithoutLengthNoProgressIsReported) {
    ASSERT_TRUE(RunDownload(L"/nolength/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_TRUE(Percents().empty());
    EXPECT_EQ(ReadBytes(m_dl.m_strPath), s_book);
}

TEST_F(Download, WorkbookReplacesAFileOfItsName) {
    ASSERT_TRUE(WriteBytes(m_folder + L"\\Base_2024.xls", "an older download"));
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(m_folder + L"\\Base_2024.xls"), s_book);
    EXPECT_EQ(FilesIn(m_folder).size(), 1u);
}

TEST_F(Download, FailedTransferGoesOnToTheFailureScreenAndKeepsTheOldFile) {
    ASSERT_TRUE(WriteBytes(m_folder + L"\\Missing.xls", "the user's own file"));
    bool imported = false;
    m_dl.m_fnImport = [&](CBaseDownload&) { imported = true; };
    ASSERT_TRUE(RunDownload(L"/files/Missing.xls"));
    EXPECT_TRUE(m_page.Has(UM_STEP_NEXT));
    EXPECT_FALSE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_FALSE(m_page.Has(WM_COMMAND));
    EXPECT_TRUE(m_dl.m_bLoadFailed);
    EXPECT_FALSE(imported);
    EXPECT_EQ(ReadBytes(m_folder + L"\\Missing.xls"), "the user's own file");
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"Missing.xls"});
}

TEST_F(Download, OnlyHttpAddressesAreFollowedAndNothingEndlessIsKept) {
    const std::wstring ini = m_folder + L"\\BaseFile.ini";
    std::wstring url;
    // Neither a configuration file nor a workbook is fetched from a file or a network share.
    ASSERT_TRUE(WriteBytes(m_folder + L"\\local.ini", "[ActiveBaseFil]\r\nURL=http://a/b.xls\r\n"));
    for (const std::wstring& address :
         {L"file:///" + m_folder + L"\\local.ini", m_folder + L"\\local.ini",
          std::wstring(L"\\\\127.0.0.1\\share\\BaseFile.ini"), std::wstring(L"ftp://127.0.0.1/a.ini")}) {
        EXPECT_FALSE(FetchBaseFileUrl(address, ini, &url)) << kovra::ToUtf8(address);
        EXPECT_FALSE(kovra::FileExists(ini));
    }
    m_dl.Reset(L"file:///" + m_folder + L"\\local.ini");
    EXPECT_FALSE(DownloadBaseData(&m_dl));
    EXPECT_TRUE(m_dl.m_bLoadFailed);

    // An answer without end is cut off at the limit and leaves no file.
    ServeConfig("[ActiveBaseFil]\r\nURL=http://example.invalid/db/Base_2024.xls\r\n");
    EXPECT_FALSE(FetchBaseFileUrl(s_server + L"/endless/dvr/Kovra R7/rus/BaseFile.ini", ini, &url));
    EXPECT_FALSE(kovra::FileExists(ini));
    m_dl.m_nLimit = 1024 * 1024;
    ASSERT_TRUE(RunDownload(L"/endless/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_STEP_NEXT));
    EXPECT_TRUE(m_dl.m_bLoadFailed);
    // A whole file over the limit is refused too.
    m_page.m_messages.clear();
    m_dl.m_nLimit = s_book.size() - 1;
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_STEP_NEXT));
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"local.ini"});
}

TEST_F(Download, AddressWithoutUsableFileNameFails) {
    ASSERT_TRUE(RunDownload(L"/files/"));
    EXPECT_TRUE(m_page.Has(UM_STEP_NEXT));
    EXPECT_TRUE(m_dl.m_bLoadFailed);
    EXPECT_TRUE(FilesIn(m_folder).empty());
}

TEST_F(Download, CancelEndsTheTransferAndTheNextDownloadIsFresh) {
    ASSERT_TRUE(WriteBytes(m_folder + L"\\Base_2024.xls", "kept"));
    m_dl.Reset(s_server + L"/files/Base_2024.xls");
    // Cancelled as the button does, once the first block is in: the transfer may have all of
    // the small workbook by then, and the cancel holds all the same.
    kovra_test::HoldAt block("download");
    ASSERT_TRUE(AfxBeginThread(BaseDownloadThreadProc, &m_dl));
    ASSERT_TRUE(PumpUntil([&] { return block.IsReached(); }, 30000));
    m_dl.Cancel();
    block.Release();
    ASSERT_TRUE(
        PumpUntil([&] { return m_page.Has(WM_COMMAND) || m_page.Has(UM_STEP_NEXT); }, 30000));
    const auto commands = m_page.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].wParam), kBackCommand);
    EXPECT_EQ(HIWORD(commands[0].wParam), BN_CLICKED);
    EXPECT_FALSE(m_page.Has(UM_STEP_NEXT));
    EXPECT_FALSE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(m_folder + L"\\Base_2024.xls"), "kept");
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"Base_2024.xls"});

    // The next download starts without the old request.
    m_page.m_messages.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(ReadBytes(m_folder + L"\\Base_2024.xls"), s_book);
}

TEST_F(Download, WorkbookGoesToTheDocumentsFolderByDefault) {
    std::wstring documents;
    ASSERT_TRUE(kovra::GetDocumentsFolder(&documents));
    const std::wstring target = documents + L"\\Base_2024.xls";
    m_dl.m_strFolder.clear();
    ASSERT_TRUE(RunDownload(L"/files/Base_2024.xls"));
    EXPECT_TRUE(m_page.Has(UM_BASE_DOWNLOADED));
    EXPECT_EQ(m_dl.m_strPath, target);
    EXPECT_EQ(ReadBytes(target), s_book);
    ::DeleteFileW(target.c_str());
}

TEST(DownloadFileName, IsTheAddressLastPartWhenTheFileSystemTakesItAsAName) {
    struct {
        const wchar_t* url;
        const wchar_t* name;  // null: refused
    } cases[] = {
        {L"http://server/db/Base_2024.xls", L"Base_2024.xls"},
        {L"http://server/db/Base 2024.xls?id=5#top", L"Base 2024.xls"},
        {L"http://server/Base.xls#part", L"Base.xls"},
        {L"C:\\data\\Base.xls", L"Base.xls"},
        {L"Base.xls", L"Base.xls"},
        {L"http://server/db/", nullptr},
        {L"http://server/db/?x=1", nullptr},
        {L"http://server/..", nullptr},
        {L"http://server/.", nullptr},
        {L"http://server/a:stream", nullptr},
        {L"http://server/a*.xls", nullptr},
        {L"http://server/a|b", nullptr},
        {L"http://server/base.xls.", nullptr},
        {L"http://server/base.xls ", nullptr},
        {L"http://server/a\x01.xls", nullptr},
        {L"", nullptr},
    };
    for (const auto& c : cases) {
        std::wstring name = L"unchanged";
        const bool ok = GetDownloadFileName(c.url, &name);
        EXPECT_EQ(ok, c.name != nullptr) << kovra::ToUtf8(c.url);
        EXPECT_EQ(name, c.name ? c.name : L"unchanged") << kovra::ToUtf8(c.url);
    }
}

TEST(DownloadProgressObject, PostsPercentsHearsTheServerAndAbortsOnCancel) {
    RecordingParent page;
    ASSERT_TRUE(page.Create(false));
    CBaseDownload dl;
    dl.m_hWndPage = page.m_hWnd;
    DownloadProgress progress(&dl);

    EXPECT_EQ(progress.OnProgress(0, 0, BINDSTATUS_CONNECTING, nullptr), S_OK);
    EXPECT_EQ(progress.OnProgress(30, 120, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
    wizard_test::Drain();
    const auto percents = page.Of(UM_DOWNLOAD_PERCENT);
    ASSERT_EQ(percents.size(), 1u);  // none without a total
    EXPECT_EQ(percents[0].wParam, WPARAM(25));

    // The transfer learns the server's answer only through the HTTP negotiation.
    void* p = &progress;
    EXPECT_EQ(progress.QueryInterface(IID_IBindStatusCallback, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    ASSERT_EQ(progress.QueryInterface(IID_IHttpNegotiate, &p), S_OK);
    EXPECT_EQ(p, static_cast<IHttpNegotiate*>(&progress));
    EXPECT_TRUE(progress.ResponseOk());
    progress.OnResponse(404, L"", nullptr, nullptr);
    EXPECT_FALSE(progress.ResponseOk());
    progress.OnResponse(200, L"", nullptr, nullptr);
    EXPECT_TRUE(progress.ResponseOk());

    dl.Cancel();
    EXPECT_EQ(progress.OnProgress(60, 120, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    dl.Reset(L"http://server/a.xls");
    EXPECT_EQ(progress.OnProgress(60, 120, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
}

TEST(DownloadProgressObject, PercentIsCutTowardZeroAndStopsAtTheEnd) {
    struct {
        ULONG progress, total;
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(DownloadProgress::Percent(c.progress, c.total), c.percent)
            << c.progress << " of " << c.total;
}

}  // namespace
