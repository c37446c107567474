// Cells and sheets: typed values with shared text and formula blocks, the growing grid.
#include <algorithm>
#include <cstring>
#include <new>

#include "spreadsheet/excel_file.h"

struct ExcelCell::Text {
    uint32_t m_nRefs = 1;
    std::string m_bytes;
    std::u16string m_units;
};

static_assert(sizeof(ExcelCell) == 16, "cells are kept compact: a full sheet has 16M of them");

double CellFormula::Number() const {
    double d;
    std::memcpy(&d, m_result, 8);
    return d;
}

FormulaResult CellFormula::Result() const {
    if (IsNumber()) return FormulaResult::Number;
    switch (m_result[0]) {
        case 0:
            return FormulaResult::String;
        case 1:
            return FormulaResult::Boolean;
        case 2:
            return FormulaResult::Error;
        case 3:
            return FormulaResult::EmptyString;
        default:
            return FormulaResult::Unknown;
    }
}

ExcelCell::Text* ExcelCell::NewText(const char* bytes, size_t n) {
    Text* t = new Text;
    t->m_bytes.assign(bytes, n);
    return t;
}

ExcelCell::Text* ExcelCell::NewWideText(const char16_t* units, size_t n) {
    Text* t = new Text;
    t->m_units.assign(units, n);
    return t;
}

void ExcelCell::ReleaseText(Text* t) {
    if (t && --t->m_nRefs == 0) delete t;
}

void ExcelCell::Retain() {
    switch (Kind()) {
        case CellKind::Text:
        case CellKind::WideText:
            ++m_v.text->m_nRefs;
            break;
        case CellKind::Formula:
            ++m_v.formula->m_nRefs;
            break;
        default:
            break;
    }
}

void ExcelCell::Release() {
    switch (Kind()) {
        case CellKind::Text:
        case CellKind::WideText:
            ReleaseText(m_v.text);
            break;
        case CellKind::Formula:
            if (--m_v.formula->m_nRefs == 0) delete m_v.formula;
            break;
        default:
            break;
    }
    m_nKind = uint8_t(CellKind::Empty);
    m_v.d = 0;
}

ExcelCell::ExcelCell(const ExcelCell& o)
    : m_nKind(o.m_nKind),
      m_nXF(o.m_nXF),
      m_nRowSpan(o.m_nRowSpan),
      m_nColumnSpan(o.m_nColumnSpan),
      m_v(o.m_v) {
    Retain();
}

ExcelCell::ExcelCell(ExcelCell&& o) noexcept
    : m_nKind(o.m_nKind),
      m_nXF(o.m_nXF),
      m_nRowSpan(o.m_nRowSpan),
      m_nColumnSpan(o.m_nColumnSpan),
      m_v(o.m_v) {
    o.m_nKind = uint8_t(CellKind::Empty);
}

ExcelCell& ExcelCell::operator=(const ExcelCell& o) {
    if (this != &o) {
        ExcelCell copy(o);
        *this = std::move(copy);
    }
    return *this;
}

ExcelCell& ExcelCell::operator=(ExcelCell&& o) noexcept {
    if (this != &o) {
        Release();
        m_nKind = o.m_nKind;
        m_nXF = o.m_nXF;
        m_nRowSpan = o.m_nRowSpan;
        m_nColumnSpan = o.m_nColumnSpan;
        m_v = o.m_v;
        o.m_nKind = uint8_t(CellKind::Empty);
    }
    return *this;
}

int32_t ExcelCell::AsInteger() const {
    switch (Kind()) {
        case CellKind::Integer:
            return m_v.i;
        case CellKind::Double:
            return int32_t(m_v.d);
        case CellKind::Formula:
            if (m_v.formula->Result() == FormulaResult::Boolean) return m_v.formula->BooleanValue();
            return m_v.formula->IsNumber() ? int32_t(m_v.formula->Number()) : 0;
        default:
            return 0;
    }
}

double ExcelCell::AsDouble() const {
    switch (Kind()) {
        case CellKind::Integer:
            return m_v.i;
        case CellKind::Double:
            return m_v.d;
        case CellKind::Formula:
            if (m_v.formula->Result() == FormulaResult::Boolean) return m_v.formula->BooleanValue();
            return m_v.formula->IsNumber() ? m_v.formula->Number() : 0.0;
        default:
            return 0.0;
    }
}

const char* ExcelCell::AsText() const {
    switch (Kind()) {
        case CellKind::Text:
            return m_v.text->m_bytes.c_str();
        case CellKind::Formula:
            return m_v.formula->m_strText.c_str();
        default:
            return nullptr;
    }
}

const char16_t* ExcelCell::AsWideText() const {
    switch (Kind()) {
        case CellKind::WideText:
            return m_v.text->m_units.c_str();
        case CellKind::Formula:
            return m_v.formula->m_strWide.c_str();
        default:
            return nullptr;
    }
}

std::string_view ExcelCell::TextView() const {
    return Kind() == CellKind::Text ? std::string_view(m_v.text->m_bytes) : std::string_view();
}

std::u16string_view ExcelCell::WideTextView() const {
    return Kind() == CellKind::WideText ? std::u16string_view(m_v.text->m_units)
                                        : std::u16string_view();
}

void ExcelCell::PutInteger(int32_t value) {
    Release();
    m_nKind = uint8_t(CellKind::Integer);
    m_v.i = value;
}

void ExcelCell::PutDouble(double value) {
    Release();
    m_nKind = uint8_t(CellKind::Double);
    m_v.d = value;
}

void ExcelCell::PutText(const char* text) {
    if (!text || !*text) return Clear();
    Text* t = NewText(text, std::strlen(text));
    Release();
    m_nKind = uint8_t(CellKind::Text);
    m_v.text = t;
}

void ExcelCell::PutWideText(const char16_t* text) {
    if (!text || !*text) return Clear();
    size_t n = 0;
    while (text[n]) ++n;
    Text* t = NewWideText(text, n);
    Release();
    m_nKind = uint8_t(CellKind::WideText);
    m_v.text = t;
}

void ExcelCell::PutSharedText(Text* text, bool wide) {
    ++text->m_nRefs;
    Release();
    m_nKind = uint8_t(wide ? CellKind::WideText : CellKind::Text);
    m_v.text = text;
}

void ExcelCell::PutFormula(CellFormula* formula) {
    ++formula->m_nRefs;
    Release();
    m_nKind = uint8_t(CellKind::Formula);
    m_v.formula = formula;
}

void ExcelCell::Clear() {
    Release();
}

// ---- ExcelSheet ----

void ExcelSheet::Resize(int32_t rows, int32_t columns) {
    // Rows keep their cells; a row shorter than the new width grows when next written.
    m_rows.resize(size_t(rows));
    m_nRows = rows;
    m_nColumns = columns;
}

void ExcelSheet::MakeRows(const std::vector<uint16_t>& widths) {
    size_t total = 0;
    for (size_t r = 0; r < widths.size() && r < m_rows.size(); ++r) total += widths[r];
    if (total == 0) return;
    m_pLoaded.reset(new ExcelCell[total]);
    ExcelCell* p = m_pLoaded.get();
    for (size_t r = 0; r < widths.size() && r < m_rows.size(); ++r) {
        if (widths[r] == 0 || m_rows[r].m_nCount != 0) continue;
        m_rows[r].m_p = p;
        m_rows[r].m_nCount = widths[r];
        p += widths[r];
    }
}

ExcelCell& ExcelSheet::Touch(int32_t row, int32_t column) {
    RowCells& cells = m_rows[size_t(row)];
    if (cells.m_nCount < uint32_t(m_nColumns)) {
        std::unique_ptr<ExcelCell[]> wider(new ExcelCell[size_t(m_nColumns)]);
        for (uint32_t c = 0; c < cells.m_nCount; ++c) wider[c] = std::move(cells.m_p[c]);
        // A block of the row's own goes now; cells moved out of the load block stay there,
        // empty, until the sheet goes.
        cells.m_p = wider.get();
        cells.m_nCount = uint32_t(m_nColumns);
        cells.m_pOwn = std::move(wider);
    }
    return cells.m_p[column];
}

const ExcelCell ExcelSheet::s_empty;

ExcelCell* ExcelSheet::CellAt(int32_t row, int32_t column) {
    if (row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns) return nullptr;
    if (row >= m_nRows || column >= m_nColumns)
        Resize(std::max(m_nRows, row + 1), std::max(m_nColumns, column + 1));
    return &Touch(row, column);
}

ExcelCell* ExcelSheet::PeekCell(int32_t row, int32_t column) {
    if (row < 0 || column < 0 || row >= m_nRows || column >= m_nColumns) return nullptr;
    return &Touch(row, column);
}

bool ExcelSheet::ClearCell(int32_t row, int32_t column) {
    if (row < 0 || column < 0 || row >= m_nRows || column >= m_nColumns) return false;
    // Clearing a cell that does not exist changes nothing, so nothing is made for it.
    RowCells& cells = m_rows[size_t(row)];
    if (uint32_t(column) < cells.m_nCount) cells.m_p[column].Clear();
    return true;
}
