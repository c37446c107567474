// The workbook as the rest of the system sees it: sheets found by name, cells as a grid of
// typed values, written back into the file it came from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/container.h"
#include "spreadsheet/zexcel_workbook.h"
#include "spreadsheet/zexcel_worksheet.h"

enum class CellKind : int32_t {
    Empty = 0,
    Integer = 1,
    Double = 2,
    Text = 3,
    WideText = 4,
    Formula = 5,
};

// Why OpenFile refused a file.
enum class OpenFailure : int32_t {
    None = 0,
    CannotOpen = 1,           // the file cannot be opened for reading
    NotCompoundDocument = 2,  // not a compound document (or one too damaged to read)
    NoWorkbookStream = 3,     // a compound document without a "Workbook" stream
    OldFormat = 4,            // Excel 5.0/95 or older
    Encrypted = 5,            // protected by a password (FILEPASS in the globals)
    Damaged = 6,              // records that cannot be read
};

// What the cached result of a formula is.
enum class FormulaResult : int32_t {
    Number = 0,
    String = 1,       // the text follows in a STRING record
    Boolean = 2,      // 0 or 1, read like a BOOLERR boolean
    Error = 3,        // an error code such as #DIV/0!
    EmptyString = 4,  // a string result without characters (no STRING record)
    Unknown = 5,      // a result type this library does not know
};

// What a formula cell carries from reading to writing. Shared by copies of its cell.
class CellFormula {
public:
    int32_t m_nAttachedCode = -1;  // record attached to the FORMULA, or -1
    std::vector<uint8_t> m_tokens;
    uint8_t m_result[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    bool m_bHasString = false;  // a STRING record held the cached result
    std::u16string m_strWide;
    std::string m_strText;
    // The attached shared formula (0x04BC).
    uint16_t m_nSharedFirstRow = 0, m_nSharedLastRow = 0;
    uint8_t m_nSharedFirstColumn = 0, m_nSharedLastColumn = 0;
    uint16_t m_nSharedReserved = 0;
    std::vector<uint8_t> m_sharedTokens;
    // Any other attached record (TABLE, ARRAY, 0x00BC) is carried as its data bytes and
    // written back unchanged, so the tokens that refer to it stay valid.
    std::vector<uint8_t> m_attachedData;

    // Bytes 6 and 7 both 0xFF mark a string, boolean, error or empty result.
    bool IsNumber() const { return !(m_result[6] == 0xFF && m_result[7] == 0xFF); }
    double Number() const;
    // Byte 0 tells the kind of a result that is not a number; byte 2 holds a boolean's
    // value or an error's code.
    FormulaResult Result() const;
    int32_t BooleanValue() const { return m_result[2] ? 1 : 0; }
    uint8_t ErrorCode() const { return m_result[2]; }

private:
    friend class ExcelCell;
    uint32_t m_nRefs = 0;
};

// One cell in 16 bytes: kind, XF, merge spans and the value; texts and formulas live in
// reference-counted blocks shared by copies (and, for shared strings, by every cell that
// shows the same string).
class ExcelCell {
public:
    ExcelCell() { m_v.d = 0; }
    ExcelCell(const ExcelCell& other);
    ExcelCell(ExcelCell&& other) noexcept;
    ExcelCell& operator=(const ExcelCell& other);
    ExcelCell& operator=(ExcelCell&& other) noexcept;
    ~ExcelCell() { Release(); }

    CellKind Kind() const { return CellKind(m_nKind); }
    int32_t AsInteger() const;
    double AsDouble() const;
    // Valid until the cell changes.
    const char* AsText() const;
    const char16_t* AsWideText() const;
    // The whole text of a Text or WideText cell, NUL bytes included; empty otherwise.
    std::string_view TextView() const;
    std::u16string_view WideTextView() const;

    void PutInteger(int32_t value);
    void PutDouble(double value);
    // An empty text clears the cell.
    void PutText(const char* text);
    void PutWideText(const char16_t* text);
    void Clear();

    // Above 1 on the top-left cell of a merged range.
    uint16_t MergeRowSpan() const { return m_nRowSpan; }
    uint16_t MergeColumnSpan() const { return m_nColumnSpan; }
    void SetMergeSpan(uint16_t rows, uint16_t columns) {
        m_nRowSpan = rows;
        m_nColumnSpan = columns;
    }
    uint16_t XF() const { return m_nXF; }
    void SetXF(uint16_t xf) { m_nXF = xf; }
    const CellFormula* Formula() const {
        return Kind() == CellKind::Formula ? m_v.formula : nullptr;
    }
    // Makes the cell a formula cell holding formula (shared with whoever else holds it).
    void PutFormula(CellFormula* formula);

    struct Text;  // a text block: 8-bit bytes or UTF-16 units, NUL-terminated
    // Makes the cell hold text (Text or WideText kind by its form), shared.
    void PutSharedText(Text* text, bool wide);
    static Text* NewText(const char* bytes, size_t n);
    static Text* NewWideText(const char16_t* units, size_t n);
    static void ReleaseText(Text* text);

private:
    void Release();
    void Retain();

    uint8_t m_nKind = 0;
    uint16_t m_nXF = 0;
    uint16_t m_nRowSpan = 1;
    uint16_t m_nColumnSpan = 1;
    union {
        int32_t i;
        double d;
        Text* text;
        CellFormula* formula;
    } m_v;
};

class ExcelFile;

// One worksheet as a grid of rows × columns. Memory follows the cells present: a row has
// cells only up to its last one, and none before a cell of it exists, so a sheet with a few
// far-apart cells stays small.
class ExcelSheet {
public:
    static constexpr int32_t kMaxRows = 65536;
    static constexpr int32_t kMaxColumns = 256;

    int32_t RowCount() const { return m_nRows; }
    int32_t ColumnCount() const { return m_nColumns; }
    // Any cell, for reading: an empty cell where none exists or outside the grid. The
    // reference is valid until the sheet next changes. Inline: readers call it per cell.
    const ExcelCell& Cell(int32_t row, int32_t column) const {
        if (uint32_t(row) >= uint32_t(m_nRows) || uint32_t(column) >= uint32_t(m_nColumns))
            return s_empty;
        const RowCells& cells = m_rows[size_t(row)];
        return uint32_t(column) < cells.m_nCount ? cells.m_p[column] : s_empty;
    }
    // Grows the grid to reach the cell; null beyond 65535 rows or 255 columns.
    ExcelCell* CellAt(int32_t row, int32_t column);
    // Null outside the current grid; never grows it. The cell is made, for writing, when it
    // does not exist yet: readers use Cell.
    ExcelCell* PeekCell(int32_t row, int32_t column);
    bool ClearCell(int32_t row, int32_t column);
    int Index() const { return m_nIndex; }

    // The sheet's column settings, written back unchanged.
    std::vector<ZExcel::Worksheet::ColInfo> m_colInfos;

private:
    friend class ExcelFile;
    // The cells of one row: columns 0 … m_nCount − 1, none before a cell of it exists. They
    // live in the sheet's load block or, once the row was written, in a block of its own.
    struct RowCells {
        ExcelCell* m_p = nullptr;
        uint32_t m_nCount = 0;
        std::unique_ptr<ExcelCell[]> m_pOwn;
    };

    ExcelSheet(ExcelFile* file, int index) : m_pFile(file), m_nIndex(index) {}
    void Resize(int32_t rows, int32_t columns);
    // Gives every row its cells at load, widths[r] of them, all from one block.
    void MakeRows(const std::vector<uint16_t>& widths);
    // The cell inside the grid, its row made full width when it is shorter.
    ExcelCell& Touch(int32_t row, int32_t column);

    ExcelFile* m_pFile;
    int m_nIndex;
    int32_t m_nRows = 0;
    int32_t m_nColumns = 0;
    // Loading sizes a row to its last cell, in one block for the whole sheet; writing
    // through CellAt or PeekCell moves a shorter row into a block of its own, full width,
    // so cell pointers of a row do not move while the grid keeps its width.
    std::vector<RowCells> m_rows;
    std::unique_ptr<ExcelCell[]> m_pLoaded;  // the load block
    static const ExcelCell s_empty;          // what Cell gives where no cell exists
};

class ExcelFile {
public:
    explicit ExcelFile(ContainerBinding binding = ContainerBinding::Own);
    ~ExcelFile();
    ExcelFile(const ExcelFile&) = delete;
    ExcelFile& operator=(const ExcelFile&) = delete;

    // Opens an existing workbook and loads it; the file stays open until the object is
    // destroyed or reopened. False for anything that is not a readable workbook, with the
    // reason in Failure() and FailureText().
    bool OpenFile(const std::string& path);
    bool OpenFile(const std::wstring& path);
    OpenFailure Failure() const { return m_failure; }
    // A short English text for the user: "the workbook is encrypted", "damaged: record
    // 0x00FC at offset 1234"; empty after a successful open.
    std::string FailureText() const;
    // Writes the workbook back into the "Workbook" stream of the open file. False, with the
    // file untouched, when nothing is open or the workbook cannot be written faithfully.
    bool WriteBack();

    int SheetCount() const { return int(m_sheets.size()); }
    ExcelSheet* SheetAt(int index);
    // The BOUNDSHEET that names worksheet index: the one whose stream position is the
    // sheet's, so chart and macro sheets between them do not shift the names. Null when no
    // BOUNDSHEET is left for it.
    const ZExcel::Workbook::BoundSheet* SheetBound(int index) const;
    // By 8-bit name, exact; sheets whose names are stored in 16 bits are never found.
    ExcelSheet* FindSheet(const char* name);
    // The globals as read; the BOUNDSHEET of a sheet is SheetBound's, as chart and macro
    // sheets have BOUNDSHEETs too.
    const ZExcel::Workbook& Globals() const { return m_workbook; }

    // A sheet's grid is at most 65536 × 256; memory follows the cells present, so no
    // workbook is refused for its sheets' sizes. Tools that must stay fast (the fuzz target)
    // may refuse sheets whose grid is larger than this.
    static constexpr size_t kMaxGridCells = size_t(65536) * 256;
    size_t m_nGridLimit = kMaxGridCells;

    // The stream-level halves of OpenFile and WriteBack, for tests, fuzzing and benchmarks.
    // False for a stream that is not a readable workbook, with the reason in Failure().
    bool LoadFromStream(const uint8_t* data, size_t size);
    bool LoadFromStream(const std::vector<uint8_t>& bytes) {
        return LoadFromStream(bytes.data(), bytes.size());
    }
    bool SerializeStream(std::vector<uint8_t>& out);

private:
    template <typename Path>
    bool Open(const Path& path);
    void Unload();
    void BuildSheet(ExcelSheet& sheet, ZExcel::Worksheet& ws, int32_t rows, int32_t columns,
                    const std::vector<uint16_t>& rowWidths,
                    std::vector<ExcelCell::Text*>& sstTexts);
    void RebuildWorksheets();
    bool Serialize(std::vector<uint8_t>& out);

    ContainerBinding m_binding;
    std::unique_ptr<WorkbookContainer> m_pContainer;
    ZExcel::Workbook m_workbook;
    std::vector<ZExcel::Worksheet> m_worksheets;
    std::vector<std::unique_ptr<ExcelSheet>> m_sheets;
    // Index of each sheet's BOUNDSHEET, or -1.
    std::vector<int> m_sheetBound;
    // True when BoundSheet i describes worksheet i for every sheet, which WriteBack needs.
    bool m_bSheetsMatch = true;
    OpenFailure m_failure = OpenFailure::None;
    // Where the stream could not be read (Damaged); kNoOffset when the container could not
    // read the stream at all.
    static constexpr size_t kNoOffset = ~size_t(0);
    size_t m_nFailureOffset = 0;
    uint16_t m_nFailureCode = 0;
};
