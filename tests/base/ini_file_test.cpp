// INI reading and writing. The same tables run natively (our reader) and under Wine (the
// Windows functions), so the two cannot drift apart.
#include "base/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "tests/test_util.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Wine's profile functions differ from Windows in two corners (marked below); those rows are
// checked natively and on Windows, not under Wine.
bool UnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = kovra_test::TempDir(
            std::string("ini-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // Every case gets its own file: Windows caches profile files by name.
    std::wstring Write(const std::string& bytes) {
        std::wstring path = kovra::FromUtf8(m_dir + "/case" + std::to_string(m_n++) + ".ini");
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return path;
    }
    std::string m_dir;
    int m_n = 0;
};

struct ReadCase {
    std::string file;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* def;
    size_t size;
    std::wstring expected;
    bool wineDiffers = false;
};

// Files with a NUL need their length spelled out.
std::string Bytes(const char* p, size_t n) {
    return std::string(p, n);
}

TEST_F(IniFile, ReadsValuesAsWindowsDoes) {
    const ReadCase cases[] = {
        // names and blanks
        {"[A]\r\nk=v\r\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\r\nK=v\r\n", L"a", L"k", L"d", 64, L"v"},
        {"[A]\nk = v w \n", L"A", L"k", L"d", 64, L"v w"},
        {"[A]\nk\t=\tv\t\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\n  k  =v\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\nk x=v\n", L"A", L"k x", L"d", 64, L"v"},
        {"[A]\nk=a=b\n", L"A", L"k", L"d", 64, L"a=b"},
        {"[A]\nk=a\tb\n", L"A", L"k", L"d", 64, L"a\tb"},
        {"[A]\nk=v\x0b\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\nk=\x0cv\x1a\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\nk=\x01v\x01\n", L"A", L"k", L"d", 64, L"\x01v\x01"},
        {"[A]\r\nk=v\r\n", L" A ", L"k ", L"d", 64, L"v"},
        {"[A]\nkey=v\n", L"A", L"ke", L"d", 64, L"d"},
        {"[A]\nke=v\n", L"A", L"key", L"d", 64, L"d"},
        // quotes
        {"[A]\nk=\"v w\"\n", L"A", L"k", L"d", 64, L"v w"},
        {"[A]\nk='v w'\n", L"A", L"k", L"d", 64, L"v w"},
        {"[A]\nk=\"v w\n", L"A", L"k", L"d", 64, L"\"v w"},
        {"[A]\nk=v w\"\n", L"A", L"k", L"d", 64, L"v w\""},
        {"[A]\nk=\"v' \n", L"A", L"k", L"d", 64, L"\"v'"},
        {"[A]\nk=\"\n", L"A", L"k", L"d", 64, L"\""},
        {"[A]\nk=\"\"\n", L"A", L"k", L"d", 64, L""},
        {"[A]\nk=\"\"\"\n", L"A", L"k", L"d", 64, L"\""},
        {"[A]\nk= \" a \" \n", L"A", L"k", L"d", 64, L" a "},
        {"[A]\nk=\"a\"b\"\n", L"A", L"k", L"d", 64, L"a\"b"},
        // comments are keys nobody asks for; no comments after values
        {"[A]\nk=v ; c\n", L"A", L"k", L"d", 64, L"v ; c"},
        {"[A]\n;k=v\n", L"A", L"k", L"d", 64, L"d"},
        {"[A]\n;k=v\n", L"A", L";k", L"d", 64, L"v"},
        {";[A]\nk=v\n", L"A", L"k", L"d", 64, L"d"},
        // first section and first key win
        {"[A]\nk=1\nk=2\n", L"A", L"k", L"d", 64, L"1"},
        {"[A]\nk=1\n[A]\nk=2\nj=3\n", L"A", L"k", L"d", 64, L"1"},
        {"[A]\nk=1\n[A]\nk=2\nj=3\n", L"A", L"j", L"d", 64, L"d"},
        {"[a]\nk=v\n[A]\nj=w\n", L"A", L"j", L"d", 64, L"d"},
        {"[A]\n[B]\nk=v\n", L"A", L"k", L"d", 64, L"d"},
        // section headers
        {"[ A ]\nk=v\n", L"A", L"k", L"d", 64, L"v"},
        {"  [A]  \nk=v\n", L"A", L"k", L"d", 64, L"v"},
        {"[A] junk\nk=v\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]]\nk=v\n", L"A]", L"k", L"d", 64, L"v"},
        {"[A]]\nk=v\n", L"A", L"k", L"d", 64, L"d"},
        {"[A][B]\nk=v\n", L"A][B", L"k", L"d", 64, L"v"},
        {"x[A]\nk=v\n", L"A", L"k", L"d", 64, L"d"},
        {"[A\nk=v\n", L"A", L"k", L"d", 64, L"d"},
        {"[A]\nk=v\n[B\nj=w\n", L"A", L"j", L"d", 64, L"w"},
        {"k=v\n[A]\n", L"A", L"k", L"d", 64, L"d"},
        {"k=v\n[A]\n", L"", L"k", L"d", 64, L"v"},
        {"[]\nk=v\n", L"", L"k", L"d", 64, L"d"},
        {"[\xc9]\nk=1\n", L"\xe9", L"k", L"d", 64, L"d"},
        // keys without value, empty keys
        {"[A]\nk\n", L"A", L"k", L"d", 64, L"d"},
        {"[A]\nk=\n", L"A", L"k", L"d", 64, L""},
        {"[A]\nk=  \n", L"A", L"k", L"d", 64, L""},
        {"[A]\n=v\n", L"A", L"", L"d", 64, L"v"},
        // line ends, NULs, encodings
        {"[A]\rk=v\r", L"A", L"k", L"d", 64, L"v"},
        {"[A]\r\nk=v\r\r\n", L"A", L"k", L"d", 64, L"v"},
        {"[A]\nk=v", L"A", L"k", L"d", 64, L"v"},
        {Bytes("[A]\nk=v\0w\nj=x\n", 14), L"A", L"k", L"d", 64, L"v"},
        {Bytes("[A]\nk=v\0w\nj=x\n", 14), L"A", L"j", L"d", 64, L"x"},
        {"[A]\nk=\xe9t\xe9\n", L"A", L"k", L"d", 64, L"\xe9t\xe9"},
        {"\xef\xbb\xbf[A]\nk=v\n", L"A", L"k", L"d", 64, L"v"},
        {Bytes("\xff\xfe[\0A\0]\0\n\0k\0=\0v\0\n\0", 18), L"A", L"k", L"d", 64, L"v"},
        // defaults
        {"", L"A", L"k", L"d", 64, L"d"},
        {"[A]\n", L"A", L"k", L"d  ", 64, L"d"},
        {"[A]\n", L"A", L"k", L"  d", 64, L"  d"},
        {"[A]\n", L"A", L"k", L"d\t", 64, L"d\t"},
        {"[A]\n", L"A", L"k", L"\"d\"", 64, L"d"},
        {"[A]\n", L"A", L"k", L"\"ab\"  ", 64, L"ab"},
        {"[A]\n", L"A", L"k", L"", 64, L""},
        {"[A]\n", L"A", L"k", L"   ", 64, L"", true},  // Wine keeps one blank
        // the caller's buffer: size - 1 units and the end
        {"[A]\nk=abcdef\n", L"A", L"k", L"d", 4, L"abc"},
        {"[A]\nk=abc\n", L"A", L"k", L"d", 4, L"abc"},
        {"[A]\nk=abc\n", L"A", L"k", L"d", 3, L"ab"},
        {"[A]\nk=abcdef\n", L"A", L"k", L"d", 1, L""},
        {"[A]\nk=abcdef\n", L"A", L"k", L"d", 0, L""},
        {"[A]\nk=\"abcdef\"\n", L"A", L"k", L"d", 4, L"abc"},
        {"[A]\nk=\"ab\"\n", L"A", L"k", L"d", 4, L"ab"},
        {"[A]\nk=\"ab\"\n", L"A", L"k", L"d", 2, L"a"},
        {"[A]\nk=\"ab\"\n", L"A", L"k", L"d", 3, L"ab", true},  // Wine drops the "b"
        {"[A]\n", L"A", L"k", L"defgh", 3, L"de"},
    };
    const bool wine = UnderWine();
    for (const ReadCase& c : cases) {
        if (wine && c.wineDiffers) continue;
        const std::wstring path = Write(c.file);
        EXPECT_EQ(kovra::IniGetString(path, c.section, c.key, c.def, c.size), c.expected)
            << "file \"" << c.file << "\" section "
            << testing::PrintToString(std::wstring(c.section)) << " key "
            << testing::PrintToString(std::wstring(c.key)) << " size " << c.size;
    }
    EXPECT_EQ(kovra::IniGetString(kovra::FromUtf8(m_dir + "/none/missing.ini"), L"A", L"k", L"dd"),
              L"dd");
}

TEST_F(IniFile, ReadsIntegersAsWindowsDoes) {
    const struct {
        const char* value;  // null: no key at all
        int expected;
    } cases[] = {
        {nullptr, 77},
        {"", 77},
        {"  ", 77},
        {"\"\"", 77},
        {"5", 5},
        {"-5", -5},
        {"+5", 5},
        {" 5", 5},
        {"\t9", 9},
        {"\x01 5", 5},
        {"00012", 12},
        {"5x", 5},
        {"12 34", 12},
        {"5;c", 5},
        {"1e3", 1},
        {"3.9", 3},
        {"\"7\"", 7},
        {"'8'", 8},
        {"x5", 0},
        {"-", 0},
        {"+", 0},
        {"-0", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"--5", 0},
        {"0x10", 16},
        {"0x1F", 31},
        {"0x1g", 1},
        {"-0x10", -16},
        {"0x", 0},
        {"0X1f", 0},
        {"0x-5", 0},
        {"010", 10},
        {"0o10", 8},
        {"0o17", 15},
        {"0o9", 0},
        {"0O7", 0},
        {"0b101", 5},
        {"0b102", 2},
        {"0b2", 0},
        {"-0b11", -3},
        {"0B1", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MIN},
        {"-2147483649", INT_MAX},
        {"4294967295", -1},
        {"4294967296", 0},
        {"99999999999", 1215752191},
        {"0xFFFFFFFF", -1},
        {"0x100000000", 0},
        // only the first 29 characters are read
        {"00000000000000000000000000012", 12},
        {"000000000000000000000000000012", 1},
        {"0000000000000000000000000000012", 0},
    };
    for (const auto& c : cases) {
        const std::string file = c.value ? std::string("[A]\nk=") + c.value + "\n" : "[A]\n";
        EXPECT_EQ(kovra::IniGetInt(Write(file), L"A", L"k", 77), c.expected)
            << "value \"" << (c.value ? c.value : "(none)") << "\"";
    }
}

TEST_F(IniFile, WritesAndReadsBack) {
    const struct {
        const char* before;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
        bool ok;
        // After the write: key j of section B must still read "keep" where the file had it.
    } cases[] = {
        {nullptr, L"MAIN", L"DestFolder", L"C:\\Users\\x\\Documents", true},
        {"", L"MAIN", L"DestFolder", L"/home/x", true},
        {"[MAIN]\r\nDestFolder=old\r\n[B]\r\nj=keep\r\n", L"main", L"destfolder", L"new", true},
        {"[A]\nk=1\n\n[B]\nj=keep\n", L"A", L"m", L"2", true},
        {"[B]\nj=keep\n", L"C", L"z", L" padded ", true},
        {"[B]\nj=keep\n", L"B", L"k", L"", true},
        {"[B]\nj=keep\n", L"B", L"", L"x", false},
        {"[B]\nj=keep\n", L"", L"k", L"x", false},
        {"[B]\nj=keep\n", L"B", L"a=b", L"x", false},
        {"[B]\nj=keep\n", L"B", L"k", L"two\nlines", false},
    };
    for (const auto& c : cases) {
        std::wstring path = c.before ? Write(c.before) : kovra::FromUtf8(m_dir + "/new.ini");
        const std::wstring trimmed = c.value[0] == L' ' ? L"padded" : c.value;
        EXPECT_EQ(kovra::IniWriteString(path, c.section, c.key, c.value), c.ok)
            << testing::PrintToString(std::wstring(c.key));
        if (c.ok) {
            EXPECT_EQ(kovra::IniGetString(path, c.section, c.key, L"missing"), trimmed);
        }
        if (c.before && std::string(c.before).find("j=keep") != std::string::npos) {
            EXPECT_EQ(kovra::IniGetString(path, L"B", L"j", L"lost"), L"keep");
        }
    }
}

TEST_F(IniFile, WritingKeepsOtherEntriesAndOrder) {
    const std::wstring path = Write("[A]\r\nk=v\r\n; note\r\n\r\n[B]\r\nx=1\r\n");
    ASSERT_TRUE(kovra::IniWriteString(path, L"B", L"y", L"2"));
    ASSERT_TRUE(kovra::IniWriteString(path, L"a", L"K", L"new"));
    ASSERT_TRUE(kovra::IniWriteString(path, L"A", L"m", L"4"));
    ASSERT_TRUE(kovra::IniWriteString(path, L"C", L"z", L"3"));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } expect[] = {{L"A", L"k", L"new"}, {L"A", L"; note", L"d"}, {L"A", L"m", L"4"},
                  {L"B", L"x", L"1"},   {L"B", L"y", L"2"},      {L"C", L"z", L"3"}};
    for (const auto& e : expect)
        EXPECT_EQ(kovra::IniGetString(path, e.section, e.key, L"d"), e.value) << e.key;
}

TEST_F(IniFile, MalformedFilesNeitherCrashNorHang) {
    // Deterministic noise rich in the characters the reader looks at.
    const char alphabet[] = "[]=;\"' \t\r\nkA\0\x1a\xff\xfe\xef\xbb\xbf";
    uint32_t seed = 12345;
    for (int i = 0; i < 100; ++i) {
        std::string bytes;
        const size_t len = 1 + (seed % 300);
        for (size_t j = 0; j < len; ++j) {
            seed = seed * 1103515245u + 12345u;
            bytes += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        const std::wstring path = Write(bytes);
        const std::wstring v = kovra::IniGetString(path, L"A", L"k", L"d", 16);
        EXPECT_LE(v.size(), 15u);
        kovra::IniGetInt(path, L"kA", L"A", 0);
    }
    // One very long line, cut to the buffer.
    const std::wstring path = Write("[A]\nk=" + std::string(1 << 20, 'x') + "\n");
    EXPECT_EQ(kovra::IniGetString(path, L"A", L"k", L"d", 260), std::wstring(259, L'x'));
}

}  // namespace
