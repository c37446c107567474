// Real workbooks written by LibreOffice, read and rewritten through both container
// bindings (on Linux both are CompoundDocument), and checked by python3-xlrd.
#include <gtest/gtest.h>

#include <filesystem>

#include "spreadsheet/compound_document.h"
#include "spreadsheet/container.h"
#include "tests/spreadsheet/container_exercise.h"
#include "tests/spreadsheet/xlrd_probe.h"
#include "tests/test_util.h"

#ifdef _WIN32
#include <windows.h>

#include "spreadsheet/platform_storage.h"
#endif

namespace {

struct Fixture {
    const char* name;
    size_t workbookSize;  // below 4096 the stream lives in the mini stream
};
const Fixture kFixtures[] = {{"small", 2010}, {"cameras", 37321}};

std::string FixturePath(const Fixture& f) {
    return kovra_test::DataPath(std::string("container/") + f.name + ".xls");
}

std::vector<uint8_t> ExpectedWorkbook(const Fixture& f) {
    std::vector<uint8_t> v;
    EXPECT_TRUE(cfb_test::ReadBytes(
        kovra_test::DataPath(std::string("container/") + f.name + ".Workbook.bin"), v));
    return v;
}

// Every stream of the root but Workbook, by name.
std::vector<std::pair<std::u16string, std::vector<uint8_t>>> OtherStreams(const std::string& path) {
    std::vector<std::pair<std::u16string, std::vector<uint8_t>>> out;
    CompoundDocument doc;
    EXPECT_TRUE(doc.OpenContainer(path, "rb"));
    if (!doc.IsOpen()) return out;
    for (const auto& c : doc.Root()->children) {
        if (c->entry.objectType != DirectoryEntry::Stream || c->entry.Name() == u"Workbook")
            continue;
        std::vector<uint8_t> bytes;
        EXPECT_EQ(doc.ReadWholeStream(u"\\" + c->entry.Name(), bytes), Done);
        out.push_back({c->entry.Name(), bytes});
    }
    return out;
}

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

TEST(ContainerRealFiles, OurReaderAgreesWithXlrd) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenContainer(FixturePath(f), "rb"));
        std::vector<uint8_t> wb;
        ASSERT_EQ(doc.ReadWholeStream(u"Workbook", wb), Done);
        EXPECT_EQ(wb.size(), f.workbookSize);
        EXPECT_EQ(wb, ExpectedWorkbook(f));  // as extracted by xlrd when the fixture was made
        ASSERT_GE(wb.size(), 4u);
        EXPECT_EQ(wb[0], 0x09);  // BIFF8 BOF record
        EXPECT_EQ(wb[1], 0x08);
        EXPECT_FALSE(OtherStreams(FixturePath(f)).empty());  // summary streams beside it
    }
}

struct BindingPair {
    ContainerBinding first, second;
    const char* what;
};
class ContainerBindings : public testing::TestWithParam<BindingPair> {};

TEST_P(ContainerBindings, GrowAndShrinkThroughOneReadBackThroughTheOther) {
    const BindingPair pair = GetParam();
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        const std::string dir =
            kovra_test::TempDir(std::string("bindings_") + pair.what + "_" + f.name);
        const std::string path = dir + "/book.xls";
        std::filesystem::copy_file(FixturePath(f), path);
        const std::vector<uint8_t> expected = ExpectedWorkbook(f);
        // Longer by 3000 bytes: the small workbook crosses from the mini stream to regular
        // sectors; BIFF readers ignore what follows the last sheet's EOF record.
        std::vector<uint8_t> grown = expected;
        grown.resize(expected.size() + 3000, 0);

        auto a = MakeWorkbookContainer(pair.first);
        ASSERT_TRUE(a->Open(path));
        std::vector<uint8_t> got;
        ASSERT_EQ(a->ReadWorkbook(got), Done);
        EXPECT_EQ(got, expected);
        ASSERT_EQ(a->OverwriteWorkbook(grown), Done);
        a->Close();
        std::filesystem::copy_file(path, dir + "/grown.xls");

        auto b = MakeWorkbookContainer(pair.second);
        ASSERT_TRUE(b->Open(Wide(path)));
        ASSERT_EQ(b->ReadWorkbook(got), Done);
        EXPECT_EQ(got, grown);
        ASSERT_EQ(b->OverwriteWorkbook(expected), Done);  // shorter: the stream shrinks
        b.reset();                                        // destruction releases the file

        ASSERT_TRUE(a->Open(path));
        ASSERT_EQ(a->ReadWorkbook(got), Done);
        EXPECT_EQ(got, expected);
        a->Close();

        EXPECT_EQ(OtherStreams(path), OtherStreams(FixturePath(f)));
        if (cfb_test::XlrdAvailable()) {
            std::string before, afterGrow, afterShrink;
            ASSERT_TRUE(cfb_test::XlrdCells(FixturePath(f), before));
            EXPECT_TRUE(cfb_test::XlrdCells(dir + "/grown.xls", afterGrow));
            EXPECT_TRUE(cfb_test::XlrdCells(path, afterShrink));
            EXPECT_EQ(afterGrow, before);
            EXPECT_EQ(afterShrink, before);
            std::vector<uint8_t> viaXlrd;
            EXPECT_TRUE(cfb_test::XlrdStream(path, "Workbook", viaXlrd));
            EXPECT_EQ(viaXlrd, expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ContainerBindings,
    testing::Values(BindingPair{ContainerBinding::Own, ContainerBinding::Own, "own_own"},
                    BindingPair{ContainerBinding::Own, ContainerBinding::Platform, "own_platform"},
                    BindingPair{ContainerBinding::Platform, ContainerBinding::Own, "platform_own"},
                    BindingPair{ContainerBinding::Platform, ContainerBinding::Platform,
                                "platform_platform"}),
    [](const testing::TestParamInfo<BindingPair>& info) { return std::string(info.param.what); });

class ContainerBindingFailures : public testing::TestWithParam<ContainerBinding> {};

TEST_P(ContainerBindingFailures, ReportWithoutThrowingOrTouchingFiles) {
    const std::string dir =
        kovra_test::TempDir(GetParam() == ContainerBinding::Own ? "fail_own" : "fail_platform");
    auto c = MakeWorkbookContainer(GetParam());
    std::vector<uint8_t> got{1};
    EXPECT_NE(c->ReadWorkbook(got), Done);  // nothing open
    EXPECT_TRUE(got.empty());
    EXPECT_NE(c->OverwriteWorkbook({1, 2, 3}), Done);
    EXPECT_FALSE(c->Open(dir + "/missing.xls"));
    std::vector<uint8_t> text(3000, 'x');
    ASSERT_TRUE(cfb_test::WriteBytes(dir + "/text.xls", text));
    EXPECT_FALSE(c->Open(Wide(dir + "/text.xls")));
    std::vector<uint8_t> after;
    ASSERT_TRUE(cfb_test::ReadBytes(dir + "/text.xls", after));
    EXPECT_EQ(after, text);

    // A compound document without a "Workbook" stream: open works, the read does not.
    const std::string noWorkbook = dir + "/other.xls";
    std::filesystem::copy_file(FixturePath(kFixtures[0]), noWorkbook);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(cfb_test::ReadBytes(noWorkbook, bytes));
    // Rename the stream in the raw directory (entries sit at 128-byte boundaries):
    // "Workbook" becomes "Xorkbook".
    const char16_t name[] = u"Workbook";
    for (size_t i = 0; i + 16 <= bytes.size(); i += 128) {
        bool match = true;
        for (size_t k = 0; k < 8 && match; ++k)
            match = bytes[i + 2 * k] == uint8_t(name[k]) && bytes[i + 2 * k + 1] == 0;
        if (match) bytes[i] = 'X';
    }
    ASSERT_TRUE(cfb_test::WriteBytes(noWorkbook, bytes));
    ASSERT_TRUE(c->Open(noWorkbook));
    EXPECT_NE(c->ReadWorkbook(got), Done);
    EXPECT_TRUE(got.empty());
    EXPECT_NE(c->OverwriteWorkbook({1, 2, 3}), Done);
    c->Close();
    ASSERT_TRUE(cfb_test::ReadBytes(noWorkbook, after));
    EXPECT_EQ(after, bytes);
}

#ifdef _WIN32
std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

TEST(PlatformStorageWrite, AWriteThatFailsMidwayLeavesTheUsersFileWhole) {
    const std::string dir = kovra_test::TempDir("platform_write_failure");
    const std::string path = dir + "/book.xls";
    std::filesystem::copy_file(FixturePath(kFixtures[1]), path);
    std::vector<uint8_t> original;
    ASSERT_TRUE(cfb_test::ReadBytes(path, original));
    const std::vector<uint8_t> bigger(60000, 7);

    auto c = MakeWorkbookContainer(ContainerBinding::Platform);
    ASSERT_TRUE(c->Open(path));
    // The new workbook is cut in half, as when the card is pulled out while it is written.
    PlatformStorage::SetReplaceHookForTests([](const std::wstring& copy) {
        HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFilePointer(file, LONG(GetFileSize(file, nullptr) / 2), nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        return false;
    });
    EXPECT_NE(c->OverwriteWorkbook(bigger), Done);
    PlatformStorage::SetReplaceHookForTests(nullptr);
    // Still open, still the old workbook; on disk not a byte changed, and no copy is left.
    std::vector<uint8_t> got;
    EXPECT_EQ(c->ReadWorkbook(got), Done);
    EXPECT_EQ(got, ExpectedWorkbook(kFixtures[1]));
    c->Close();
    std::vector<uint8_t> after;
    ASSERT_TRUE(cfb_test::ReadBytes(path, after));
    EXPECT_TRUE(after == original);
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"book.xls"});

    // The same write without the failure replaces the file whole, again leaving no copy.
    ASSERT_TRUE(c->Open(path));
    EXPECT_EQ(c->OverwriteWorkbook(bigger), Done);
    EXPECT_EQ(c->ReadWorkbook(got), Done);
    EXPECT_EQ(got, bigger);
    c->Close();
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"book.xls"});
    EXPECT_EQ(OtherStreams(path), OtherStreams(FixturePath(kFixtures[1])));
}
#endif

TEST(ContainerFuzzFindings, ReplayWithoutHarm) {
    // Inputs the fuzz target once failed on, kept with the invariants it checks.
    namespace fs = std::filesystem;
    int replayed = 0;
    for (const auto& item : fs::directory_iterator(kovra_test::DataPath("container/fuzz"))) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(cfb_test::ReadBytes(item.path().string(), bytes));
        EXPECT_TRUE(cfb_test::ExerciseContainer(bytes.data(), bytes.size())) << item.path().string();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

INSTANTIATE_TEST_SUITE_P(Bindings, ContainerBindingFailures,
                         testing::Values(ContainerBinding::Own, ContainerBinding::Platform));

}  // namespace
