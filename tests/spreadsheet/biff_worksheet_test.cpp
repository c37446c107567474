// Worksheet reading and writing: RK values and runs, merged ranges, DBCELL and INDEX
// offsets, sheets without DBCELL, formulas with attached records, substreams that end the
// parse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "spreadsheet/excel_file.h"
#include "spreadsheet/zexcel_stream.h"
#include "spreadsheet/zexcel_worksheet.h"
#include "tests/spreadsheet/biff_builder.h"

using namespace biff_test;
using namespace ZExcel;

namespace {

uint32_t High32(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return uint32_t(bits >> 32);
}

uint32_t IntRK(int32_t v, bool div100) {
    return (uint32_t(v) << 2) | 2 | (div100 ? 1 : 0);
}

// The records of the worksheet substream starting at pos: (code, data) pairs up to its EOF.
std::vector<std::pair<uint16_t, Bytes>> SheetRecords(const Bytes& s, size_t pos) {
    std::vector<std::pair<uint16_t, Bytes>> out;
    while (pos + 4 <= s.size()) {
        uint16_t code = uint16_t(s[pos] | (s[pos + 1] << 8));
        uint16_t len = uint16_t(s[pos + 2] | (s[pos + 3] << 8));
        out.emplace_back(code, Bytes(s.begin() + long(pos) + 4, s.begin() + long(pos) + 4 + len));
        pos += 4 + len;
        if (code == 0x000A) break;
    }
    return out;
}

std::vector<uint16_t> CellCodes(const Bytes& stream, size_t sheetPos) {
    std::vector<uint16_t> codes;
    for (auto& r : SheetRecords(stream, sheetPos))
        if (CellBlock::IsCellCode(r.first) || r.first == 0x04BC || r.first == 0x0207 ||
            r.first == 0x0221)
            codes.push_back(r.first);
    return codes;
}

uint32_t SheetPosition(const Bytes& stream, int index) {
    int i = 0;
    for (const RecordAt& r : Records(stream))
        if (r.code == 0x0085 && i++ == index)
            return uint32_t(stream[r.pos + 4] | (stream[r.pos + 5] << 8) |
                            (stream[r.pos + 6] << 16) | (uint32_t(stream[r.pos + 7]) << 24));
    return 0;
}

// A workbook of one sheet named "data" holding nothing, ready for cells.
void OneSheet(ExcelFile& file, int sheets = 1) {
    std::vector<std::string> names;
    std::vector<Bytes> bodies;
    for (int i = 0; i < sheets; ++i) {
        names.push_back("s" + std::to_string(i));
        bodies.push_back({});
    }
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream(names, bodies)));
}

}  // namespace

TEST(RKTest, Decoding) {
    struct {
        uint32_t rk;
        bool isInteger;
        double value;
    } cases[] = {
        {IntRK(12300, true), true, 123},
        {IntRK(12345, true), false, 123.45},
        {IntRK(5, false), true, 5},
        {IntRK(-5, false), true, -5},
        {IntRK(-250, true), false, -2.5},
        {IntRK(-536870912, false), true, -536870912},
        {High32(2.5), false, 2.5},
        {High32(250.0) | 1, false, 2.5},
        {High32(-0x1p1000), false, -0x1p1000},
    };
    for (const auto& c : cases) {
        bool isInteger;
        int32_t integer = 0;
        double d = DecodeRK(c.rk, &isInteger, &integer);
        EXPECT_EQ(isInteger, c.isInteger) << std::hex << c.rk;
        EXPECT_EQ(isInteger ? integer : d, c.value) << std::hex << c.rk;
    }
}

TEST(RKTest, EncodingRoundTripsOrRefuses) {
    struct {
        double value;
        bool encodes;
        uint32_t rk;  // when it encodes
    } doubles[] = {
        {2.5, true, High32(250.0) | 1},
        {60.0, true, High32(60.0)},
        {0.5, true, High32(50.0) | 1},
        {-0.25, true, High32(-25.0) | 1},
        {0.0, true, 0},
        {5242.89, false, 0},
        {25.033964, false, 0},
        {1e9, false, 0},
        {NAN, false, 0},
        {-0.0, true, 0x80000000},
    };
    for (const auto& c : doubles) {
        uint32_t rk = 0;
        EXPECT_EQ(EncodeRK(c.value, &rk), c.encodes) << c.value;
        if (c.encodes) {
            EXPECT_EQ(rk, c.rk) << c.value;
        }
    }
    struct {
        int32_t value;
        bool encodes;
    } integers[] = {{0, true},          {123, true},        {536870911, true},
                    {536870912, false}, {-536870912, true}, {-536870913, false}};
    for (const auto& c : integers) {
        uint32_t rk = 0;
        EXPECT_EQ(EncodeRK(c.value, &rk), c.encodes) << c.value;
        if (c.encodes) {
            EXPECT_EQ(rk, IntRK(c.value, false));
        }
    }
}

TEST(WorksheetWriteTest, NumbersBecomeRunsOfRKOrSingleRecords) {
    ExcelFile file;
    OneSheet(file);
    ExcelSheet& s = *file.SheetAt(0);
    // Row 0: three integers, a double that encodes, one that does not, an integer, text.
    s.CellAt(0, 0)->PutInteger(1);
    s.CellAt(0, 1)->PutInteger(2);
    s.CellAt(0, 2)->PutInteger(3);
    s.CellAt(0, 3)->PutDouble(2.5);
    s.CellAt(0, 4)->PutDouble(25.033964);
    s.CellAt(0, 5)->PutInteger(7);
    s.CellAt(0, 6)->PutText("t");
    // Row 1: two encodable doubles, an integer too large for RK, an integer then a double.
    s.CellAt(1, 0)->PutDouble(0.5);
    s.CellAt(1, 1)->PutDouble(60.0);
    s.CellAt(1, 2)->PutInteger(1 << 29);
    s.CellAt(1, 3)->PutInteger(4);
    s.CellAt(1, 4)->PutDouble(4.5);
    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    const std::vector<uint16_t> expected = {
        0x00BD, 0x027E, 0x0203, 0x027E, 0x00FD,          // MULRK(1,2,3) RK NUMBER RK LABELSST
        0x00BD, 0x0203, 0x027E, 0x027E, 0x0201, 0x0201,  // MULRK(.5,60) NUMBER RK RK BLANK BLANK
    };
    EXPECT_EQ(CellCodes(out, SheetPosition(out, 0)), expected);

    ExcelFile back;
    ASSERT_TRUE(back.LoadFromStream(out));
    ExcelSheet& b = *back.SheetAt(0);
    EXPECT_EQ(b.PeekCell(0, 2)->Kind(), CellKind::Integer);
    EXPECT_EQ(b.PeekCell(0, 2)->AsInteger(), 3);
    EXPECT_EQ(b.PeekCell(0, 3)->AsDouble(), 2.5);
    EXPECT_EQ(b.PeekCell(0, 4)->AsDouble(), 25.033964);
    EXPECT_EQ(b.PeekCell(1, 1)->Kind(), CellKind::Double);  // the RK double form
    EXPECT_EQ(b.PeekCell(1, 1)->AsDouble(), 60.0);
    EXPECT_EQ(b.PeekCell(1, 2)->Kind(), CellKind::Double);
    EXPECT_EQ(b.PeekCell(1, 2)->AsInteger(), 1 << 29);
}

TEST(MergedCellsTest, WrittenInRecordsOf1027Ranges) {
    struct {
        size_t ranges;
        std::vector<uint16_t> counts;
    } cases[] = {{0, {}}, {1, {1}}, {1027, {1027}}, {1028, {1027, 1}}, {2055, {1027, 1027, 1}}};
    for (const auto& c : cases) {
        Worksheet::MergedCells m;
        for (size_t i = 0; i < c.ranges; ++i) {
            Worksheet::MergedCells::MergedCell r;
            r.m_nFirstRow = r.m_nLastRow = uint16_t(i);
            r.m_nLastColumn = 1;
            m.m_ranges.push_back(r);
        }
        Bytes out;
        size_t written = m.Write(out);
        EXPECT_EQ(written, out.size());
        EXPECT_EQ(m.Size(), out.size()) << c.ranges;
        std::vector<uint16_t> counts;
        for (const RecordAt& r : Records(out)) {
            EXPECT_EQ(r.code, 0x00E5);
            counts.push_back(uint16_t(out[r.pos + 4] | (out[r.pos + 5] << 8)));
        }
        EXPECT_EQ(counts, c.counts) << c.ranges;
        Worksheet::MergedCells back;
        EXPECT_EQ(back.Read(ByteSpan{out.data(), out.size()}), out.size());
        EXPECT_EQ(back.m_ranges.size(), c.ranges);
    }
}

TEST(WorksheetWriteTest, IndexAndDbcellOffsetsMatchTheWrittenStream) {
    ExcelFile file;
    OneSheet(file, 2);
    for (int sh = 0; sh < 2; ++sh) {
        ExcelSheet& s = *file.SheetAt(sh);
        for (int r = 0; r < 40 + sh * 30; ++r) {
            s.CellAt(r, 0)->PutInteger(r);
            if (r % 3) s.CellAt(r, 1)->PutText(r % 2 ? "odd" : "even");
            if (r % 5 == 0) s.CellAt(r, 2)->PutDouble(r + 0.125);
        }
    }
    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    auto recs = Records(out);
    size_t sheetsSeen = 0;
    for (size_t sh = 0; sh < 2; ++sh) {
        uint32_t start = SheetPosition(out, int(sh));
        // The BoundSheet points at the sheet's BOF.
        auto bof = std::find_if(recs.begin(), recs.end(),
                                [&](const RecordAt& r) { return r.pos == start; });
        ASSERT_NE(bof, recs.end());
        EXPECT_EQ(bof->code, 0x0809);
        std::vector<uint32_t> indexPositions, dbcells;
        std::vector<const RecordAt*> rows, cells;
        for (auto it = bof; it != recs.end() && it->code != 0x000A; ++it) {
            const uint8_t* d = out.data() + it->pos + 4;
            if (it->code == 0x020B)
                for (size_t k = 16; k < it->length; k += 4)
                    indexPositions.push_back(
                        uint32_t(d[k] | (d[k + 1] << 8) | (d[k + 2] << 16) | (d[k + 3] << 24)));
            if (it->code == 0x0208) rows.push_back(&*it);
            if (CellBlock::IsCellCode(it->code)) cells.push_back(&*it);
            if (it->code == 0x00D7) {
                dbcells.push_back(uint32_t(it->pos));
                // Back to the block's first ROW.
                uint32_t back = uint32_t(d[0] | (d[1] << 8) | (d[2] << 16) | (d[3] << 24));
                ASSERT_FALSE(rows.empty());
                EXPECT_EQ(it->pos - back, rows.front()->pos);
                // Row offsets: from the second ROW to the first cell of the first row, then
                // from each row's first cell to the next row's.
                size_t at = rows.size() > 1 ? rows[1]->pos : rows[0]->pos + 20;
                size_t k = 0;
                for (size_t r = 0; r < rows.size(); ++r) {
                    uint16_t off = uint16_t(d[4 + 2 * r] | (d[5 + 2 * r] << 8));
                    uint16_t rowNumber =
                        uint16_t(out[rows[r]->pos + 4] | (out[rows[r]->pos + 5] << 8));
                    while (k < cells.size() && uint16_t(out[cells[k]->pos + 4] |
                                                        (out[cells[k]->pos + 5] << 8)) < rowNumber)
                        ++k;
                    ASSERT_LT(k, cells.size());
                    EXPECT_EQ(at + off, cells[k]->pos) << "row " << rowNumber;
                    at = cells[k]->pos;
                }
                rows.clear();
                cells.clear();
            }
        }
        EXPECT_EQ(indexPositions, dbcells) << "sheet " << sh;
        EXPECT_EQ(dbcells.size(), sh == 0 ? 2u : 3u);
        ++sheetsSeen;
    }
    EXPECT_EQ(sheetsSeen, 2u);
}

TEST(WorksheetReadTest, SheetWithoutDbcellEndsAtItsEofAndTheNextSheetIsFound) {
    const Bytes first = Cat({Row(0, 2), Rk(0, 0, IntRK(1, false)), Rk(0, 1, IntRK(2, false)),
                             Row(1), Rec(0x023E, Bytes(18, 0)), Merged({{0, 1, 0, 1}})});
    const Bytes second = Cat(
        {Row(0), Number(0, 0, 4.25), DbCell(), Rec(0x023E, Bytes(18, 0)), Merged({{0, 0, 0, 2}})});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream({"a", "b"}, {first, second})));
    ASSERT_EQ(file.SheetCount(), 2);
    ExcelSheet& a = *file.SheetAt(0);
    EXPECT_EQ(a.RowCount(), 1);
    EXPECT_EQ(a.ColumnCount(), 2);
    EXPECT_EQ(a.PeekCell(0, 1)->AsInteger(), 2);
    // The merged range met inside the unfinished block still belongs to the sheet.
    EXPECT_EQ(a.PeekCell(0, 0)->MergeRowSpan(), 2);
    EXPECT_EQ(a.PeekCell(0, 0)->MergeColumnSpan(), 2);
    ExcelSheet& b = *file.FindSheet("b");
    EXPECT_EQ(b.PeekCell(0, 0)->AsDouble(), 4.25);
    EXPECT_EQ(b.PeekCell(0, 0)->MergeColumnSpan(), 3);
}

TEST(WorksheetReadTest, CellsOutsideRowBlocksAreDropped) {
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(
        WorkbookStream({"data"}, {Cat({Rk(3, 4, IntRK(9, false)), Blank(0, 0)})})));
    ExcelSheet& s = *file.FindSheet("data");
    EXPECT_EQ(s.RowCount(), 1);
    EXPECT_EQ(s.ColumnCount(), 1);
    EXPECT_EQ(s.PeekCell(0, 0)->Kind(), CellKind::Empty);
}

TEST(WorksheetReadTest, SizeAndValuesFromEachCellRecord) {
    Bytes boolTrue = Rec(0x0205, {0, 0, 2, 0, 15, 0, 1, 0});
    Bytes error = Rec(0x0205, {0, 0, 3, 0, 15, 0, 7, 1});
    Bytes mulrk;
    Put16(mulrk, 1);
    Put16(mulrk, 1);
    for (int k = 0; k < 3; ++k) {
        Put16(mulrk, uint16_t(20 + k));
        Put32(mulrk, IntRK(10 * k, false));
    }
    Put16(mulrk, 3);
    Bytes mulblank;
    Put16(mulblank, 2);
    Put16(mulblank, 0);
    for (int k = 0; k < 9; ++k) Put16(mulblank, 30);
    Put16(mulblank, 8);
    const Bytes sheet =
        Cat({Row(0), Row(1), Row(2), Number(0, 0, -1.5), LabelSst(0, 1, 1), boolTrue, error,
             Rec(0x00BD, mulrk), LabelSst(1, 0, 99), Rec(0x00BE, mulblank), Blank(5, 9), DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream({"data"}, {sheet}, Sst({"zero", "one"}))));
    ExcelSheet& s = *file.SheetAt(0);
    // Blanks do not widen the grid: MULRK reaches column 3, values reach row 1.
    EXPECT_EQ(s.RowCount(), 2);
    EXPECT_EQ(s.ColumnCount(), 4);
    EXPECT_EQ(s.PeekCell(0, 0)->AsDouble(), -1.5);
    EXPECT_STREQ(s.PeekCell(0, 1)->AsText(), "one");
    EXPECT_EQ(s.PeekCell(0, 2)->Kind(), CellKind::Integer);
    EXPECT_EQ(s.PeekCell(0, 2)->AsInteger(), 1);
    EXPECT_EQ(s.PeekCell(0, 3)->Kind(), CellKind::Empty);  // an error value
    EXPECT_EQ(s.PeekCell(1, 3)->AsInteger(), 20);
    EXPECT_EQ(s.PeekCell(1, 3)->XF(), 22);
    EXPECT_EQ(s.PeekCell(1, 0)->Kind(), CellKind::Empty);  // string index out of range
    EXPECT_EQ(s.PeekCell(0, 1)->XF(), 15);
}

TEST(WorksheetReadTest, FormulaWithSharedFormulaAndStringIsOneCellAndWrittenInOrder) {
    auto formula = [](uint16_t row, uint16_t col, Bytes result) {
        Bytes d;
        Put16(d, row);
        Put16(d, col);
        Put16(d, 15);
        d.insert(d.end(), result.begin(), result.end());
        Put16(d, 8);
        Put32(d, 0xDEADBEEF);
        d.insert(d.end(), {5, 0, 1, 0, 0});  // tokens
        return Rec(0x0006, d);
    };
    const Bytes stringResult = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    Bytes numberResult;
    PutDouble(numberResult, 42.5);
    const Bytes shrfmla = Rec(0x04BC, {0, 0, 1, 0, 1, 1, 0, 1, 3, 0, 0x1E, 7, 0});
    const Bytes array = Rec(0x0221, {1, 0, 1, 0, 2, 2, 0, 0, 0, 0, 0, 0, 3, 0, 0x1E, 1, 0});
    const Bytes string = Rec(0x0207, {3, 0, 0, 'a', 'b', 'c'});
    const Bytes sheet = Cat({Row(0), Row(1), formula(0, 1, stringResult), shrfmla, string,
                             formula(1, 2, numberResult), array, DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream({"data"}, {sheet})));
    ExcelSheet& s = *file.SheetAt(0);
    ExcelCell& text = *s.PeekCell(0, 1);
    ASSERT_EQ(text.Kind(), CellKind::Formula);
    EXPECT_STREQ(text.AsText(), "abc");
    EXPECT_EQ(std::u16string(text.AsWideText()), u"abc");
    EXPECT_EQ(text.AsDouble(), 0.0);
    EXPECT_EQ(text.Formula()->m_nAttachedCode, 0x04BC);
    EXPECT_EQ(text.Formula()->m_sharedTokens, (Bytes{3, 0, 0x1E, 7, 0}));
    ExcelCell& number = *s.PeekCell(1, 2);
    EXPECT_EQ(number.AsDouble(), 42.5);
    EXPECT_EQ(number.AsInteger(), 42);
    EXPECT_STREQ(number.AsText(), "");

    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    auto records = SheetRecords(out, SheetPosition(out, 0));
    std::vector<uint16_t> codes;
    for (auto& r : records)
        if (r.first == 0x0006 || r.first == 0x04BC || r.first == 0x0207 || r.first == 0x0221) {
            codes.push_back(r.first);
            const Bytes* expected = r.first == 0x04BC   ? &shrfmla
                                    : r.first == 0x0207 ? &string
                                    : r.first == 0x0221 ? &array
                                                        : nullptr;
            if (expected) {
                EXPECT_EQ(Rec(r.first, r.second), *expected);
            }
            if (r.first == 0x0006) {
                // Options and the reserved field are written as 0.
                EXPECT_EQ(r.second[14] | r.second[15] | r.second[16] | r.second[19], 0);
            }
        }
    EXPECT_EQ(codes, (std::vector<uint16_t>{0x0006, 0x04BC, 0x0207, 0x0006, 0x0221}));
}

TEST(StreamParseTest, OtherSubstreamsAreSkippedAndBlockTheWrite) {
    const Bytes sheet = Cat({Row(0), Rk(0, 0, IntRK(1, false)), DbCell()});
    const Bytes chart = Cat({Bof(0x0020), Rec(0x1001, {1, 0}), Eof()});
    Bytes globals = Bof(0x0005);
    Bytes body1 = Cat({Bof(0x0010), sheet, Eof()});
    size_t gsize = globals.size() + BoundSheet(0, "data").size() +
                   BoundSheet(0, "chart", 2).size() + BoundSheet(0, "last").size() + 4;
    Bytes stream = Cat({globals, BoundSheet(uint32_t(gsize), "data"),
                        BoundSheet(uint32_t(gsize + body1.size()), "chart", 2),
                        BoundSheet(uint32_t(gsize + body1.size() + chart.size()), "last"), Eof(),
                        body1, chart, body1});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream));
    ASSERT_EQ(file.SheetCount(), 2);
    EXPECT_EQ(file.FindSheet("data"), file.SheetAt(0));
    EXPECT_EQ(file.FindSheet("last"), file.SheetAt(1));
    EXPECT_EQ(file.FindSheet("chart"), nullptr);
    // BoundSheet i would name sheet i in the writing: with the chart among them it cannot.
    Bytes out;
    EXPECT_FALSE(file.SerializeStream(out));

    // An embedded chart inside a worksheet is passed over; the sheet's later cells stay.
    const Bytes embedded =
        Cat({Row(0, 2), Rk(0, 0, IntRK(1, false)), chart, Rk(0, 1, IntRK(2, false)), DbCell()});
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream({"data", "next"}, {embedded, sheet})));
    ASSERT_EQ(file.SheetCount(), 2);
    EXPECT_EQ(file.SheetAt(0)->PeekCell(0, 1)->AsInteger(), 2);
    EXPECT_TRUE(file.SerializeStream(out));
}

TEST(StreamParseTest, BytesBehindTheLastSheetAreNotRead) {
    // A shorter stream written over a longer one leaves old bytes behind it; even when they
    // begin like another substream they are no sheet of this workbook.
    const Bytes sheet = Cat({Row(0), Rk(0, 0, IntRK(1, false)), DbCell()});
    Bytes stream = WorkbookStream({"data"}, {sheet});
    const Bytes stale = Cat({Bof(0x0010), Row(0), Rec(0x027E, {0, 0})});
    stream.insert(stream.end(), stale.begin(), stale.end());
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream));
    EXPECT_EQ(file.SheetCount(), 1);
    Bytes out;
    EXPECT_TRUE(file.SerializeStream(out));
}

TEST(WorksheetReadTest, LongCachedStringGoesOnInContinueRecordsWithFlags) {
    Bytes formula;
    Put16(formula, 0);
    Put16(formula, 0);
    Put16(formula, 15);
    formula.insert(formula.end(), {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
    Put16(formula, 0);
    Put32(formula, 0);
    formula.insert(formula.end(), {1, 0, 0x17});  // tokens
    Bytes first;
    Put16(first, 9000);
    first.push_back(0);
    first.resize(8224, 'x');  // 8221 characters here
    Bytes rest = {0};
    rest.resize(1 + 779, 'y');
    const Bytes sheet =
        Cat({Row(0), Rec(0x0006, formula), Rec(0x0207, first), Rec(0x003C, rest), DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(WorkbookStream({"data"}, {sheet})));
    const std::string text = file.SheetAt(0)->PeekCell(0, 0)->AsText();
    EXPECT_EQ(text, std::string(8221, 'x') + std::string(779, 'y'));

    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    auto recs = Records(out);
    auto it =
        std::find_if(recs.begin(), recs.end(), [](const RecordAt& r) { return r.code == 0x0207; });
    ASSERT_NE(it, recs.end());
    EXPECT_EQ(it->length, 8224);
    ASSERT_EQ((it + 1)->code, 0x003C);
    EXPECT_EQ((it + 1)->length, 780);
    EXPECT_EQ(out[(it + 1)->pos + 4], 0);  // the piece opens with its flags byte
    ExcelFile back;
    ASSERT_TRUE(back.LoadFromStream(out));
    EXPECT_EQ(std::string(back.SheetAt(0)->PeekCell(0, 0)->AsText()), text);
}

TEST(WorksheetReadTest, ReadSheetsWriteBackTheirOwnRecords) {
    // Row records and cell handles of a read sheet are made from its bytes when asked for;
    // writing the aggregates as read gives the same cells.
    const Bytes sheet =
        Cat({Row(0, 2), Row(1), Rk(0, 0, IntRK(1, false)), Number(0, 1, 0.1), LabelSst(1, 0, 0),
             DbCell(), Row(40), Rk(40, 0, IntRK(7, false)), DbCell()});
    const Bytes stream = WorkbookStream({"data"}, {sheet}, Sst({"text"}));
    Workbook globals;
    std::vector<Worksheet> sheets;
    std::vector<uint32_t> positions;
    ASSERT_EQ(ParseStream(ByteSpan{stream.data(), stream.size()}, globals, sheets, positions),
              stream.size());
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_EQ(sheets[0].m_cellTable.m_blocks.size(), 2u);
    std::vector<uint32_t> starts = FixOffsets(globals.Size(), sheets);
    globals.m_boundSheets[0].m_nPosition = starts[0];
    EXPECT_EQ(sheets[0].m_cellTable.m_blocks[0].m_rows.size(), 2u);
    EXPECT_EQ(sheets[0].m_cellTable.m_blocks[0].m_cells.size(), 3u);
    EXPECT_EQ(sheets[0].m_cellTable.m_blocks[0].m_cells[1].Row(), 0);
    EXPECT_EQ(sheets[0].m_cellTable.m_blocks[0].m_cells[2].Column(), 0);
    Bytes out;
    globals.Write(out);
    sheets[0].Write(out);
    EXPECT_EQ(out.size(), globals.Size() + sheets[0].Size());
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(out));
    ExcelSheet& s = *file.SheetAt(0);
    EXPECT_EQ(s.PeekCell(0, 1)->AsDouble(), 0.1);
    EXPECT_STREQ(s.PeekCell(1, 0)->AsText(), "text");
    EXPECT_EQ(s.PeekCell(40, 0)->AsInteger(), 7);
}
