// Record base, CONTINUE split points, texts and the shared string table layout, globals
// round trip, and the stream parse's refusal of damaged input.
#include <gtest/gtest.h>

#include "spreadsheet/excel_file.h"
#include "spreadsheet/zexcel_workbook.h"
#include "tests/spreadsheet/biff_builder.h"

using namespace biff_test;
using namespace ZExcel;

namespace {

ByteSpan Span(const Bytes& b) {
    return ByteSpan{b.data(), b.size()};
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + seed);
    return b;
}

// Record lengths of a written run of records.
std::vector<uint16_t> Lengths(const Bytes& s) {
    std::vector<uint16_t> out;
    for (const RecordAt& r : Records(s)) out.push_back(r.length);
    return out;
}

}  // namespace

TEST(RecordTest, ContinuePiecesAreJoinedAndWrittenBackAtTheSameSplitPoints) {
    const Bytes a = Pattern(3, 1), b = Pattern(5, 2), c = Pattern(2, 3);
    const Bytes stream = Cat({Rec(0x1234, a), Rec(0x003C, b), Rec(0x003C, c), Eof()});
    Record r;
    ASSERT_EQ(r.Read(Span(stream)), 3u + 5 + 2 + 12);
    EXPECT_EQ(r.m_nCode, 0x1234);
    EXPECT_EQ(r.m_data, Cat({a, b, c}));
    EXPECT_EQ(r.m_nDataSize, 10u);
    EXPECT_EQ(r.m_continueOffsets, (std::vector<uint32_t>{3, 8}));
    Bytes out;
    EXPECT_EQ(r.Write(out), 22u);
    EXPECT_EQ(out, Bytes(stream.begin(), stream.end() - 4));
}

TEST(RecordTest, DataWithoutSplitPointsIsCutEvery8224Bytes) {
    struct {
        size_t size;
        std::vector<uint16_t> pieces;
    } cases[] = {
        {0, {0}},
        {8224, {8224}},
        {8225, {8224, 1}},
        {20000, {8224, 8224, 3552}},
    };
    for (const auto& c : cases) {
        Record r(0x00FC);
        r.m_data = Pattern(c.size, 9);
        r.m_nDataSize = uint32_t(c.size);
        Bytes out;
        size_t n = r.Write(out);
        EXPECT_EQ(n, out.size());
        EXPECT_EQ(Lengths(out), c.pieces) << c.size;
        auto recs = Records(out);
        for (size_t i = 1; i < recs.size(); ++i) EXPECT_EQ(recs[i].code, 0x003C);
        Record back;
        ASSERT_EQ(back.Read(Span(out)), out.size());
        EXPECT_EQ(back.m_data, r.m_data);
    }
}

TEST(RecordTest, MalformedRecordsAreRefused) {
    const Bytes cases[] = {
        {},                                                    // nothing
        {0x09, 0x08, 0x10},                                    // half a header
        {0x34, 0x12, 0x05, 0x00, 1, 2},                        // data runs past the end
        Cat({Rec(0x1234, {1}), {0x3C, 0x00, 0x09, 0x00, 1}}),  // a CONTINUE runs past it
    };
    for (const Bytes& b : cases) {
        Record r;
        EXPECT_EQ(r.Read(Span(b)), 0u);
        EXPECT_EQ(SkipRecord(Span(b)), 0u);
    }
    // Older writers end the BOF after 8 bytes; anything shorter is not a BOF.
    BOF shortBof;
    EXPECT_EQ(shortBof.Read(Span(Bof(0x0005, 7))), 0u);
    BOF oldBof;
    EXPECT_EQ(oldBof.Read(Span(Bof(0x0005, 8))), 12u);
    EXPECT_EQ(oldBof.m_nType, 0x0005);
}

// ---- shared string table ----

namespace {

UnicodeText Narrow8(size_t n, char c = 'a') {
    UnicodeText t;
    t.Set8(std::string(n, c));
    return t;
}

UnicodeText Wide16(size_t n, char16_t c = u'\u0416') {
    UnicodeText t;
    t.Set16(std::u16string(n, c));
    return t;
}

Bytes WriteSst(const std::vector<UnicodeText>& strings) {
    Workbook::SharedStringTable sst;
    sst.m_strings = strings;
    sst.m_nTotal = sst.m_nUnique = uint32_t(strings.size());
    Bytes out;
    sst.Write(out);
    return out;
}

}  // namespace

TEST(SharedStringTableTest, SplitRulesNearTheEndOfARecord) {
    // The first string takes the record up to `room` bytes before its end (data starts
    // with the two 4-byte counts); the second one does not fit in what is left.
    struct {
        const char* what;
        size_t room;
        UnicodeText second;
        std::vector<uint32_t> offsets;
        uint32_t dataSize;
    } cases[] = {
        // 11 bytes left: the whole string moves into a new CONTINUE record.
        {"11 left, 8-bit", 11, Narrow8(100), {8213}, 8213 + 103},
        // 12 bytes left: split, 9 characters here, 91 after a flags byte.
        {"12 left, 8-bit", 12, Narrow8(100), {8224}, 8224 + 1 + 91},
        // 14 bytes left, 16-bit: the piece here must hold whole characters, so the record
        // ends a byte early with 10 character bytes.
        {"14 left, 16-bit", 14, Wide16(50), {8223}, 8223 + 1 + 90},
        // 13 bytes left, 16-bit: 10 character bytes fit exactly.
        {"13 left, 16-bit", 13, Wide16(50), {8224}, 8224 + 1 + 90},
    };
    for (const auto& c : cases) {
        std::vector<UnicodeText> strings = {Narrow8(8224 - c.room - 8 - 3), c.second};
        Workbook::SharedStringTable sst;
        sst.m_strings = strings;
        EXPECT_EQ(sst.DataSize(), c.dataSize) << c.what;
        EXPECT_EQ(sst.m_continueOffsets, c.offsets) << c.what;
        EXPECT_EQ(sst.RecordSize(), c.dataSize + 4 + 4 * c.offsets.size()) << c.what;

        Bytes out = WriteSst(strings);
        auto recs = Records(out);
        ASSERT_EQ(recs.size(), 2u) << c.what;
        EXPECT_EQ(recs[0].length, c.offsets[0]) << c.what;
        const uint8_t* cont = out.data() + recs[1].pos + 4;
        if (c.room < 12) {
            EXPECT_EQ(cont[0] | (cont[1] << 8), int(c.second.Length())) << "header first";
        } else {
            EXPECT_EQ(cont[0], c.second.IsWide() ? 1 : 0) << "flags byte first";
            size_t firstPiece = c.offsets[0] - (8224 - c.room) - 3;
            EXPECT_EQ(firstPiece % (c.second.IsWide() ? 2 : 1), 0u) << c.what;
        }
        Workbook::SharedStringTable back;
        ASSERT_EQ(back.Read(Span(out)), out.size()) << c.what;
        ASSERT_EQ(back.m_strings.size(), 2u);
        EXPECT_EQ(back.m_strings[1].m_str, c.second.m_str) << c.what;
        EXPECT_EQ(back.m_strings[1].m_wstr, c.second.m_wstr) << c.what;
    }
}

TEST(SharedStringTableTest, LongAndManyStringsSurviveTheirContinueRecords) {
    std::vector<UnicodeText> strings;
    strings.push_back(Narrow8(20000, 'q'));  // 8213 + 8223 + 3564 characters
    strings.push_back(Wide16(9000));
    for (int i = 0; i < 3000; ++i)
        strings.push_back(i % 3 ? Narrow8(size_t(i % 97), char('a' + i % 26))
                                : Wide16(size_t(i % 41), char16_t(0x410 + i % 32)));
    Workbook::SharedStringTable sst;
    sst.m_strings = strings;
    sst.DataSize();
    EXPECT_EQ(
        std::vector<uint32_t>(sst.m_continueOffsets.begin(), sst.m_continueOffsets.begin() + 2),
        (std::vector<uint32_t>{8224, 16448}));

    Bytes out = WriteSst(strings);
    EXPECT_EQ(out.size(), sst.RecordSize());
    for (const RecordAt& r : Records(out)) EXPECT_LE(r.length, 8224);
    Workbook::SharedStringTable back;
    ASSERT_EQ(back.Read(Span(out)), out.size());
    ASSERT_EQ(back.m_strings.size(), strings.size());
    for (size_t i = 0; i < strings.size(); ++i) {
        EXPECT_EQ(back.m_strings[i].IsWide(), strings[i].IsWide()) << i;
        EXPECT_EQ(back.m_strings[i].m_str, strings[i].m_str) << i;
        EXPECT_EQ(back.m_strings[i].m_wstr, strings[i].m_wstr) << i;
    }
}

TEST(SharedStringTableTest, RichTextAndPhoneticPartsAreReadOverAndNotWritten) {
    Bytes d;
    Put32(d, 2);
    Put32(d, 2);
    Put16(d, 3);  // "abc" with 2 runs and a 4-byte phonetic block
    d.push_back(0x0C);
    Put16(d, 2);
    Put32(d, 4);
    d.insert(d.end(), {'a', 'b', 'c'});
    d.insert(d.end(), {1, 0, 2, 0, 3, 0, 4, 0, 9, 9, 9, 9});
    Put16(d, 1);  // "z" plain
    d.push_back(0);
    d.push_back('z');
    Workbook::SharedStringTable sst;
    Bytes rec = Rec(0x00FC, d);
    ASSERT_EQ(sst.Read(Span(rec)), rec.size());
    ASSERT_EQ(sst.m_strings.size(), 2u);
    EXPECT_EQ(sst.m_strings[0].m_str, "abc");
    EXPECT_EQ(sst.m_strings[1].m_str, "z");

    Bytes out;
    sst.Write(out);
    const Bytes expected =
        Rec(0x00FC, {2, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 'a', 'b', 'c', 1, 0, 0, 'z'});
    EXPECT_EQ(out, expected);
}

TEST(SharedStringTableTest, PiecesOfEitherFormMakeOneString) {
    // "ab" in 8 bits, then after the CONTINUE boundary "ЖЖ" in 16 bits: the string becomes
    // 16-bit rather than losing the Cyrillic letters.
    Bytes first;
    Put32(first, 1);
    Put32(first, 1);
    Put16(first, 4);
    first.push_back(0);
    first.insert(first.end(), {'a', 'b'});
    const Bytes second = {1, 0x16, 0x04, 0x16, 0x04};
    const Bytes stream = Cat({Rec(0x00FC, first), Rec(0x003C, second)});
    Workbook::SharedStringTable sst;
    ASSERT_EQ(sst.Read(Span(stream)), stream.size());
    EXPECT_TRUE(sst.m_strings[0].IsWide());
    EXPECT_EQ(sst.m_strings[0].m_wstr, u"ab\u0416\u0416");

    // And 16 bits first, 8 bits after.
    Bytes w;
    Put32(w, 1);
    Put32(w, 1);
    Put16(w, 3);
    w.push_back(1);
    w.insert(w.end(), {0x16, 0x04});
    const Bytes stream2 = Cat({Rec(0x00FC, w), Rec(0x003C, {0, 'x', 'y'})});
    Workbook::SharedStringTable sst2;
    ASSERT_EQ(sst2.Read(Span(stream2)), stream2.size());
    EXPECT_EQ(sst2.m_strings[0].m_wstr, u"\u0416xy");
}

TEST(SharedStringTableTest, CountsTheDataCannotHoldAreRefused) {
    const Bytes unique = Rec(0x00FC, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 'a'});
    const Bytes truncated = Rec(0x00FC, {1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 'a'});
    for (const Bytes& b : {unique, truncated}) {
        Workbook::SharedStringTable sst;
        EXPECT_EQ(sst.Read(Span(b)), 0u);
    }
}

// ---- globals ----

TEST(GlobalsTest, WrittenRecordsAndTheirOrder) {
    auto format = [](uint16_t index, const std::string& s) {
        Bytes d;
        Put16(d, index);
        Put16(d, uint16_t(s.size()));
        d.push_back(0);
        d.insert(d.end(), s.begin(), s.end());
        return Rec(0x041E, d);
    };
    Bytes font = Rec(0x0031, {0xC8, 0,   0, 0, 0xFF, 0x7F, 0x90, 1,   0,   0,  0,
                              0,    204, 0, 5, 0,    'A',  'r',  'i', 'a', 'l'});
    Bytes xf = Rec(0x00E0, Pattern(20, 4));
    Bytes style = Rec(0x0293, {0x10, 0x80, 3, 0xFF});
    Bytes extra = Cat({Rec(0x0042, {0xE3, 0x04}),  // CODEPAGE: not kept
                       font, format(5, "0.00"), format(164, "0.000"), xf, style,
                       Rec(0x00FF, {8, 0, 1, 2, 3, 4, 5, 6, 7, 8})});  // EXTSST: not kept
    Bytes stream = WorkbookStream({"data"}, {Cat({Row(0), Rk(0, 0, 6), DbCell()})}, extra);

    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream));
    const auto& g = file.Globals();
    ASSERT_EQ(g.m_fonts.size(), 1u);
    EXPECT_EQ(g.m_fonts[0].m_nWeight, 0x190);
    EXPECT_EQ(g.m_fonts[0].m_nCharSet, 204);
    EXPECT_EQ(g.m_fonts[0].m_name.m_str, "Arial");
    ASSERT_EQ(g.m_formats.size(), 2u);
    ASSERT_EQ(g.m_xfs.size(), 1u);
    EXPECT_EQ(g.m_styles[0].m_nBuiltInId, 3);

    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    std::vector<uint16_t> codes;
    for (const RecordAt& r : Records(out)) {
        codes.push_back(r.code);
        if (r.code == 0x000A) break;
    }
    EXPECT_EQ(codes, (std::vector<uint16_t>{0x0809, 0x003D, 0x0031, 0x041E, 0x00E0, 0x0293, 0x0085,
                                            0x00FC, 0x000A}));
    // The kept records come back byte for byte.
    auto contains = [&](const Bytes& rec) {
        return std::search(out.begin(), out.end(), rec.begin(), rec.end()) != out.end();
    };
    EXPECT_TRUE(contains(font));
    EXPECT_TRUE(contains(format(164, "0.000")));
    EXPECT_TRUE(contains(xf));
    EXPECT_TRUE(contains(style));
}

// ---- the stream parse refuses damaged workbooks ----

TEST(StreamParseTest, DamagedStreamsAreRefused) {
    const Bytes sheet = Cat({Row(0), Rk(0, 0, 6), DbCell()});
    const Bytes good = WorkbookStream({"data"}, {sheet});
    Bytes noGlobalsEof = Cat({Bof(0x0005), BoundSheet(0, "data")});
    Bytes pastEnd = good;
    pastEnd.resize(good.size() - 2);  // the last EOF is cut
    Bytes shortBof = good;
    shortBof[2] = 7;  // a BOF of 7 bytes, shorter than any writer's
    Bytes index;
    Put32(index, 0);
    Put32(index, 0);
    Put32(index, 0x7FFFFFFF);  // rows far beyond 65536
    Put32(index, 0);
    Bytes mergedBad;
    Put16(mergedBad, 5000);  // 5000 ranges announced, none there
    Put32(mergedBad, 0);
    Put32(mergedBad, 0);
    struct {
        const char* what;
        Bytes stream;
    } cases[] = {
        {"empty", {}},
        {"no BOF first", Cat({Rec(0x0042, {1, 2}), good})},
        {"worksheet before globals", Cat({Bof(0x0010), Eof()})},
        {"globals without EOF", noGlobalsEof},
        {"stream cut", pastEnd},
        {"short BOF", shortBof},
        {"sheet without EOF",
         Cat({Bof(0x0005), BoundSheet(40, "data"), Eof(), Bof(0x0010), sheet})},
        {"absurd INDEX rows", WorkbookStream({"data"}, {Cat({Rec(0x020B, index), sheet})})},
        {"absurd MERGEDCELLS count",
         WorkbookStream({"data"}, {Cat({sheet, Rec(0x00E5, mergedBad)})})},
        {"cell record too short",
         WorkbookStream({"data"}, {Cat({Row(0), Rec(0x027E, {0, 0, 0}), DbCell()})})},
    };
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(good));
    for (const auto& c : cases) {
        EXPECT_FALSE(file.LoadFromStream(c.stream)) << c.what;
        EXPECT_EQ(file.SheetCount(), 0) << c.what;
    }
}
