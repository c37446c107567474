// Reading compound documents: stream sizes around the mini stream cutoff, paths, the entry
// tree, and files damaged in every table the reader relies on.
#include <gtest/gtest.h>

#include <functional>

#include "spreadsheet/compound_document.h"
#include "tests/spreadsheet/cfb_builder.h"

using cfb_test::Build;
using cfb_test::Entry;
using cfb_test::kNone;
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

Entry Storage(const std::u16string& name) {
    Entry e;
    e.name = name;
    e.type = 1;
    return e;
}

TEST(CompoundDocumentRead, StreamsOfEverySizeClassReadBackExactly) {
    // Both sides of the 64-byte mini sector and of the 4096-byte cutoff, the empty stream,
    // and several small streams sharing one mini stream.
    const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 10000};
    std::vector<Entry> streams;
    for (size_t i = 0; i < std::size(sizes); ++i)
        streams.push_back(
            Stream(u"S" + std::u16string(1, char16_t(u'a' + i)), sizes[i], uint32_t(i)));
    Layout file = Build(UnderRoot(streams));

    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    for (size_t i = 0; i < std::size(sizes); ++i) {
        SCOPED_TRACE(sizes[i]);
        std::vector<uint8_t> got{1, 2, 3};
        uint32_t length = 12345;
        EXPECT_EQ(doc.StreamLength(streams[i].name, length), Done);
        EXPECT_EQ(length, sizes[i]);
        EXPECT_EQ(doc.ReadWholeStream(streams[i].name, got), Done);
        EXPECT_EQ(got, streams[i].data);
    }
}

TEST(CompoundDocumentRead, CutoffIsFixedNotTakenFromTheHeader) {
    Layout file = Build(UnderRoot({Stream(u"A", 4095, 1), Stream(u"B", 4096, 2)}));
    file.Put32(56, 0);  // header cutoff field
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    std::vector<uint8_t> a, b;
    EXPECT_EQ(doc.ReadWholeStream(u"A", a), Done);
    EXPECT_EQ(doc.ReadWholeStream(u"B", b), Done);
    EXPECT_EQ(a, Pattern(4095, 1));
    EXPECT_EQ(b, Pattern(4096, 2));
}

// Root: Workbook(1), Sub(2) → {Workbook(3), Deep(4) → {S(5)}}, workbook(6), Dup(7), Dup(8)
Layout PathsFile() {
    std::vector<Entry> e(9);
    e[0].name = u"Root Entry";
    e[0].type = 5;
    e[0].child = 2;
    e[1] = Stream(u"Workbook", 100, 1);
    e[2] = Storage(u"Sub");
    e[2].left = 1;
    e[2].right = 6;
    e[2].child = 4;
    e[3] = Stream(u"Workbook", 5000, 3);
    e[4] = Storage(u"Deep");
    e[4].left = 3;
    e[4].child = 5;
    e[5] = Stream(u"S", 7, 5);
    e[6] = Stream(u"workbook", 10, 6);
    e[6].right = 8;
    e[7] = Stream(u"Dup", 11, 7);
    e[8] = Stream(u"Dup", 12, 8);
    e[8].left = 7;  // the tree visits entry 8 before 7; entry order still decides
    return Build(e);
}

TEST(CompoundDocumentRead, PathsResolveByTheirRules) {
    struct Case {
        const char16_t* enter;  // storage entered first (null: stay at the root)
        const char16_t* path;
        ContainerResult result;
        uint32_t seed;  // of the expected content; size tells the rest
        size_t size;
    } cases[] = {
        {nullptr, u"Workbook", Done, 1, 100},
        {nullptr, u"\\Workbook", Done, 1, 100},
        {nullptr, u"workbook", Done, 6, 10},  // case matters
        {nullptr, u"WORKBOOK", StreamNotFound, 0, 0},
        {nullptr, u"Sub\\Workbook", Done, 3, 5000},
        {nullptr, u"\\Sub\\Deep\\S", Done, 5, 7},
        {nullptr, u"Sub\\.\\Deep\\..\\Workbook", Done, 3, 5000},
        {nullptr, u"..\\Workbook", Done, 1, 100},  // the root's parent is the root
        {nullptr, u"Dup", Done, 7, 11},            // first match in entry order
        {nullptr, u"Sub", StreamNotFound, 0, 0},   // a storage is not a stream
        {nullptr, u"Missing\\Workbook", StorageNotFound, 0, 0},
        {nullptr, u"Workbook\\X", StorageNotFound, 0, 0},  // a stream is not a storage
        {nullptr, u"", StreamNotFound, 0, 0},
        {nullptr, u"Sub\\", StreamNotFound, 0, 0},
        {u"Sub", u"Workbook", Done, 3, 5000},
        {u"Sub", u"\\Workbook", Done, 1, 100},
        {u"Sub", u"..\\Workbook", Done, 1, 100},
        {u"Sub", u"Deep\\S", Done, 5, 7},
        {u"\\Sub\\Deep", u"S", Done, 5, 7},
        {u"\\Sub\\Deep", u"..\\..\\workbook", Done, 6, 10},
    };
    Layout file = PathsFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
        if (c.enter) {
            ASSERT_EQ(doc.EnterStorage(c.enter), Done);
        }
        const EntryNode* before = doc.CurrentStorage();
        std::vector<uint8_t> got;
        EXPECT_EQ(doc.ReadWholeStream(c.path, got), c.result);
        EXPECT_EQ(got, c.result == Done ? Pattern(c.size, c.seed) : std::vector<uint8_t>{});
        EXPECT_EQ(doc.CurrentStorage(), before);  // resolving never moves the current storage
    }
}

TEST(CompoundDocumentRead, EnterStorage) {
    Layout file = PathsFile();
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    EXPECT_EQ(doc.EnterStorage(u".."), Done);
    EXPECT_EQ(doc.CurrentStorage(), doc.Root());
    EXPECT_EQ(doc.EnterStorage(u"Sub\\Deep"), Done);
    EXPECT_EQ(doc.CurrentStorage()->number, 4u);
    EXPECT_EQ(doc.EnterStorage(u"Nope"), StorageNotFound);
    EXPECT_EQ(doc.CurrentStorage()->number, 4u);  // unchanged on failure
    EXPECT_EQ(doc.EnterStorage(u"."), Done);
    EXPECT_EQ(doc.CurrentStorage()->number, 4u);
    EXPECT_EQ(doc.EnterStorage(u".."), Done);
    EXPECT_EQ(doc.CurrentStorage()->number, 2u);
    EXPECT_EQ(doc.EnterStorage(u"\\"), Done);
    EXPECT_EQ(doc.CurrentStorage(), doc.Root());
    EXPECT_EQ(doc.EnterStorage(u"Workbook"), StorageNotFound);
}

TEST(CompoundDocumentRead, RootReadAsStreamIsTheMiniStream) {
    Layout file = Build(UnderRoot({Stream(u"A", 100, 1), Stream(u"B", 30, 2)}));
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    uint32_t length = 0;
    ASSERT_EQ(doc.StreamLength(u"\\", length), Done);
    EXPECT_EQ(length, 192u);  // 2 + 1 mini sectors
    std::vector<uint8_t> mini;
    ASSERT_EQ(doc.ReadWholeStream(u"\\", mini), Done);
    ASSERT_EQ(mini.size(), 192u);
    EXPECT_EQ(std::vector<uint8_t>(mini.begin(), mini.begin() + 100), Pattern(100, 1));
    EXPECT_EQ(std::vector<uint8_t>(mini.begin() + 128, mini.begin() + 158), Pattern(30, 2));
}

TEST(CompoundDocumentRead, UnusedEntryKeepsTheNumbersOfLaterOnes) {
    std::vector<Entry> e = UnderRoot({Stream(u"A", 10, 1), Entry{}, Stream(u"B", 20, 3)});
    e[2].type = 0;  // unused slot, still linked into the sibling chain
    Layout file = Build(e);
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    ASSERT_EQ(doc.Root()->children.size(), 3u);
    EXPECT_EQ(doc.Root()->children[2]->number, 3u);
    EXPECT_EQ(doc.Root()->children[2]->entry.Name(), u"B");
    std::vector<uint8_t> got;
    EXPECT_EQ(doc.ReadWholeStream(u"B", got), Done);
    EXPECT_EQ(got, Pattern(20, 3));
    EXPECT_EQ(doc.ReadWholeStream(u"", got), StreamNotFound);  // an empty name is never found
}

TEST(CompoundDocumentRead, ChildrenInEntryOrderWithRewrittenLinks) {
    // Five children linked in an arbitrary tree: 3 at the top, 5 and 1 below it, …
    std::vector<Entry> e(6);
    e[0].name = u"Root Entry";
    e[0].type = 5;
    e[0].child = 3;
    for (int i = 1; i <= 5; ++i) e[i] = Stream(std::u16string(1, char16_t(u'0' + i)), 8, i);
    e[3].left = 5;
    e[3].right = 1;
    e[1].right = 4;
    e[5].left = 2;
    Layout file = Build(e);
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    const EntryNode* root = doc.Root();
    ASSERT_EQ(root->children.size(), 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(root->children[i]->number, i + 1);
        EXPECT_EQ(root->children[i]->parent, root);
    }
    // Middle child 3 under the root; 2 → 1 to the left, 4 → 5 to the right.
    struct Links {
        uint32_t left, right;
    } expected[] = {{kNone, kNone}, {1, kNone}, {2, 4}, {kNone, 5}, {kNone, kNone}};
    EXPECT_EQ(root->entry.child, 3u);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(root->children[i]->entry.leftSibling, expected[i].left) << i;
        EXPECT_EQ(root->children[i]->entry.rightSibling, expected[i].right) << i;
    }
    // The directory as read is untouched.
    EXPECT_EQ(doc.Directory()[3].leftSibling, 5u);
}

TEST(CompoundDocumentRead, HeaderParseAndStoreReproduceTheBytes) {
    Layout file = Build(UnderRoot({Stream(u"A", 10, 1)}));
    for (size_t i = 24; i < 76; ++i) file.bytes[i] = uint8_t(i * 7);  // every field odd
    DocumentHeader h;
    ASSERT_TRUE(h.Parse(file.bytes.data()));
    std::vector<uint8_t> stored(512);
    h.Store(stored.data());
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), file.bytes.begin()));
}

TEST(CompoundDocumentRead, HeaderFieldsWeDoNotUseDoNotMatter) {
    Layout file = Build(UnderRoot({Stream(u"Workbook", 5000, 1)}));
    file.Put16(24, 0xBEEF);  // minor version
    file.Put16(26, 77);      // major version
    file.Put16(28, 0x1234);  // byte order mark
    file.Put32(40, 9);       // directory sector count
    file.Put32(52, 0xFFFFFFFF);
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    std::vector<uint8_t> got;
    EXPECT_EQ(doc.ReadWholeStream(u"Workbook", got), Done);
    EXPECT_EQ(got, Pattern(5000, 1));
}

TEST(CompoundDocumentRead, ManyFatSectorsThroughTheDifatChain) {
    // 300 FAT sectors: 109 in the header, the rest in two DIFAT sectors; the streams lie
    // in sectors whose links are in the first FAT sector, so point one stream's chain into
    // a FAT sector listed only in the DIFAT by filling the file up.
    cfb_test::Options opt;
    opt.minFatSectors = 300;
    Layout file = Build(UnderRoot({Stream(u"A", 9000, 1), Stream(u"B", 50, 2)}), opt);
    ASSERT_EQ(file.difatSectors.size(), 2u);
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    EXPECT_EQ(doc.Header().numFatSectors, 300u);
    std::vector<uint8_t> got;
    EXPECT_EQ(doc.ReadWholeStream(u"A", got), Done);
    EXPECT_EQ(got, Pattern(9000, 1));
}

// ----------------------------------------------------------------------------------------
// Damaged files

enum class Expect { OpenFails, ReadFails, Reads };

struct Damage {
    const char* what;
    std::function<void(Layout&)> apply;
    Expect expect;
};

// A file with a regular stream, a small one and a storage; DIFAT used so its chain can be
// damaged too.
Layout DamageBase() {
    std::vector<Entry> e =
        UnderRoot({Stream(u"Workbook", 5000, 1), Stream(u"Small", 200, 2), Storage(u"Dir")});
    e.push_back(Stream(u"Inner", 30, 4));
    e[3].child = 4;
    cfb_test::Options opt;
    opt.minFatSectors = 111;
    return Build(e, opt);
}

constexpr uint32_t kWorkbook = 1, kSmall = 2, kDir = 3;

TEST(CompoundDocumentRead, DamagedFilesAreRefusedOrFailTheRead) {
    const Damage cases[] = {
        {"not a compound document", [](Layout& f) { f.bytes[0] = 'P'; }, Expect::OpenFails},
        {"shorter than a header", [](Layout& f) { f.bytes.resize(511); }, Expect::OpenFails},
        {"header only", [](Layout& f) { f.bytes.resize(512); }, Expect::OpenFails},
        {"4096-byte sectors", [](Layout& f) { f.Put16(30, 12); }, Expect::OpenFails},
        {"sector shift 0", [](Layout& f) { f.Put16(30, 0); }, Expect::OpenFails},
        {"sector shift 255", [](Layout& f) { f.Put16(30, 255); }, Expect::OpenFails},
        {"mini sector shift 7", [](Layout& f) { f.Put16(32, 7); }, Expect::OpenFails},
        {"more FAT sectors than the file has", [](Layout& f) { f.Put32(44, 0xFFFFFFF0); },
         Expect::OpenFails},
        {"FAT sector past the end", [](Layout& f) { f.Put32(76 + 4 * 5, 100000); },
         Expect::OpenFails},
        {"FAT sector listed twice", [](Layout& f) { f.Put32(76 + 4 * 5, f.Get32(76)); },
         Expect::OpenFails},
        {"FAT sector is the end-of-chain value", [](Layout& f) { f.Put32(76, 0xFFFFFFFE); },
         Expect::OpenFails},
        {"DIFAT chain missing", [](Layout& f) { f.Put32(68, 0xFFFFFFFE); }, Expect::OpenFails},
        {"DIFAT chain past the end", [](Layout& f) { f.Put32(68, 0x7FFFFFFF); }, Expect::OpenFails},
        {"DIFAT sector is a FAT sector", [](Layout& f) { f.Put32(68, f.fatSectors[0]); },
         Expect::OpenFails},
        {"DIFAT entry past the end",
         [](Layout& f) { f.Put32(Layout::SectorOffset(f.difatSectors[0]), 0xFFFFFF00); },
         Expect::OpenFails},
        {"directory chain loops",
         [](Layout& f) { f.Put32(f.FatOffset(f.directorySectors.back()), f.directorySectors[0]); },
         Expect::OpenFails},
        {"directory chain past the FAT",
         [](Layout& f) { f.Put32(f.FatOffset(f.directorySectors[0]), 0x00FFFFFF); },
         Expect::OpenFails},
        {"directory starts past the end", [](Layout& f) { f.Put32(48, 50000); }, Expect::OpenFails},
        {"no directory", [](Layout& f) { f.Put32(48, 0xFFFFFFFE); }, Expect::OpenFails},
        {"root entry is not a root", [](Layout& f) { f.bytes[f.EntryOffset(0) + 66] = 1; },
         Expect::OpenFails},
        {"mini FAT chain loops",
         [](Layout& f) {
             f.Put32(60, f.miniStream[0]);  // mini FAT "starts" in the mini stream's run …
             f.Put32(64, 2);
             f.Put32(f.FatOffset(f.miniStream[0]), f.miniStream[0]);  // … which loops
         },
         Expect::OpenFails},
        {"more mini FAT sectors than the file has", [](Layout& f) { f.Put32(64, 0x10000000); },
         Expect::OpenFails},
        {"mini FAT chain shorter than its count", [](Layout& f) { f.Put32(64, 3); },
         Expect::OpenFails},
        {"sibling links loop", [](Layout& f) { f.Put32(f.EntryOffset(kSmall) + 72, kWorkbook); },
         Expect::OpenFails},
        {"entry is its own sibling", [](Layout& f) { f.Put32(f.EntryOffset(kSmall) + 68, kSmall); },
         Expect::OpenFails},
        {"child link back to the root", [](Layout& f) { f.Put32(f.EntryOffset(kDir) + 76, 0); },
         Expect::OpenFails},
        {"child link past the directory",
         [](Layout& f) { f.Put32(f.EntryOffset(kDir) + 76, 4000); }, Expect::OpenFails},
        {"entry reached from two storages",
         [](Layout& f) { f.Put32(f.EntryOffset(4) + 72, kSmall); }, Expect::OpenFails},
        {"a stream's child link is ignored",
         [](Layout& f) { f.Put32(f.EntryOffset(kWorkbook) + 76, 9999); }, Expect::Reads},
        {"stream chain loops",
         [](Layout& f) { f.Put32(f.FatOffset(f.start[kWorkbook] + 3), f.start[kWorkbook]); },
         Expect::ReadFails},
        {"stream chain ends early",
         [](Layout& f) { f.Put32(f.FatOffset(f.start[kWorkbook] + 3), 0xFFFFFFFE); },
         Expect::ReadFails},
        {"stream chain runs into a free sector",
         [](Layout& f) { f.Put32(f.FatOffset(f.start[kWorkbook] + 3), 0xFFFFFFFF); },
         Expect::ReadFails},
        {"stream chain past the end of the file",
         [](Layout& f) { f.Put32(f.FatOffset(f.start[kWorkbook] + 3), 100000); },
         Expect::ReadFails},
        {"stream start past the FAT",
         [](Layout& f) { f.Put32(f.EntryOffset(kWorkbook) + 116, 0x7FFFFFFF); }, Expect::ReadFails},
        {"stream larger than its chain",
         [](Layout& f) { f.Put32(f.EntryOffset(kWorkbook) + 120, 0xFFFFFFF0); }, Expect::ReadFails},
        {"stream cut off by the end of the file",
         [](Layout& f) { f.bytes.resize(Layout::SectorOffset(f.start[kWorkbook] + 2)); },
         Expect::OpenFails},  // the tables lie behind the streams: the file is cut short
        {"small stream chain loops",
         [](Layout& f) { f.Put32(f.MiniFatOffset(f.start[kSmall] + 1), f.start[kSmall]); },
         Expect::ReadFails},
        {"small stream past the mini stream",
         [](Layout& f) { f.Put32(f.EntryOffset(kSmall) + 116, 1000); }, Expect::ReadFails},
        {"mini stream larger than its chain",
         [](Layout& f) { f.Put32(f.EntryOffset(0) + 120, 0x00800000); }, Expect::ReadFails},
        {"small stream size just below the cutoff with a short chain",
         [](Layout& f) { f.Put32(f.EntryOffset(kSmall) + 120, 4095); }, Expect::ReadFails},
        {"name length field larger than the name",
         [](Layout& f) { f.Put16(f.EntryOffset(kWorkbook) + 64, 0xFFFF); }, Expect::Reads},
    };
    const Layout base = DamageBase();
    {
        CompoundDocument doc;
        ASSERT_TRUE(doc.OpenFromMemory(base.bytes));
    }
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        Layout f = base;
        d.apply(f);
        CompoundDocument doc;
        bool opened = doc.OpenFromMemory(f.bytes);
        ASSERT_EQ(opened, d.expect != Expect::OpenFails);
        if (!opened) {
            EXPECT_FALSE(doc.IsOpen());
            std::vector<uint8_t> got;
            EXPECT_EQ(doc.ReadWholeStream(u"Workbook", got), StreamNotFound);
            continue;
        }
        std::vector<uint8_t> wb, small;
        ContainerResult a = doc.ReadWholeStream(u"Workbook", wb);
        ContainerResult b = doc.ReadWholeStream(u"Small", small);
        if (d.expect == Expect::Reads) {
            EXPECT_EQ(a, Done);
            EXPECT_EQ(b, Done);
        } else {
            EXPECT_TRUE(a == PlatformFailure || b == PlatformFailure);
            EXPECT_TRUE(a == Done || wb.empty());
            EXPECT_TRUE(b == Done || small.empty());
        }
    }
}

TEST(CompoundDocumentRead, StoragesNestedTooDeeplyAreRefused) {
    for (int depth :
         {CompoundDocument::kMaxStorageDepth - 1, CompoundDocument::kMaxStorageDepth + 1}) {
        std::vector<Entry> e(1);
        e[0].name = u"Root Entry";
        e[0].type = 5;
        e[0].child = 1;
        for (int i = 1; i <= depth; ++i) {
            e.push_back(Storage(u"D"));
            e.back().child = i < depth ? uint32_t(i + 1) : kNone;
        }
        Layout file = Build(e);
        CompoundDocument doc;
        EXPECT_EQ(doc.OpenFromMemory(file.bytes), depth <= CompoundDocument::kMaxStorageDepth)
            << depth;
    }
}

TEST(CompoundDocumentRead, LongSiblingListsNeedNoDeepRecursion) {
    // 20000 entries in one right-linked list: a recursive walk would exhaust the stack.
    std::vector<Entry> children(20000);
    for (auto& c : children) c.name = u"x";
    Layout file = Build(UnderRoot(children));
    CompoundDocument doc;
    ASSERT_TRUE(doc.OpenFromMemory(file.bytes));
    EXPECT_EQ(doc.Root()->children.size(), 20000u);
}

TEST(CompoundDocumentRead, TruncationsAndByteFlipsNeverCrash) {
    // Run under the sanitizers this is a small deterministic fuzz: whatever opens must read
    // every stream to an end, and nothing may read outside the buffer.
    const Layout base = DamageBase();
    auto exercise = [](const std::vector<uint8_t>& bytes) {
        CompoundDocument doc;
        if (!doc.OpenFromMemory(bytes)) return;
        std::vector<uint8_t> out;
        for (const char16_t* p : {u"Workbook", u"Small", u"Dir\\Inner", u"\\"})
            doc.ReadWholeStream(p, out);
    };
    for (size_t n = 0; n < base.bytes.size(); n += 97)
        exercise(std::vector<uint8_t>(base.bytes.begin(), base.bytes.begin() + n));
    // Flips land in the header and the tables, where damage matters.
    std::vector<size_t> regions{0, Layout::SectorOffset(base.fatSectors[0]),
                                Layout::SectorOffset(base.difatSectors[0])};
    for (uint32_t s : base.directorySectors) regions.push_back(Layout::SectorOffset(s));
    for (uint32_t s : base.miniFatSectors) regions.push_back(Layout::SectorOffset(s));
    uint32_t x = 1;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = base.bytes;
        for (int k = 0; k < 3; ++k) {
            x = x * 1103515245u + 12345;
            size_t at = regions[(x >> 8) % regions.size()] + (x >> 4) % 512;
            x = x * 1103515245u + 12345;
            bytes[at] = uint8_t(x >> 16);
        }
        exercise(bytes);
    }
}

}  // namespace
