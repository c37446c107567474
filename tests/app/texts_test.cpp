// Texts by ID, the language choice with the Russian library, Language.txt and the profile
// settings, on the real string tables of the program and of kovradesk_RUS.dll.
#include "app/texts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/helpers.h"
#include "camdata/config.h"
#include "resource.h"
#include "tests/app/app_test_util.h"

namespace {

const wchar_t kRussianStart[] = L"\x041d\x0430\x0447\x0430\x0442\x044c";  // "Начать"
const wchar_t kRussianEnglish[] = L"\x0410\x043d\x0433\x043b\x0438\x0439\x0441\x043a\x0438\x0439";
const wchar_t kRussianRussian[] = L"\x0420\x0443\x0441\x0441\x043a\x0438\x0439";

// Each test gets a profile of its own and a program folder of its own (g_szModuleDir), with or
// without the Russian library and Language.txt.
class Texts : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            app_test::TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        lstrcpynW(g_szModuleDir, m_dir.c_str(), 256);
    }
    void TearDown() override {
        FreeLanguageLibrary();
        g_szModuleDir[0] = L'\0';
    }
    void CopyRussianLibrary() {
        ASSERT_TRUE(::CopyFileW(app_test::WindowsPath(KOVRA_RUS_DLL).c_str(),
                                (m_dir + L"\\kovradesk_RUS.dll").c_str(), FALSE));
    }
    void WriteFile(const std::wstring& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(kovra::WriteFileReplacing(m_dir + L"\\" + name, bytes.data(), bytes.size()));
    }
    static std::wstring Text(UINT id) {
        const wchar_t* p = LoadText(id);
        return p ? p : L"(null)";
    }
    app_test::TestApp m_app;
    std::wstring m_dir;
};

TEST_F(Texts, RingOfFourBuffersTheFifthCallReusesTheFirst) {
    const UINT ids[] = {IDS_NEXT, IDS_BACK, IDS_SKIP, IDS_START, IDS_TEMPLATE};
    const wchar_t* p[5];
    for (int i = 0; i < 5; ++i) p[i] = LoadText(ids[i]);
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) EXPECT_NE(p[i], p[j]) << i << " " << j;
    EXPECT_EQ(p[4], p[0]);
    EXPECT_STREQ(p[4], L"Template");  // the first text is gone
    EXPECT_STREQ(p[1], L"< Back");
    EXPECT_STREQ(p[3], L"Start");
}

TEST_F(Texts, LongTextsAreCutAndMissingOrEmptyOnesAreNull) {
    const wchar_t* p = LoadText(4000);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::wcslen(p), 255u);
    EXPECT_EQ(std::wstring(p, 20), L"0123456789ABCDEFGHIJ");
    EXPECT_EQ(LoadText(4001), nullptr);
    EXPECT_EQ(LoadText(3999), nullptr);
    EXPECT_EQ(
        LoadText(IDS_BASE_IMPORTED),
        std::wstring(L"Base data have been imported successfully.\nYour revised data is saved "
                     L"as \"%s\"."));
}

TEST_F(Texts, LanguageChoiceLoadsTheRussianLibraryOnlyForRussian) {
    CopyRussianLibrary();
    const struct {
        int stored;
        const wchar_t* start;
        int storedAfter;
    } cases[] = {
        {1, kRussianStart, 1}, {0, L"Start", 0},
        {2, L"Start", 2},  // an unknown language runs in English and stays stored
        {7, L"Start", 7},      {1, kRussianStart, 1},
    };
    for (const auto& c : cases) {
        SetLanguageSetting(c.stored);
        LoadLanguageLibrary();
        EXPECT_EQ(Text(IDS_START), c.start) << c.stored;
        EXPECT_EQ(Text(IDS_APP_TITLE), L"Kovra Converter") << c.stored;
        EXPECT_EQ(GetLanguageSetting(), c.storedAfter);
    }
    // In Russian the profile's names still come from the program.
    SetDestFolderSetting(L"D:\\Cards");
    EXPECT_EQ(GetDestFolderSetting(), L"D:\\Cards");
    EXPECT_EQ(m_app.GetProfileString(L"MAIN", L"DestFolder", L"?"), L"D:\\Cards");
}

TEST_F(Texts, RussianWithoutAUsableLibraryFallsBackToEnglish) {
    SetLanguageSetting(1);
    LoadLanguageLibrary();  // no library in the folder
    EXPECT_EQ(g_hLangModule, ::GetModuleHandleW(nullptr));
    EXPECT_EQ(Text(IDS_START), L"Start");

    const std::string junk = "MZ this is not a library";
    WriteFile(L"kovradesk_RUS.dll", std::vector<uint8_t>(junk.begin(), junk.end()));
    LoadLanguageLibrary();
    EXPECT_EQ(Text(IDS_START), L"Start");
    EXPECT_EQ(GetLanguageSetting(), 1);  // the menu still shows Russian as chosen
}

TEST_F(Texts, NothingStoredStoresTheDetectedLanguage) {
    EXPECT_EQ(GetLanguageSetting(), -1);
    const int detected = DetectUILanguage();
    EXPECT_TRUE(detected == 0 || detected == 1);
    EXPECT_EQ(detected, ::GetUserDefaultUILanguage() == 0x0419 ? 1 : 0);
    EXPECT_EQ(ChooseLanguage(), detected);
    EXPECT_EQ(GetLanguageSetting(), detected);
}

TEST_F(Texts, NothingStoredFollowsTheSystemsLanguageIntoTheLibrary) {
    // Run once more with a Russian user interface (the ctest entry app_test_russian_ui), which
    // sets KOVRA_EXPECT_UI_LANGUAGE so this cannot pass on the English branch alone.
    const bool russian = ::GetUserDefaultUILanguage() == 0x0419;
    if (const char* expect = std::getenv("KOVRA_EXPECT_UI_LANGUAGE")) {
        ASSERT_EQ(russian ? 1 : 0, std::atoi(expect));
    }
    CopyRussianLibrary();
    ASSERT_EQ(GetLanguageSetting(), -1);
    LoadLanguageLibrary();
    EXPECT_EQ(GetLanguageSetting(), russian ? 1 : 0);
    EXPECT_EQ(Text(IDS_START), russian ? kRussianStart : L"Start");
    EXPECT_EQ(Text(IDS_APP_TITLE), L"Kovra Converter");
}

TEST_F(Texts, ProfileSettingsDefaultsAndValuesOfTheWrongKind) {
    EXPECT_EQ(GetLanguageSetting(), -1);
    EXPECT_EQ(GetDestFolderSetting(), L"0");
    // Values someone stored with the wrong kind read as missing.
    m_app.WriteProfileString(L"MAIN", L"Language", L"1");
    EXPECT_EQ(GetLanguageSetting(), -1);
    m_app.WriteProfileInt(L"MAIN", L"DestFolder", 5);
    EXPECT_EQ(GetDestFolderSetting(), L"0");
    // The stored language is then written over with an integer.
    ChooseLanguage();
    EXPECT_GE(GetLanguageSetting(), 0);

    const wchar_t* folders[] = {L"C:\\Users\\u\\Documents", L"",
                                L"E:\\\x041a\x0430\x0440\x0442\x0430"};
    for (const wchar_t* f : folders) {
        SetDestFolderSetting(f);
        EXPECT_EQ(GetDestFolderSetting(), f);
    }
    // The settings live in section MAIN of the application's key, the folder as a text.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, (m_app.KeyPath() + L"\\MAIN").c_str(), 0, KEY_READ,
                              &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(::RegQueryValueExW(key, L"DestFolder", nullptr, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(::RegQueryValueExW(key, L"Language", nullptr, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    ::RegCloseKey(key);
}

std::vector<uint8_t> Utf16(const std::wstring& text, bool bom = true) {
    std::vector<uint8_t> out;
    if (bom) out = {0xFF, 0xFE};
    for (wchar_t c : text) {
        out.push_back(uint8_t(c & 0xFF));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

TEST_F(Texts, LanguageNamesFromLanguageTxt) {
    const std::wstring ru = std::wstring(kRussianEnglish) + L"\t" + kRussianRussian + L"\r\n";
    const std::wstring cell79(79, L'x');
    const struct {
        const char* what;
        std::vector<uint8_t> file;  // empty: no file
        const wchar_t* russian;     // GetLanguageName(1) in English
    } cases[] = {
        {"two rows", Utf16(L"English\tRussian\r\n" + ru), L"Russian"},
        {"no file", {}, L"English"},
        {"matched without regard to case", Utf16(L"ENGLISH\tRussian\r\n"), L"Russian"},
        {"the English row second", Utf16(ru + L"English\tRussisch\r\n"), L"Russisch"},
        {"no byte-order mark", Utf16(L"English\tRussian\r\n", false), L"Russian"},
        {"CR without LF", Utf16(ru.substr(0, ru.size() - 1) + L"English\tRussian\r"), L"Russian"},
        {"last row without CR is never used", Utf16(L"English\tRussian"), L"English"},
        {"last row ends in LF only", Utf16(L"English\tRussian\n"), L"English"},
        {"missing TAB", Utf16(L"English\r\n"), L"English"},
        {"empty second cell", Utf16(L"English\t\r\n"), L"English"},
        {"third cell ignored", Utf16(L"English\tRussian\tmore\r\n"), L"Russian"},
        {"cell cut at 79 units", Utf16(L"English\t" + cell79 + L"yz\r\n"), cell79.c_str()},
        {"odd byte count",
         [] {
             auto v = Utf16(L"English\tRussian\r\n");
             v.push_back('x');
             return v;
         }(),
         L"Russian"},
        {"8-bit text", {'E', 'n', 'g', 'l', 'i', 's', 'h', '\t', 'R', '\r', '\n'}, L"English"},
        {"only a mark", {0xFF, 0xFE}, L"English"},
        {"empty", {0}, L"English"},
    };
    // GetLanguageName looks beside the running program: here, the test program.
    const std::wstring file = GetModuleDir() + L"\\Language.txt";
    SetLanguageSetting(0);
    LoadLanguageLibrary();
    for (const auto& c : cases) {
        ::DeleteFileW(file.c_str());
        if (!c.file.empty()) {
            ASSERT_TRUE(kovra::WriteFileReplacing(file, c.file.data(), c.file.size()));
        }
        EXPECT_STREQ(GetLanguageName(0), L"English") << c.what;
        EXPECT_STREQ(GetLanguageName(1), c.russian) << c.what;
    }

    // In Russian the Russian row answers; the shipped file has both rows.
    CopyRussianLibrary();
    lstrcpynW(g_szModuleDir, m_dir.c_str(), 256);
    SetLanguageSetting(1);
    LoadLanguageLibrary();
    ASSERT_TRUE(
        ::CopyFileW(app_test::WindowsPath(KOVRA_SOURCE_DIR "/resources/Language.txt").c_str(),
                    file.c_str(), FALSE));
    EXPECT_STREQ(GetLanguageName(0), kRussianEnglish);
    EXPECT_STREQ(GetLanguageName(1), kRussianRussian);
    FreeLanguageLibrary();
    SetLanguageSetting(0);
    LoadLanguageLibrary();
    EXPECT_STREQ(GetLanguageName(1), L"Russian");
    ::DeleteFileW(file.c_str());
}

}  // namespace
