// Workbooks as other programs and older versions of Excel write them: odd but valid records
// that must open, substreams that are not worksheets, inline and formula texts, the reasons
// given for files that cannot be opened, and sheets whose cells lie far apart.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "spreadsheet/excel_file.h"
#include "tests/spreadsheet/biff_builder.h"
#include "tests/spreadsheet/cfb_builder.h"
#include "tests/test_util.h"

using namespace biff_test;

namespace {

// A substream named by a BOUNDSHEET of the given type (0 worksheet, 1 macro, 2 chart, 6
// module); bytes run from its BOF through its EOF.
struct Sub {
    std::string name;
    uint8_t type;
    Bytes bytes;
};

// Globals (their BOF given, extra records after the BOUNDSHEETs) and the substreams, with
// every BOUNDSHEET pointing at its substream.
Bytes Stream(const Bytes& globalsBof, const Bytes& extra, const std::vector<Sub>& subs) {
    size_t pos = globalsBof.size() + extra.size() + Eof().size();
    for (const Sub& s : subs) pos += BoundSheet(0, s.name, s.type).size();
    Bytes out = globalsBof;
    for (const Sub& s : subs) {
        out = Cat({out, BoundSheet(uint32_t(pos), s.name, s.type)});
        pos += s.bytes.size();
    }
    out = Cat({out, extra, Eof()});
    for (const Sub& s : subs) out = Cat({out, s.bytes});
    return out;
}

Bytes Sheet(const Bytes& body, size_t bofSize = 16) {
    return Cat({Bof(0x0010, bofSize), body, Eof()});
}

Bytes OneCell(int32_t v) {
    return Cat({Row(0), Rk(0, 0, (uint32_t(v) << 2) | 2), DbCell()});
}

// LABEL: row, column, XF, then the text with a 16-bit count and a flags byte.
Bytes Label(uint16_t row, uint16_t col, const std::u16string& text, bool wide) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, 15);
    Put16(d, uint16_t(text.size()));
    d.push_back(wide ? 1 : 0);
    for (char16_t c : text) {
        d.push_back(uint8_t(c));
        if (wide) d.push_back(uint8_t(c >> 8));
    }
    return Rec(0x0204, d);
}

Bytes NumberFormula(uint16_t row, uint16_t col, double v, uint16_t code) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, 15);
    PutDouble(d, v);
    Put16(d, 0);
    Put32(d, 0);
    Put16(d, 3);
    d.insert(d.end(), {0x1E, 1, 0});
    return Rec(code, d);
}

Bytes String(const std::string& s) {
    Bytes d;
    Put16(d, uint16_t(s.size()));
    d.push_back(0);
    d.insert(d.end(), s.begin(), s.end());
    return Rec(0x0207, d);
}

Bytes Table() {
    Bytes d;
    Put16(d, 0);
    Put16(d, 1);
    d.push_back(0);
    d.push_back(1);
    Put16(d, 0);
    for (int i = 0; i < 4; ++i) Put16(d, uint16_t(i));
    return Rec(0x0236, d);
}

bool Contains(const Bytes& hay, const Bytes& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

std::string WriteContainer(const std::string& dir, std::vector<cfb_test::Entry> entries) {
    std::vector<uint8_t> bytes = cfb_test::Build(cfb_test::UnderRoot(std::move(entries))).bytes;
    std::string path = kovra_test::TempDir(dir) + "/book.xls";
    EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
    return path;
}

const Bytes kGood = Stream(Bof(0x0005), {}, {{"data", 0, Sheet(OneCell(6))}});

}  // namespace

// ---- valid workbooks that older code refused ----

TEST(RealWorldOpenTest, WorkbookStreamFoundInAnyCase) {
    for (const char16_t* name : {u"WORKBOOK", u"workbook", u"WorkBook"}) {
        std::string path = WriteContainer(
            "anycase", {{u"\x05SummaryInformation", 2, Bytes(200, 1)}, {name, 2, kGood}});
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(path)) << file.FailureText();
        EXPECT_EQ(file.FindSheet("data")->Cell(0, 0).AsInteger(), 6);
        // Written back into the same stream, not into a new one beside it.
        file.FindSheet("data")->CellAt(0, 0)->PutInteger(7);
        ASSERT_TRUE(file.WriteBack());
        ExcelFile again;
        ASSERT_TRUE(again.OpenFile(path));
        EXPECT_EQ(again.FindSheet("data")->Cell(0, 0).AsInteger(), 7);
    }
}

TEST(RealWorldOpenTest, OddButValidRecordsOpen) {
    // Excel's empty sheet: INDEX from row 0xFFFFFFFF to 0.
    Bytes index;
    Put32(index, 0);
    Put32(index, 0xFFFFFFFF);
    Put32(index, 0);
    Put32(index, 0);
    const Bytes emptySheet = Sheet(Rec(0x020B, index));
    // FORMAT whose count says one character more than it holds; a user STYLE of 4 bytes.
    Bytes format = {0xA4, 0x00, 0x06, 0x00, 0x00, '0', '.', '0', '0', '0'};
    const Bytes badFormat = Rec(0x041E, format);
    const Bytes badStyle = Rec(0x0293, {0x10, 0x00, 0x01, 0x00});
    struct {
        const char* what;
        Bytes stream;
        int sheets;
    } cases[] = {
        {"empty sheet",
         Stream(Bof(0x0005), {}, {{"a", 0, emptySheet}, {"b", 0, Sheet(OneCell(6))}}), 2},
        {"BOFs of 8 bytes", Stream(Bof(0x0005, 8), {}, {{"data", 0, Sheet(OneCell(6), 8)}}), 1},
        {"malformed FORMAT and STYLE",
         Stream(Bof(0x0005), Cat({badFormat, badStyle}), {{"data", 0, Sheet(OneCell(6))}}), 1},
    };
    for (const auto& c : cases) {
        ExcelFile file;
        ASSERT_TRUE(file.LoadFromStream(c.stream)) << c.what << ": " << file.FailureText();
        ASSERT_EQ(file.SheetCount(), c.sheets) << c.what;
        ExcelSheet* last = file.SheetAt(c.sheets - 1);
        EXPECT_EQ(last->Cell(0, 0).AsInteger(), 6) << c.what;
        Bytes out;
        ASSERT_TRUE(file.SerializeStream(out)) << c.what;
        ExcelFile back;
        ASSERT_TRUE(back.LoadFromStream(out)) << c.what;
        EXPECT_EQ(back.SheetAt(c.sheets - 1)->Cell(0, 0).AsInteger(), 6) << c.what;
    }
    // The records the library only carries come back byte for byte.
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(cases[2].stream));
    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    EXPECT_TRUE(Contains(out, badFormat));
    EXPECT_TRUE(Contains(out, badStyle));
    EXPECT_EQ(file.SheetAt(0)->RowCount(), 1);
}

TEST(RealWorldOpenTest, NoSheetOverTheGridLimitMeansTheWorkbookOpens) {
    // One full 65536 × 256 sheet (its corners hold values) and two of one cell each.
    const Bytes full = Cat({Row(0), Rk(0, 0, 6), DbCell(), Row(65535, 256),
                            Rk(65535, 255, (uint32_t(9) << 2) | 2), DbCell()});
    const Bytes stream = Stream(
        Bof(0x0005), {},
        {{"full", 0, Sheet(full)}, {"one", 0, Sheet(OneCell(1))}, {"two", 0, Sheet(OneCell(2))}});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream)) << file.FailureText();
    ASSERT_EQ(file.SheetCount(), 3);
    const ExcelSheet& s = *file.SheetAt(0);
    EXPECT_EQ(s.RowCount(), 65536);
    EXPECT_EQ(s.ColumnCount(), 256);
    EXPECT_EQ(s.Cell(65535, 255).AsInteger(), 9);
    EXPECT_EQ(s.Cell(30000, 100).Kind(), CellKind::Empty);
    EXPECT_EQ(file.FindSheet("two")->Cell(0, 0).AsInteger(), 2);
}

// ---- substreams that are not worksheets ----

TEST(RealWorldSubstreamTest, SheetsAfterChartMacroModuleAndDialogSheetsAreRead) {
    const Bytes chart = Cat({Bof(0x0020), Rec(0x1001, {1, 0}), Bof(0x0020), Eof(), Eof()});
    const Bytes macro = Cat({Bof(0x0040), Rec(0x0006, Bytes(22, 0)), Eof()});
    const Bytes module = Cat({Bof(0x0006), Eof()});
    const Bytes dialog = Cat({Bof(0x0010), Rec(0x0081, {0x10, 0x00}), Eof()});
    const Bytes stream = Stream(Bof(0x0005), {},
                                {{"first", 0, Sheet(OneCell(1))},
                                 {"chart", 2, chart},
                                 {"macro", 1, macro},
                                 {"module", 6, module},
                                 {"dialog", 0, dialog},
                                 {"last", 0, Sheet(OneCell(2))}});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream)) << file.FailureText();
    ASSERT_EQ(file.SheetCount(), 2);
    EXPECT_EQ(file.FindSheet("first")->Cell(0, 0).AsInteger(), 1);
    EXPECT_EQ(file.FindSheet("last")->Cell(0, 0).AsInteger(), 2);
    EXPECT_EQ(file.FindSheet("chart"), nullptr);
    EXPECT_EQ(file.FindSheet("dialog"), nullptr);
    EXPECT_EQ(file.SheetBound(1)->m_name.m_str, "last");
    // Writing would name the sheets wrongly: refused, and the file stays as it was.
    std::string path = WriteContainer("substreams", {{u"Workbook", 2, stream}});
    std::vector<uint8_t> before;
    ASSERT_TRUE(kovra::ReadWholeFile(path, before));
    ExcelFile opened;
    ASSERT_TRUE(opened.OpenFile(path));
    opened.FindSheet("last")->CellAt(0, 0)->PutInteger(5);
    EXPECT_FALSE(opened.WriteBack());
    std::vector<uint8_t> after;
    ASSERT_TRUE(kovra::ReadWholeFile(path, after));
    EXPECT_EQ(after, before);
}

TEST(RealWorldSubstreamTest, WrongPositionsFallBackToTheOrderOfTheWorksheets) {
    Bytes stream =
        Stream(Bof(0x0005), {}, {{"a", 0, Sheet(OneCell(1))}, {"b", 0, Sheet(OneCell(2))}});
    // Both BOUNDSHEETs point one byte off.
    for (const RecordAt& r : Records(stream))
        if (r.code == 0x0085) ++stream[r.pos + 4];
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(stream));
    EXPECT_EQ(file.FindSheet("a")->Cell(0, 0).AsInteger(), 1);
    EXPECT_EQ(file.FindSheet("b")->Cell(0, 0).AsInteger(), 2);
    Bytes out;
    EXPECT_FALSE(file.SerializeStream(out));
}

// ---- cells that were lost ----

TEST(RealWorldCellTest, LabelsReadAsTextAndAreWrittenAsSharedStrings) {
    const Bytes body = Cat({Row(0, 4), Label(0, 0, u"plain", false),
                            Label(0, 1, u"\u0416\u0438\u0437\u043D\u044C", true),
                            Label(0, 2, u"", false), Rk(0, 3, 6), DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(Stream(Bof(0x0005), {}, {{"data", 0, Sheet(body)}})));
    const ExcelSheet& s = *file.SheetAt(0);
    EXPECT_EQ(s.Cell(0, 0).Kind(), CellKind::Text);
    EXPECT_STREQ(s.Cell(0, 0).AsText(), "plain");
    EXPECT_EQ(s.Cell(0, 1).Kind(), CellKind::WideText);
    EXPECT_EQ(std::u16string(s.Cell(0, 1).AsWideText()), u"\u0416\u0438\u0437\u043D\u044C");
    EXPECT_EQ(s.Cell(0, 2).Kind(), CellKind::Empty);
    EXPECT_EQ(s.Cell(0, 2).XF(), 15);

    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    int labels = 0, sharedLabels = 0;
    for (const RecordAt& r : Records(out)) {
        labels += r.code == 0x0204;
        sharedLabels += r.code == 0x00FD;
    }
    EXPECT_EQ(labels, 0);
    EXPECT_EQ(sharedLabels, 2);
    ExcelFile back;
    ASSERT_TRUE(back.LoadFromStream(out));
    EXPECT_STREQ(back.SheetAt(0)->Cell(0, 0).AsText(), "plain");
    EXPECT_EQ(back.SheetAt(0)->Cell(0, 1).Kind(), CellKind::WideText);
}

TEST(RealWorldCellTest, FormulaResultsOfEveryKind) {
    const Bytes body = Cat({Row(0, 7), Formula(0, 0, 1, 1),  // TRUE
                            Formula(0, 1, 1, 0),             // FALSE
                            Formula(0, 2, 2, 0x07),          // #DIV/0!
                            Formula(0, 3, 3, 0),             // ""
                            Formula(0, 4, 0, 0), Table(), String("from a table"),
                            NumberFormula(0, 5, 2.5, 0x0406),  // the older FORMULA code
                            Formula(0, 6, 0, 0), String("plain"), DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(Stream(Bof(0x0005), {}, {{"data", 0, Sheet(body)}})));
    const ExcelSheet& s = *file.SheetAt(0);
    for (int c = 0; c < 7; ++c) ASSERT_EQ(s.Cell(0, c).Kind(), CellKind::Formula) << c;
    EXPECT_EQ(s.Cell(0, 0).Formula()->Result(), FormulaResult::Boolean);
    EXPECT_EQ(s.Cell(0, 0).AsInteger(), 1);
    EXPECT_EQ(s.Cell(0, 0).AsDouble(), 1.0);
    EXPECT_EQ(s.Cell(0, 1).AsInteger(), 0);
    EXPECT_EQ(s.Cell(0, 2).Formula()->Result(), FormulaResult::Error);
    EXPECT_EQ(s.Cell(0, 2).Formula()->ErrorCode(), 0x07);
    EXPECT_EQ(s.Cell(0, 2).AsInteger(), 0);
    EXPECT_EQ(s.Cell(0, 3).Formula()->Result(), FormulaResult::EmptyString);
    EXPECT_STREQ(s.Cell(0, 3).AsText(), "");
    EXPECT_EQ(s.Cell(0, 4).Formula()->m_nAttachedCode, 0x0236);
    EXPECT_STREQ(s.Cell(0, 4).AsText(), "from a table");
    EXPECT_EQ(s.Cell(0, 5).AsDouble(), 2.5);
    EXPECT_STREQ(s.Cell(0, 6).AsText(), "plain");

    // Written back: FORMULA under its own code, the TABLE and STRING after it.
    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    std::vector<uint16_t> codes;
    for (const RecordAt& r : Records(out))
        if (r.code == 0x0006 || r.code == 0x0406 || r.code == 0x0236 || r.code == 0x0207)
            codes.push_back(r.code);
    EXPECT_EQ(codes, (std::vector<uint16_t>{6, 6, 6, 6, 6, 0x0236, 0x0207, 6, 6, 0x0207}));
    ExcelFile back;
    ASSERT_TRUE(back.LoadFromStream(out));
    EXPECT_EQ(back.SheetAt(0)->Cell(0, 0).AsInteger(), 1);
    EXPECT_STREQ(back.SheetAt(0)->Cell(0, 4).AsText(), "from a table");
    EXPECT_EQ(back.SheetAt(0)->Cell(0, 5).AsDouble(), 2.5);
}

// ---- why a file is refused ----

TEST(RealWorldRefusalTest, EachRefusalNamesItsReason) {
    const std::string dir = "refusals";
    Bytes biff5 = kGood;
    biff5[5] = 0x05;  // BOF version 0x0500
    Bytes tooShortCell = Stream(
        Bof(0x0005), {}, {{"data", 0, Sheet(Cat({Row(0), Rec(0x027E, {0, 0, 0}), DbCell()}))}});
    const size_t badAt = Records(tooShortCell)[5].pos;  // BOF, BOUNDSHEET, EOF, BOF, ROW, RK
    struct {
        const char* what;
        std::string path;
        OpenFailure failure;
        std::string text;
    } cases[] = {
        {"missing", kovra_test::TempDir(dir + "0") + "/none.xls", OpenFailure::CannotOpen,
         "the file cannot be opened"},
        {"text file", kovra_test::DataPath("make_fixtures.sh"), OpenFailure::NotCompoundDocument,
         "not a compound document"},
        {"no workbook", WriteContainer(dir + "1", {{u"Other", 2, kGood}}),
         OpenFailure::NoWorkbookStream, "no workbook stream in the file"},
        {"Excel 5.0 stream", WriteContainer(dir + "2", {{u"Book", 2, biff5}}),
         OpenFailure::OldFormat, "Excel 5.0/95 workbooks are not supported"},
        {"Excel 5.0 BOF", WriteContainer(dir + "3", {{u"Workbook", 2, biff5}}),
         OpenFailure::OldFormat, "Excel 5.0/95 workbooks are not supported"},
        {"BIFF4 BOF",
         WriteContainer(dir + "4", {{u"Workbook", 2, Cat({Rec(0x0409, Bytes(6, 0)), Eof()})}}),
         OpenFailure::OldFormat, "Excel 5.0/95 workbooks are not supported"},
        {"encrypted",
         WriteContainer(dir + "5", {{u"Workbook", 2,
                                     Stream(Bof(0x0005), Rec(0x002F, Bytes(54, 0)),
                                            {{"data", 0, Sheet(OneCell(6))}})}}),
         OpenFailure::Encrypted, "the workbook is encrypted"},
        {"damaged", WriteContainer(dir + "6", {{u"Workbook", 2, tooShortCell}}),
         OpenFailure::Damaged, "damaged: record 0x027E at offset " + std::to_string(badAt)},
        {"short BOF", WriteContainer(dir + "7", {{u"Workbook", 2, Cat({Bof(0x0005, 6), Eof()})}}),
         OpenFailure::Damaged, "damaged: record 0x0809 at offset 0"},
    };
    for (const auto& c : cases) {
        ExcelFile file;
        EXPECT_FALSE(file.OpenFile(c.path)) << c.what;
        EXPECT_EQ(file.Failure(), c.failure) << c.what;
        EXPECT_EQ(file.FailureText(), c.text) << c.what;
        EXPECT_EQ(file.SheetCount(), 0) << c.what;
    }
    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(WriteContainer(dir + "8", {{u"Workbook", 2, kGood}})));
    EXPECT_EQ(file.Failure(), OpenFailure::None);
    EXPECT_EQ(file.FailureText(), "");
}

// ---- memory follows the cells ----

TEST(ExcelSheetSparseTest, FarCellsMakeOnlyTheirRows) {
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(kGood));
    ExcelSheet& s = *file.SheetAt(0);
    ExcelCell* far = s.CellAt(65535, 255);
    ASSERT_NE(far, nullptr);
    far->PutInteger(4);
    EXPECT_EQ(s.RowCount(), 65536);
    EXPECT_EQ(s.ColumnCount(), 256);
    EXPECT_EQ(s.Cell(0, 0).AsInteger(), 6);  // the first row kept its cell when the grid grew
    EXPECT_EQ(s.Cell(65535, 255).AsInteger(), 4);
    EXPECT_EQ(s.Cell(1000, 7).Kind(), CellKind::Empty);
    EXPECT_EQ(s.Cell(70000, 0).Kind(), CellKind::Empty);
    EXPECT_EQ(s.PeekCell(65536, 0), nullptr);
    // Clearing where no cell exists is fine and makes none.
    EXPECT_TRUE(s.ClearCell(20, 20));
    EXPECT_FALSE(s.ClearCell(20, 256));
    // A cell of a row stays where it is while other cells of the row are written.
    ExcelCell* first = s.PeekCell(500, 1);
    first->PutInteger(10);
    s.PeekCell(500, 200)->PutInteger(11);
    EXPECT_EQ(first->AsInteger(), 10);
    EXPECT_EQ(s.Cell(500, 200).AsInteger(), 11);
}

TEST(ExcelSheetSparseTest, ShortRowsWriteBackAsTheDenseGridDid) {
    // Rows of different lengths, a formatted blank inside the area and one beyond it.
    const Bytes body = Cat({Row(0, 3), Rk(0, 0, 6), Rk(0, 2, 10), Row(1, 1), Blank(1, 0, 21),
                            Row(3, 9), Rk(3, 1, 14), Blank(3, 8, 22), DbCell()});
    ExcelFile file;
    ASSERT_TRUE(file.LoadFromStream(Stream(Bof(0x0005), {}, {{"data", 0, Sheet(body)}})));
    const ExcelSheet& s = *file.SheetAt(0);
    EXPECT_EQ(s.RowCount(), 4);
    EXPECT_EQ(s.ColumnCount(), 3);
    EXPECT_EQ(s.Cell(1, 0).XF(), 21);
    EXPECT_EQ(s.Cell(3, 8).Kind(), CellKind::Empty);
    Bytes out;
    ASSERT_TRUE(file.SerializeStream(out));
    // Every cell of the 4 × 3 grid is written: values as RK/MULRK, the others as BLANK.
    int blanks = 0, rks = 0;
    for (const RecordAt& r : Records(out)) {
        blanks += r.code == 0x0201;
        rks += r.code == 0x027E;
    }
    EXPECT_EQ(rks, 3);
    EXPECT_EQ(blanks, 12 - 3);
}
