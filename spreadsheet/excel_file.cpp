// Loading a workbook stream into sheets of cells, and turning the cells back into records.
#include "spreadsheet/excel_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

#include "base/byte_order.h"
#include "spreadsheet/zexcel_stream.h"

using namespace ZExcel;
using kovra::LoadLE16;
using kovra::LoadLE32;
using kovra::LoadLE64;

ExcelFile::ExcelFile(ContainerBinding binding) : m_binding(binding) {}

ExcelFile::~ExcelFile() {
    m_sheets.clear();
    if (m_pContainer) m_pContainer->Close();
}

ExcelSheet* ExcelFile::SheetAt(int index) {
    if (index < 0 || index >= SheetCount()) return nullptr;
    return m_sheets[size_t(index)].get();
}

const Workbook::BoundSheet* ExcelFile::SheetBound(int index) const {
    if (index < 0 || size_t(index) >= m_sheetBound.size() || m_sheetBound[size_t(index)] < 0)
        return nullptr;
    return &m_workbook.m_boundSheets[size_t(m_sheetBound[size_t(index)])];
}

ExcelSheet* ExcelFile::FindSheet(const char* name) {
    if (!name) return nullptr;
    size_t n = std::strlen(name);
    for (int i = 0; i < SheetCount(); ++i) {
        const Workbook::BoundSheet* bound = SheetBound(i);
        if (!bound) continue;
        const ShortText& s = bound->m_name;
        if (s.IsWide()) continue;
        if (s.m_str.size() == n && std::memcmp(s.m_str.data(), name, n) == 0)
            return m_sheets[size_t(i)].get();
    }
    return nullptr;
}

std::string ExcelFile::FailureText() const {
    switch (m_failure) {
        case OpenFailure::None:
            return std::string();
        case OpenFailure::CannotOpen:
            return "the file cannot be opened";
        case OpenFailure::NotCompoundDocument:
            return "not a compound document";
        case OpenFailure::NoWorkbookStream:
            return "no workbook stream in the file";
        case OpenFailure::OldFormat:
            return "Excel 5.0/95 workbooks are not supported";
        case OpenFailure::Encrypted:
            return "the workbook is encrypted";
        case OpenFailure::Damaged: {
            if (m_nFailureOffset == kNoOffset) return "damaged: the workbook stream cannot be read";
            char text[64];
            std::snprintf(text, sizeof text, "damaged: record 0x%04X at offset %llu",
                          unsigned(m_nFailureCode), static_cast<unsigned long long>(m_nFailureOffset));
            return text;
        }
    }
    return "unknown failure";
}

void ExcelFile::Unload() {
    m_sheets.clear();
    m_sheetBound.clear();
    m_worksheets.clear();
    m_workbook.Reset();
    m_bSheetsMatch = true;
}

// ---- loading ----

namespace {

// Data bytes of a record viewed in the stream (after its 4-byte header).
struct View {
    uint16_t code;
    const uint8_t* d;
    size_t n;
};

View Decode(uint16_t code, ByteSpan record) {
    return View{code, record.p + 4, LoadLE16(record.p + 2)};
}

// Last column a cell record fills with a value, or -1 when it holds none (blanks).
int32_t LastValueColumn(const View& v) {
    switch (v.code) {
        case CODE_BLANK:
        case CODE_MULBLANK:
            return -1;
        case CODE_MULRK: {
            size_t entries = (v.n - 6) / 6;
            return entries ? int32_t(LoadLE16(v.d + 2) + entries - 1) : -1;
        }
        default:
            return LoadLE16(v.d + 2);
    }
}

void PutRK(ExcelCell& cell, uint32_t rk) {
    bool isInteger;
    int32_t integer = 0;
    double d = DecodeRK(rk, &isInteger, &integer);
    if (isInteger)
        cell.PutInteger(integer);
    else
        cell.PutDouble(d);
}

// A LABEL's text (BIFF8: 16-bit count, flags, characters) as a shared text block, or null
// when it is empty or does not decode.
ExcelCell::Text* LabelText(ByteSpan record, bool& wide) {
    Record r;
    if (r.Read(record) == 0 || r.m_data.size() < 9) return nullptr;
    UnicodeText t;
    size_t pos = 6;
    if (!t.Read(r.m_data.data(), r.m_data.size(), pos, &r.m_continueOffsets) || t.Length() == 0)
        return nullptr;
    wide = t.IsWide();
    return wide ? ExcelCell::NewWideText(t.m_wstr.data(), t.m_wstr.size())
                : ExcelCell::NewText(t.m_str.data(), t.m_str.size());
}

CellFormula* MakeFormula(CellBlock::Formula& f) {
    CellFormula* cf = new CellFormula;
    cf->m_nAttachedCode = f.m_nAttachedCode;
    cf->m_tokens = std::move(f.m_tokens);
    std::memcpy(cf->m_result, f.m_result, 8);
    if (f.m_bHasString) {
        cf->m_bHasString = true;
        cf->m_strWide = f.m_string.m_wstr;
        cf->m_strText = Narrow(cf->m_strWide);
    }
    if (f.m_nAttachedCode == CODE_SHRFMLA) {
        const auto& s = f.m_shrFmla1;
        cf->m_nSharedFirstRow = s.m_nFirstRow;
        cf->m_nSharedLastRow = s.m_nLastRow;
        cf->m_nSharedFirstColumn = s.m_nFirstColumn;
        cf->m_nSharedLastColumn = s.m_nLastColumn;
        cf->m_nSharedReserved = s.m_nReserved;
        cf->m_sharedTokens = s.m_tokens;
    } else if (Record* a = f.Attached()) {
        // Kept as the record's data, encoded from what was read (never longer than a record).
        std::vector<uint8_t> rec;
        a->Write(rec);
        cf->m_attachedData.assign(rec.begin() + 4, rec.end());
    }
    return cf;
}

}  // namespace

namespace {

// The area that holds values; formatted blanks beyond it are dropped. At least one cell.
// widths receives, per row of that area, the columns up to its last cell inside the area
// (blanks included), so that each row is made once at its final size.
void GridSize(Worksheet& ws, int32_t& rows, int32_t& columns, std::vector<uint16_t>& widths) {
    rows = 1;
    columns = 1;
    widths.assign(size_t(ExcelSheet::kMaxRows), 0);
    uint16_t code;
    ByteSpan record;
    for (RowBlock& block : ws.m_cellTable.m_blocks) {
        for (RowBlock::CellWalker cells(block.m_view); cells.Next(code, record);) {
            View v = Decode(code, record);
            const uint16_t row = LoadLE16(v.d);
            int32_t end;  // one past the last column the record covers
            if (v.code == CODE_MULRK || v.code == CODE_MULBLANK) {
                size_t entries = (v.n - 6) / (v.code == CODE_MULRK ? 6 : 2);
                end = int32_t(LoadLE16(v.d + 2) + entries);
            } else {
                end = LoadLE16(v.d + 2) + 1;
            }
            end = std::min(end, ExcelSheet::kMaxColumns);
            widths[row] = uint16_t(std::max<int32_t>(widths[row], end));
            int32_t last = LastValueColumn(v);
            if (last < 0) continue;
            rows = std::max<int32_t>(rows, row + 1);
            columns = std::max<int32_t>(columns, std::min(last + 1, ExcelSheet::kMaxColumns));
        }
    }
    widths.resize(size_t(rows));
    for (uint16_t& w : widths) w = uint16_t(std::min<int32_t>(w, columns));
}

}  // namespace

void ExcelFile::BuildSheet(ExcelSheet& sheet, Worksheet& ws, int32_t rows, int32_t columns,
                           const std::vector<uint16_t>& rowWidths,
                           std::vector<ExcelCell::Text*>& sstTexts) {
    sheet.Resize(rows, columns);
    sheet.MakeRows(rowWidths);
    // Cells of the area, in the rows made above: records never reach past them.
    auto at = [&sheet](int32_t row, int32_t column) -> ExcelCell* {
        if (row >= sheet.m_nRows) return nullptr;
        ExcelSheet::RowCells& cells = sheet.m_rows[size_t(row)];
        return uint32_t(column) < cells.m_nCount ? &cells.m_p[column] : nullptr;
    };

    const auto& strings = m_workbook.m_sst.m_strings;
    uint16_t code;
    ByteSpan record;
    for (RowBlock& block : ws.m_cellTable.m_blocks) {
        for (RowBlock::CellWalker cells(block.m_view); cells.Next(code, record);) {
            View v = Decode(code, record);
            int32_t row = LoadLE16(v.d), column = LoadLE16(v.d + 2);
            if (v.code == CODE_MULRK || v.code == CODE_MULBLANK) {
                size_t width = v.code == CODE_MULRK ? 6 : 2;
                size_t entries = (v.n - 6) / width;
                for (size_t k = 0; k < entries; ++k) {
                    ExcelCell* cell = at(row, column + int32_t(k));
                    if (!cell) continue;
                    const uint8_t* e = v.d + 4 + width * k;
                    if (v.code == CODE_MULRK) PutRK(*cell, LoadLE32(e + 2));
                    cell->SetXF(LoadLE16(e));
                }
                continue;
            }
            ExcelCell* cell = at(row, column);
            if (!cell) continue;
            switch (v.code) {
                case CODE_NUMBER: {
                    uint64_t bits = LoadLE64(v.d + 6);
                    double d;
                    std::memcpy(&d, &bits, 8);
                    cell->PutDouble(d);
                    break;
                }
                case CODE_RK:
                    PutRK(*cell, LoadLE32(v.d + 6));
                    break;
                case CODE_LABELSST: {
                    // An index beyond the shared strings leaves the cell empty.
                    uint32_t index = LoadLE32(v.d + 6);
                    if (index >= strings.size()) break;
                    const UnicodeText& s = strings[index];
                    if (!sstTexts[index])
                        sstTexts[index] =
                            s.IsWide() ? ExcelCell::NewWideText(s.m_wstr.data(), s.m_wstr.size())
                                       : ExcelCell::NewText(s.m_str.data(), s.m_str.size());
                    if (s.Length() == 0)
                        cell->Clear();
                    else
                        cell->PutSharedText(sstTexts[index], s.IsWide());
                    break;
                }
                case CODE_LABEL: {
                    // Inline text, as older writers store it: the same cell a shared string
                    // would make.
                    bool wide = false;
                    ExcelCell::Text* text = LabelText(record, wide);
                    if (!text) {
                        cell->Clear();
                        break;
                    }
                    cell->PutSharedText(text, wide);
                    ExcelCell::ReleaseText(text);
                    break;
                }
                case CODE_BOOLERR:
                    if (v.d[7] == 0) cell->PutInteger(v.d[6] ? 1 : 0);
                    break;
                case CODE_FORMULA_OLD:
                case CODE_FORMULA: {
                    CellBlock::Formula f;
                    if (f.Read(record) == 0) break;
                    cell->PutFormula(MakeFormula(f));
                    break;
                }
                default:
                    break;  // BLANK: no value
            }
            cell->SetXF(LoadLE16(v.d + 4));
        }
    }

    for (const auto& m : ws.m_mergedCells.m_ranges) {
        ExcelCell* cell = sheet.PeekCell(m.m_nFirstRow, m.m_nFirstColumn);
        if (cell)
            cell->SetMergeSpan(uint16_t(m.m_nLastRow - m.m_nFirstRow + 1),
                               uint16_t(m.m_nLastColumn - m.m_nFirstColumn + 1));
    }
    sheet.m_colInfos.assign(ws.m_colInfos.begin(), ws.m_colInfos.end());
}

bool ExcelFile::LoadFromStream(const uint8_t* data, size_t size) {
    Unload();
    m_failure = OpenFailure::None;
    std::vector<uint32_t> positions;
    size_t parsed = 0;
    StreamFailure failure;
    try {
        parsed = ParseStream(ByteSpan{data, size}, m_workbook, m_worksheets, positions, &failure);
    } catch (const std::bad_alloc&) {
        parsed = 0;
        failure.m_kind = StreamFailure::Damaged;
    }
    if (parsed == 0) {
        Unload();
        switch (failure.m_kind) {
            case StreamFailure::OldFormat:
                m_failure = OpenFailure::OldFormat;
                break;
            case StreamFailure::Encrypted:
                m_failure = OpenFailure::Encrypted;
                break;
            default:
                m_failure = OpenFailure::Damaged;
                m_nFailureOffset = failure.m_nOffset;
                m_nFailureCode = failure.m_nCode;
                break;
        }
        return false;
    }
    // Each worksheet gets the BOUNDSHEET that points at its BOF; one that points nowhere
    // (a writer that left the positions wrong) the next unused worksheet BOUNDSHEET in order.
    const auto& bound = m_workbook.m_boundSheets;
    m_sheetBound.assign(m_worksheets.size(), -1);
    std::vector<bool> used(bound.size(), false);
    for (size_t i = 0; i < m_worksheets.size(); ++i) {
        for (size_t j = 0; j < bound.size(); ++j) {
            if (!used[j] && bound[j].m_nPosition == positions[i]) {
                m_sheetBound[i] = int(j);
                used[j] = true;
                break;
            }
        }
    }
    for (size_t i = 0, j = 0; i < m_worksheets.size(); ++i) {
        if (m_sheetBound[i] >= 0) continue;
        while (j < bound.size() && (used[j] || bound[j].m_nType != 0)) ++j;
        if (j == bound.size()) break;
        m_sheetBound[i] = int(j);
        used[j] = true;
    }
    // WriteBack writes BoundSheet i for sheet i: only a workbook of worksheets alone, each
    // named at its own position, comes back faithfully.
    m_bSheetsMatch = bound.size() == m_worksheets.size();
    for (size_t i = 0; m_bSheetsMatch && i < bound.size(); ++i)
        m_bSheetsMatch = bound[i].m_nType == 0 && bound[i].m_nPosition == positions[i];

    std::vector<std::pair<int32_t, int32_t>> sizes(m_worksheets.size());
    std::vector<std::vector<uint16_t>> widths(m_worksheets.size());
    for (size_t i = 0; i < m_worksheets.size(); ++i) {
        GridSize(m_worksheets[i], sizes[i].first, sizes[i].second, widths[i]);
        if (uint64_t(sizes[i].first) * uint64_t(sizes[i].second) > m_nGridLimit) {
            Unload();
            m_failure = OpenFailure::Damaged;
            m_nFailureOffset = positions[i];
            m_nFailureCode = CODE_BOF;
            return false;
        }
    }
    std::vector<ExcelCell::Text*> sstTexts(m_workbook.m_sst.m_strings.size(), nullptr);
    bool ok = true;
    try {
        for (size_t i = 0; i < m_worksheets.size(); ++i) {
            m_sheets.emplace_back(new ExcelSheet(this, int(i)));
            BuildSheet(*m_sheets.back(), m_worksheets[i], sizes[i].first, sizes[i].second,
                       widths[i], sstTexts);
            std::vector<uint16_t>().swap(widths[i]);
            // The cell handles view the stream, which the caller keeps only for this call.
            std::vector<RowBlock>().swap(m_worksheets[i].m_cellTable.m_blocks);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    for (ExcelCell::Text* t : sstTexts) ExcelCell::ReleaseText(t);
    if (!ok) {
        Unload();
        m_failure = OpenFailure::Damaged;
    }
    return ok;
}

// ---- writing ----

namespace {

// Builds the shared string table while cells are turned into records.
class SstBuilder {
public:
    static constexpr size_t kMaxChars = 65535;

    explicit SstBuilder(Workbook::SharedStringTable& sst) : m_sst(sst) {
        m_sst.m_strings.clear();
        m_sst.m_nTotal = 0;
        m_sst.m_nUnique = 0;
    }
    uint32_t Add(const ExcelCell& cell) {
        ++m_sst.m_nTotal;
        // A string's count is 16 bits on file; longer texts are cut there.
        if (cell.Kind() == CellKind::Text) {
            std::string key(cell.TextView().substr(0, kMaxChars));
            auto it = m_narrow.find(key);
            if (it != m_narrow.end()) return it->second;
            m_sst.m_strings.emplace_back();
            m_sst.m_strings.back().Set8(key);
            return m_narrow[std::move(key)] = m_sst.m_nUnique++;
        }
        std::u16string key(cell.WideTextView().substr(0, kMaxChars));
        auto it = m_wide.find(key);
        if (it != m_wide.end()) return it->second;
        m_sst.m_strings.emplace_back();
        m_sst.m_strings.back().Set16(key);
        return m_wide[std::move(key)] = m_sst.m_nUnique++;
    }

private:
    Workbook::SharedStringTable& m_sst;
    std::unordered_map<std::string, uint32_t> m_narrow;
    std::unordered_map<std::u16string, uint32_t> m_wide;
};

// Kind of RK run a cell can join: 0 none, 1 integers, 2 doubles.
int RunKind(const ExcelCell& cell, uint32_t* rk) {
    if (cell.Kind() == CellKind::Integer) return EncodeRK(cell.AsInteger(), rk) ? 1 : 0;
    if (cell.Kind() == CellKind::Double) return EncodeRK(cell.AsDouble(), rk) ? 2 : 0;
    return 0;
}

void AppendFormula(RowBlock& block, const ExcelCell& cell, uint16_t row, uint16_t column) {
    const CellFormula& cf = *cell.Formula();
    block.m_cells.emplace_back(int32_t(CODE_FORMULA));
    auto* f = block.m_cells.back().As<CellBlock::Formula>();
    f->m_nRow = row;
    f->m_nColumn = column;
    f->m_nXF = cell.XF();
    f->m_tokens = cf.m_tokens;
    std::memcpy(f->m_result, cf.m_result, 8);
    if (cf.m_nAttachedCode == CODE_SHRFMLA) {
        f->m_nAttachedCode = CODE_SHRFMLA;
        auto& s = f->m_shrFmla1;
        s.m_nFirstRow = cf.m_nSharedFirstRow;
        s.m_nLastRow = cf.m_nSharedLastRow;
        s.m_nFirstColumn = cf.m_nSharedFirstColumn;
        s.m_nLastColumn = cf.m_nSharedLastColumn;
        s.m_nReserved = cf.m_nSharedReserved;
        s.m_tokens = cf.m_sharedTokens;
    } else if (cf.m_nAttachedCode != -1) {
        f->m_nAttachedCode = cf.m_nAttachedCode;
        // Decode the carried bytes into the matching record, exactly as they were read.
        std::vector<uint8_t> rec(4 + cf.m_attachedData.size());
        kovra::StoreLE16(rec.data(), uint16_t(cf.m_nAttachedCode));
        kovra::StoreLE16(rec.data() + 2, uint16_t(cf.m_attachedData.size()));
        if (!cf.m_attachedData.empty())
            std::memcpy(rec.data() + 4, cf.m_attachedData.data(), cf.m_attachedData.size());
        if (f->Attached()->Read(ByteSpan{rec.data(), rec.size()}) == 0) f->m_nAttachedCode = -1;
    }
    if (cf.m_bHasString) {
        f->m_bHasString = true;
        f->m_string.m_wstr = cf.m_strWide;
        // 8-bit storage when every character fits, as the file had it in that case.
        bool narrow = std::all_of(cf.m_strWide.begin(), cf.m_strWide.end(),
                                  [](char16_t u) { return u < 256; });
        f->m_string.m_nFlags = narrow ? 0 : 1;
    }
}

}  // namespace

void ExcelFile::RebuildWorksheets() {
    m_worksheets.clear();
    m_worksheets.resize(m_sheets.size());
    SstBuilder sst(m_workbook.m_sst);
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        ExcelSheet& sheet = *m_sheets[i];
        Worksheet& ws = m_worksheets[i];
        if (i != 0) ws.m_window2.m_nOptions &= uint16_t(~Worksheet::Window2::kSelected);
        ws.m_colInfos.assign(sheet.m_colInfos.begin(), sheet.m_colInfos.end());
        const int32_t rows = sheet.RowCount(), columns = sheet.ColumnCount();
        const size_t blocks = size_t(rows + 31) / 32;
        ws.m_index.m_nFirstRow = 0;
        ws.m_index.m_nLastRowPlus1 = uint32_t(rows);
        ws.m_index.m_dbCells.assign(std::max<size_t>(1, blocks), 0);
        ws.m_dimensions.m_nFirstRow = 0;
        ws.m_dimensions.m_nLastRowPlus1 = uint32_t(rows);
        ws.m_dimensions.m_nFirstColumn = 0;
        ws.m_dimensions.m_nLastColumnPlus1 = uint16_t(columns);
        ws.m_cellTable.m_blocks.resize(blocks);
        for (size_t b = 0; b < blocks; ++b) {
            RowBlock& block = ws.m_cellTable.m_blocks[b];
            const int32_t first = int32_t(b * 32), end = std::min(rows, first + 32);
            block.m_rows.resize(size_t(end - first));
            block.m_dbCell.m_rowOffsets.assign(size_t(end - first), 0);
            block.m_cells.reserve(size_t(end - first) * size_t(columns));
            for (int32_t r = first; r < end; ++r) {
                auto& rowRecord = block.m_rows[size_t(r - first)];
                rowRecord.m_nRow = uint16_t(r);
                rowRecord.m_nFirstColumn = 0;
                rowRecord.m_nLastColumnPlus1 = uint16_t(columns);
                const uint16_t row = uint16_t(r);
                for (int32_t c = 0; c < columns;) {
                    const ExcelCell& cell = sheet.Cell(r, c);
                    const uint16_t col = uint16_t(c);
                    uint32_t rk = 0;
                    int kind = RunKind(cell, &rk);
                    if (kind != 0) {
                        // Adjacent cells of the same kind that encode as RK share a MULRK.
                        int32_t runEnd = c + 1;
                        uint32_t next;
                        while (runEnd < columns &&
                               RunKind(sheet.Cell(r, runEnd), &next) == kind)
                            ++runEnd;
                        if (runEnd - c >= 2) {
                            block.m_cells.emplace_back(int32_t(CODE_MULRK));
                            auto* m = block.m_cells.back().As<CellBlock::MulRK>();
                            m->m_nRow = row;
                            m->m_nFirstColumn = col;
                            m->m_nLastColumn = uint16_t(runEnd - 1);
                            m->m_entries.resize(size_t(runEnd - c));
                            for (int32_t k = c; k < runEnd; ++k) {
                                const ExcelCell& e = sheet.Cell(r, k);
                                RunKind(e, &m->m_entries[size_t(k - c)].m_nValue);
                                m->m_entries[size_t(k - c)].m_nXF = e.XF();
                            }
                        } else {
                            block.m_cells.emplace_back(int32_t(CODE_RK));
                            auto* p = block.m_cells.back().As<CellBlock::RK>();
                            p->m_nRow = row;
                            p->m_nColumn = col;
                            p->m_nXF = cell.XF();
                            p->m_nValue = rk;
                        }
                        c = runEnd;
                        continue;
                    }
                    switch (cell.Kind()) {
                        case CellKind::Integer:
                        case CellKind::Double: {
                            block.m_cells.emplace_back(int32_t(CODE_NUMBER));
                            auto* p = block.m_cells.back().As<CellBlock::Number>();
                            p->m_nRow = row;
                            p->m_nColumn = col;
                            p->m_nXF = cell.XF();
                            p->m_dValue = cell.AsDouble();
                            break;
                        }
                        case CellKind::Text:
                        case CellKind::WideText: {
                            block.m_cells.emplace_back(int32_t(CODE_LABELSST));
                            auto* p = block.m_cells.back().As<CellBlock::LabelSST>();
                            p->m_nRow = row;
                            p->m_nColumn = col;
                            p->m_nXF = cell.XF();
                            p->m_nIndex = sst.Add(cell);
                            break;
                        }
                        case CellKind::Formula:
                            AppendFormula(block, cell, row, col);
                            break;
                        default: {
                            block.m_cells.emplace_back(int32_t(CODE_BLANK));
                            auto* p = block.m_cells.back().As<CellBlock::Blank>();
                            p->m_nRow = row;
                            p->m_nColumn = col;
                            p->m_nXF = cell.XF();
                            break;
                        }
                    }
                    ++c;
                }
            }
        }
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < columns; ++c) {
                const ExcelCell& cell = sheet.Cell(r, c);
                if (cell.MergeRowSpan() <= 1 && cell.MergeColumnSpan() <= 1) continue;
                Worksheet::MergedCells::MergedCell m;
                m.m_nFirstRow = uint16_t(r);
                m.m_nLastRow = uint16_t(r + std::max<int>(cell.MergeRowSpan(), 1) - 1);
                m.m_nFirstColumn = uint16_t(c);
                m.m_nLastColumn = uint16_t(c + std::max<int>(cell.MergeColumnSpan(), 1) - 1);
                ws.m_mergedCells.m_ranges.push_back(m);
            }
        }
    }
}

bool ExcelFile::SerializeStream(std::vector<uint8_t>& out) {
    // BoundSheet i must belong to sheet i: with chart or macro sheets among them, writing
    // would point the names at the wrong substreams.
    if (!m_bSheetsMatch || m_workbook.m_boundSheets.size() != m_sheets.size()) return false;
    try {
        return Serialize(out);
    } catch (const std::bad_alloc&) {
        for (Worksheet& ws : m_worksheets) std::vector<RowBlock>().swap(ws.m_cellTable.m_blocks);
        out.clear();
        return false;
    }
}

bool ExcelFile::Serialize(std::vector<uint8_t>& out) {
    RebuildWorksheets();
    uint32_t globalsSize = m_workbook.Size();
    std::vector<uint32_t> starts = FixOffsets(globalsSize, m_worksheets);
    for (size_t i = 0; i < starts.size(); ++i) m_workbook.m_boundSheets[i].m_nPosition = starts[i];
    uint64_t total = globalsSize;
    for (Worksheet& ws : m_worksheets) total += ws.Size();
    out.clear();
    bool ok = total < (uint64_t(1) << 32);
    if (ok) {
        out.reserve(size_t(total));
        m_workbook.Write(out);
        for (Worksheet& ws : m_worksheets) ws.Write(out);
        ok = out.size() == total;
    }
    // The fresh cell records are no use once written.
    for (Worksheet& ws : m_worksheets) std::vector<RowBlock>().swap(ws.m_cellTable.m_blocks);
    if (!ok) out.clear();
    return ok;
}
