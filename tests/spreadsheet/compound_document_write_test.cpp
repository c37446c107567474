// Overwriting a stream: growing and shrinking across the mini stream cutoff, growing the
// FAT, DIFAT and mini FAT, leaving everything else as it was, and failing without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/byte_order.h"
#include "spreadsheet/compound_document.h"
#include "tests/spreadsheet/cfb_builder.h"
#include "tests/spreadsheet/xlrd_probe.h"
#include "tests/test_util.h"

using cfb_test::Build;
using cfb_test::Entry;
using cfb_test::Layout;
using cfb_test::Pattern;
using cfb_test::UnderRoot;

namespace {

Entry Stream(const std::u16string& name, size_t size, uint32_t seed) {
    Entry e;
    e.name = name;
    e.data = Pattern(size, seed);
    return e;
}

// Root: Workbook(1), Other(2, regular), Tiny(3, mini), Dir(4) → Inner(5, mini).
std::vector<Entry> Neighbours(size_t workbookSize) {
    std::vector<Entry> e = UnderRoot({Stream(u"Workbook", workbookSize, 1),
                                      Stream(u"Other", 6000, 2), Stream(u"Tiny", 200, 3), Entry{}});
    e[4].name = u"Dir";
    e[4].type = 1;
    e[4].child = 5;
    e.push_back(Stream(u"Inner", 300, 5));
    return e;
}

const char16_t* const kOthers[] = {u"Other", u"Tiny", u"Dir\\Inner"};

// Every stream but Workbook reads as before, in a document reopened from the image.
void ExpectOthersIntact(const std::vector<Entry>& entries, const std::vector<uint8_t>& image) {
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(image));
    const std::vector<uint8_t>* expected[] = {&entries[2].data, &entries[3].data, &entries[5].data};
    for (size_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> got;
        EXPECT_EQ(doc.ReadWholeStream(kOthers[i], got), Done);
        EXPECT_EQ(got, *expected[i]) << i;
    }
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t at, size_t n) {
    return std::vector<uint8_t>(v.begin() + at, v.begin() + at + n);
}

TEST(CompoundDocumentWrite, ResizesAcrossEveryBoundary) {
    struct Case {
        size_t from, to;
    } cases[] = {
        {5000, 8000}, {8000, 5000}, {100, 3000}, {3000, 100},  {100, 4096},   {4095, 4096},
        {4096, 4095}, {10000, 100}, {5000, 0},   {0, 5000},    {0, 100},      {100, 0},
        {5000, 5000}, {0, 0},       {64, 65},    {4096, 4097}, {30000, 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        std::vector<Entry> entries = Neighbours(c.from);
        Layout file = Build(entries);
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
        const std::vector<uint8_t> content = Pattern(c.to, 99);
        ASSERT_EQ(doc.OverwriteStream(u"Workbook", content), Done);

        std::vector<uint8_t> got;
        EXPECT_EQ(doc.ReadWholeStream(u"Workbook", got), Done);
        EXPECT_EQ(got, content);
        uint32_t length = 0;
        EXPECT_EQ(doc.StreamLength(u"Workbook", length), Done);
        EXPECT_EQ(length, c.to);
        const std::vector<uint8_t>& image = doc.Image();
        ExpectOthersIntact(entries, image);

        // Nothing else moved: the other regular stream's sectors and every other directory
        // entry are byte for byte where they were.
        uint32_t s = file.start[2];
        for (int i = 0; i < 12; ++i, ++s)
            EXPECT_EQ(Slice(image, Layout::SectorOffset(s), 512),
                      Slice(file.bytes, Layout::SectorOffset(s), 512));
        for (uint32_t n = 2; n < file.directorySectors.size() * 4; ++n)
            EXPECT_EQ(Slice(image, file.EntryOffset(n), 128),
                      Slice(file.bytes, file.EntryOffset(n), 128))
                << n;

        // A regular stream keeps its own sectors; what it no longer needs is freed and
        // cleared, and the file grows by no more than the stream did.
        if (c.from >= 4096 && c.to >= 4096) {
            EXPECT_EQ(doc.Directory()[1].startSector, file.start[1]);
        }
        if (c.from >= 4096) {
            const size_t kept = c.to >= 4096 ? (c.to + 511) / 512 : 0;
            for (size_t i = kept; i < (c.from + 511) / 512; ++i) {
                uint32_t freed = file.start[1] + uint32_t(i);
                EXPECT_EQ(kovra::LoadLE32(&image[file.FatOffset(freed)]), kFreeSector) << freed;
                EXPECT_EQ(Slice(image, Layout::SectorOffset(freed), 512),
                          std::vector<uint8_t>(512, 0));
            }
        }
        // At most the new content's sectors (when it changes storage) and a table sector.
        EXPECT_LE(image.size(), file.bytes.size() + ((c.to + 511) / 512 + 2) * 512);

        if (cfb_test::XlrdAvailable() && c.to > 0) {
            // xlrd reads the stream as we wrote it (it cannot name an empty stream's bytes).
            std::string path = kovra_test::TempDir("xlrd_resize") + "/f.cfb";
            ASSERT_TRUE(cfb_test::WriteBytes(path, image));
            std::vector<uint8_t> viaXlrd;
            EXPECT_TRUE(cfb_test::XlrdStream(path, "Workbook", viaXlrd));
            EXPECT_EQ(viaXlrd, content);
            EXPECT_TRUE(cfb_test::XlrdStream(path, "Dir/Inner", viaXlrd));
            EXPECT_EQ(viaXlrd, entries[5].data);
        }
    }
}

TEST(CompoundDocumentWrite, GrowsTheFatAndTheDifatWhenFull) {
    // The file has exactly as many sectors as its FAT covers, so any new sector needs a new
    // FAT sector: in the header's slots, in a new first DIFAT sector after 109, in a new
    // second DIFAT sector after 109 + 127, or in a free slot of an existing DIFAT sector.
    struct Case {
        uint32_t fatSectors;
        uint32_t difatAfter;
    } cases[] = {{1, 0}, {108, 0}, {109, 1}, {120, 1}, {236, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fatSectors);
        std::vector<Entry> entries = Neighbours(5000);
        cfb_test::Options opt;
        opt.minFatSectors = c.fatSectors;
        opt.fillFat = true;
        Layout file = Build(entries, opt);
        ASSERT_EQ(file.fatSectors.size(), c.fatSectors);
        ASSERT_EQ(file.bytes.size(), (size_t(c.fatSectors) * 128 + 1) * 512);
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
        const std::vector<uint8_t> content = Pattern(12000, 7);
        ASSERT_EQ(doc.OverwriteStream(u"Workbook", content), Done);
        EXPECT_EQ(doc.Header().numFatSectors, c.fatSectors + 1);
        EXPECT_EQ(doc.Header().numDifatSectors, c.difatAfter);

        CompoundDocument reopened;
        ASSERT_TRUE(reopened.OpenFromMemory(doc.Image()));
        std::vector<uint8_t> got;
        EXPECT_EQ(reopened.ReadWholeStream(u"Workbook", got), Done);
        EXPECT_EQ(got, content);
        ExpectOthersIntact(entries, doc.Image());
        // The new FAT sector is marked as one in the FAT itself.
        if (c.fatSectors < 109) {
            const uint32_t f = reopened.Header().difat[c.fatSectors];
            const size_t at = (size_t(reopened.Header().difat[f / 128]) + 1) * 512 + (f % 128) * 4;
            EXPECT_EQ(kovra::LoadLE32(&doc.Image()[at]), kFatSector);
        }
        if (cfb_test::XlrdAvailable() && c.fatSectors >= 109) {
            std::string path = kovra_test::TempDir("xlrd_difat") + "/f.cfb";
            ASSERT_TRUE(cfb_test::WriteBytes(path, doc.Image()));
            std::vector<uint8_t> viaXlrd;
            EXPECT_TRUE(cfb_test::XlrdStream(path, "Workbook", viaXlrd));
            EXPECT_EQ(viaXlrd, content);
        }
    }
}

TEST(CompoundDocumentWrite, GrowsTheMiniFatAndCreatesTheMiniStream) {
    // Mini FAT exactly full (128 mini sectors: 3 × 40 + 7 + 1), then the stream grows.
    std::vector<Entry> full =
        UnderRoot({Stream(u"Workbook", 64, 1), Stream(u"A", 2560, 2), Stream(u"B", 2560, 3),
                   Stream(u"C", 2560, 4), Stream(u"D", 448, 5)});
    // Only regular streams: there is no mini stream or mini FAT yet.
    std::vector<Entry> none = UnderRoot({Stream(u"Workbook", 5000, 1), Stream(u"A", 4500, 2)});
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        uint32_t miniFatAfter;
    } cases[] = {{"full mini FAT", full, 2}, {"no mini stream", none, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layout file = Build(c.entries);
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
        const std::vector<uint8_t> content = Pattern(1000, 9);
        ASSERT_EQ(doc.OverwriteStream(u"Workbook", content), Done);
        EXPECT_EQ(doc.Header().numMiniFatSectors, c.miniFatAfter);
        CompoundDocument reopened;
        ASSERT_TRUE(reopened.OpenFromMemory(doc.Image()));
        for (size_t i = 1; i < c.entries.size(); ++i) {
            std::vector<uint8_t> got;
            EXPECT_EQ(reopened.ReadWholeStream(c.entries[i].name, got), Done);
            EXPECT_EQ(got, i == 1 ? content : c.entries[i].data) << i;
        }
    }
}

TEST(CompoundDocumentWrite, ManyRewritesKeepEveryStreamReadable) {
    // Random sizes in and out of the mini stream, written one after the other to the same
    // document; after each write every stream must read as expected.
    std::vector<Entry> entries = Neighbours(3000);
    Layout file = Build(entries);
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    uint32_t x = 7;
    for (int round = 0; round < 60; ++round) {
        x = x * 1103515245u + 12345;
        size_t size = (x >> 8) % 3 == 0 ? (x >> 12) % 4200 : (x >> 12) % 20000;
        const std::vector<uint8_t> content = Pattern(size, uint32_t(round));
        const char16_t* target = round % 5 == 4 ? u"Tiny" : u"Workbook";
        ASSERT_EQ(doc.OverwriteStream(target, content), Done) << round;
        if (round % 5 == 4) entries[3].data = content;
        std::vector<uint8_t> got;
        EXPECT_EQ(doc.ReadWholeStream(target, got), Done);
        EXPECT_EQ(got, content);
        CompoundDocument reopened;
        ASSERT_TRUE(reopened.OpenFromMemory(doc.Image()));
        for (const char16_t* p : kOthers) {
            EXPECT_EQ(reopened.ReadWholeStream(p, got), Done);
        }
        ExpectOthersIntact(entries, doc.Image());
    }
}

TEST(CompoundDocumentWrite, RefusalsLeaveTheImageUntouched) {
    struct Case {
        const char16_t* path;
        ContainerResult result;
        std::function<void(Layout&)> damage;
    } cases[] = {
        {u"Nope", StreamNotFound, nullptr},
        {u"Dir", StreamNotFound, nullptr},  // a storage
        {u"\\", StreamNotFound, nullptr},   // the root's stream is the mini stream
        {u"Nowhere\\Workbook", StorageNotFound, nullptr},
        {u"Workbook", PlatformFailure,  // its own chain is damaged: its sectors are unknown
         [](Layout& f) { f.Put32(f.FatOffset(f.start[1] + 2), f.start[1]); }},
        {u"Tiny", PlatformFailure,
         [](Layout& f) { f.Put32(f.MiniFatOffset(f.start[3] + 1), 0xFFFFFFFF); }},
        // Cross-linked chains: writing would overwrite another stream or the directory.
        {u"Workbook", PlatformFailure,
         [](Layout& f) { f.Put32(f.FatOffset(f.start[1] + 4), f.start[2]); }},
        {u"Workbook", PlatformFailure,
         [](Layout& f) { f.Put32(f.FatOffset(f.start[1] + 8), f.directorySectors[0]); }},
        {u"Tiny", PlatformFailure,
         [](Layout& f) { f.Put32(f.MiniFatOffset(f.start[3] + 2), f.start[5]); }},
        {u"Tiny", PlatformFailure,  // the mini stream itself is damaged
         [](Layout& f) { f.Put32(f.EntryOffset(0) + 120, 0x00100000); }},
    };
    for (const Case& c : cases) {
        Layout file = Build(Neighbours(5000));
        if (c.damage) c.damage(file);
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
        EXPECT_EQ(doc.OverwriteStream(c.path, Pattern(100, 1)), c.result);
        EXPECT_EQ(doc.Image(), file.bytes);
    }
    CompoundDocument closed;
    EXPECT_EQ(closed.OverwriteStream(u"Workbook", {}), PlatformFailure);
}

TEST(CompoundDocumentWrite, CurrentStorageSurvivesAWrite) {
    Layout file = Build(Neighbours(5000));
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    ASSERT_EQ(doc.EnterStorage(u"Dir"), Done);
    ASSERT_EQ(doc.OverwriteStream(u"Inner", Pattern(5000, 4)), Done);
    ASSERT_NE(doc.CurrentStorage(), nullptr);
    EXPECT_EQ(doc.CurrentStorage()->number, 4u);
    std::vector<uint8_t> got;
    EXPECT_EQ(doc.ReadWholeStream(u"Inner", got), Done);
    EXPECT_EQ(got, Pattern(5000, 4));
}

// ----------------------------------------------------------------------------------------
// On disk

class CompoundDocumentFile : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        path = dir + "/book.xls";
        original = Build(Neighbours(5000)).bytes;
        ASSERT_TRUE(cfb_test::WriteBytes(path, original));
    }
    std::vector<uint8_t> OnDisk() {
        std::vector<uint8_t> v;
        EXPECT_TRUE(cfb_test::ReadBytes(path, v));
        return v;
    }
    std::string dir, path;
    std::vector<uint8_t> original;
};

TEST_F(CompoundDocumentFile, WriteReachesTheFileAndTheHandleStaysUsable) {
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenContainer(path, "r+b"));
    ASSERT_EQ(doc.OverwriteStream(u"Workbook", Pattern(9000, 5)), Done);
    ASSERT_EQ(doc.OverwriteStream(u"Workbook", Pattern(700, 6)), Done);  // a second write
    EXPECT_EQ(OnDisk(), doc.Image());
    doc.CloseContainer();
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));

    CompoundDocument again;
    ASSERT_TRUE(again.OpenContainer(std::wstring(path.begin(), path.end()), "rb"));
    std::vector<uint8_t> got;
    EXPECT_EQ(again.ReadWholeStream(u"Workbook", got), Done);
    EXPECT_EQ(got, Pattern(700, 6));
}

TEST_F(CompoundDocumentFile, ReadOnlyOpenRefusesToWrite) {
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenContainer(path, "rb"));
    EXPECT_EQ(doc.OverwriteStream(u"Workbook", Pattern(9000, 5)), PlatformFailure);
    EXPECT_EQ(OnDisk(), original);
}

TEST_F(CompoundDocumentFile, FailedReplacementLeavesTheFileAsItWas) {
    // The new file cannot be written beside the old one (its temporary name is taken by a
    // folder): the write fails, the file keeps every byte, the document its old state.
    std::filesystem::create_directory(path + ".tmp~");
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenContainer(path, "r+b"));
    EXPECT_EQ(doc.OverwriteStream(u"Workbook", Pattern(9000, 5)), PlatformFailure);
    EXPECT_EQ(OnDisk(), original);
    std::vector<uint8_t> got;
    EXPECT_EQ(doc.ReadWholeStream(u"Workbook", got), Done);
    EXPECT_EQ(got, Pattern(5000, 1));

    // Once the way is free the same document writes normally.
    std::filesystem::remove(path + ".tmp~");
    ASSERT_EQ(doc.OverwriteStream(u"Workbook", Pattern(9000, 5)), Done);
    CompoundDocument again;
    ASSERT_TRUE(again.OpenContainer(path, "rb"));
    EXPECT_EQ(again.ReadWholeStream(u"Workbook", got), Done);
    EXPECT_EQ(got, Pattern(9000, 5));
}

TEST_F(CompoundDocumentFile, HalfWrittenTemporaryFromAnEarlierRunIsHarmless) {
    // A write interrupted midway (power loss, killed process) leaves at most a partial
    // temporary file; the workbook itself still opens whole, and the next write replaces
    // the leftover.
    std::vector<uint8_t> partial(original.begin(), original.begin() + original.size() / 2);
    ASSERT_TRUE(cfb_test::WriteBytes(path + ".tmp~", partial));
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenContainer(path, "r+b"));
    ASSERT_EQ(doc.OverwriteStream(u"Workbook", Pattern(300, 8)), Done);
    doc.CloseContainer();
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp~"));
    CompoundDocument again;
    ASSERT_TRUE(again.OpenContainer(path, "rb"));
    std::vector<uint8_t> got;
    EXPECT_EQ(again.ReadWholeStream(u"Workbook", got), Done);
    EXPECT_EQ(got, Pattern(300, 8));
}

TEST_F(CompoundDocumentFile, MissingOrForeignFilesDoNotOpen) {
    CompoundDocument doc;
    EXPECT_FALSE(doc.OpenContainer(dir + "/missing.xls", "rb"));
    ASSERT_TRUE(cfb_test::WriteBytes(dir + "/text.xls", std::vector<uint8_t>(2000, 'a')));
    EXPECT_FALSE(doc.OpenContainer(dir + "/text.xls", "rb"));
    ASSERT_TRUE(cfb_test::WriteBytes(dir + "/empty.xls", {}));
    EXPECT_FALSE(doc.OpenContainer(dir + "/empty.xls", "rb"));
    EXPECT_FALSE(doc.IsOpen());
    // A failed open closes what was open before.
    ASSERT_TRUE(doc.OpenContainer(path, "rb"));
    EXPECT_FALSE(doc.OpenContainer(dir + "/missing.xls", "rb"));
    EXPECT_FALSE(doc.IsOpen());
}

}  // namespace
