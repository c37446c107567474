// Worksheet records, reading a worksheet substream into row blocks and cell handles, writing
// it back, and the DBCELL/INDEX offsets.
#include "spreadsheet/zexcel_worksheet.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "base/byte_order.h"

namespace ZExcel {

using kovra::LoadLE16;
using kovra::LoadLE32;
using kovra::LoadLE64;
using kovra::StoreLE16;
using kovra::StoreLE32;
using kovra::StoreLE64;

namespace {

ByteSpan From(ByteSpan b, size_t pos) {
    return ByteSpan{b.p + pos, b.n - pos};
}

// Sheets have 65536 rows; INDEX ranges beyond that come only from damaged files.
constexpr uint32_t kMaxRows = 65536;

}  // namespace

double DecodeRK(uint32_t rk, bool* isInteger, int32_t* integer) {
    if (rk & 2) {
        int32_t v = int32_t(rk) >> 2;
        if (!(rk & 1)) {
            *isInteger = true;
            *integer = v;
            return v;
        }
        if (v % 100 == 0) {
            *isInteger = true;
            *integer = v / 100;
            return *integer;
        }
        *isInteger = false;
        return v / 100.0;
    }
    uint64_t bits = uint64_t(rk & ~3u) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (rk & 1) d /= 100;
    *isInteger = false;
    return d;
}

namespace {

int32_t Trunc32(double x) {
    // Out-of-range values give the integer-indefinite value, as the processor's conversion
    // does; the comparisons below then fail for them.
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
    return int32_t(x);
}

}  // namespace

bool EncodeRK(int32_t v, uint32_t* rk) {
    if (v < -(1 << 29) || v > (1 << 29) - 1) return false;
    *rk = (uint32_t(v) << 2) | 2;
    return true;
}

bool EncodeRK(double x, uint32_t* rk) {
    int32_t hundred = Trunc32(x * 100);
    bool twoDecimals = uint32_t(hundred) * 100u == uint32_t(Trunc32(x * 10000));
    bool whole = twoDecimals && uint32_t(Trunc32(x)) * 100u == uint32_t(hundred);
    double y = whole ? x : x * 100;
    uint64_t bits;
    std::memcpy(&bits, &y, 8);
    uint32_t value = (uint32_t(bits >> 32) & ~3u) | (whole ? 0u : 1u);
    bool isInteger;
    int32_t integer;
    double back = DecodeRK(value, &isInteger, &integer);
    // Exactly the same value, and the same sign for zero.
    if (back != x || std::signbit(back) != std::signbit(x)) return false;
    *rk = value;
    return true;
}

size_t SkipSubstream(ByteSpan b) {
    size_t pos = 0;
    int depth = 0;
    uint16_t code, len;
    while (PeekHeader(From(b, pos), code, len)) {
        size_t used = SkipRecord(From(b, pos));
        if (used == 0) return 0;
        pos += used;
        if (code == CODE_BOF) ++depth;
        if (code == CODE_EOF && --depth == 0) return pos;
    }
    return 0;
}

// ---- Index, ColInfo, Dimensions, Window2 ----

size_t Worksheet::Index::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 16) return 0;
    const uint8_t* d = data.p;
    m_nReserved = LoadLE32(d);
    m_nFirstRow = LoadLE32(d + 4);
    m_nLastRowPlus1 = LoadLE32(d + 8);
    m_nDefColWidthPos = LoadLE32(d + 12);
    // An empty sheet may say so with a last row + 1 of 0 and any first row (Excel writes
    // 0xFFFFFFFF there); it has no row block, like a sheet of range 0 to 0.
    const bool empty = m_nLastRowPlus1 == 0;
    if (m_nLastRowPlus1 > kMaxRows || (!empty && m_nFirstRow > m_nLastRowPlus1)) return 0;
    int64_t rows = empty ? 0 : int64_t(m_nLastRowPlus1) - int64_t(m_nFirstRow);
    size_t count = size_t((rows - 1) / 32 + 1);
    m_dbCells.assign(count, 0);
    // Positions are kept where present; they are recomputed before any write.
    size_t present = std::min(count, (data.n - 16) / 4);
    for (size_t i = 0; i < present; ++i) m_dbCells[i] = LoadLE32(d + 16 + 4 * i);
    return n;
}

size_t Worksheet::Index::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_INDEX, DataSize());
    StoreLE32(p, m_nReserved);
    StoreLE32(p + 4, m_nFirstRow);
    StoreLE32(p + 8, m_nLastRowPlus1);
    StoreLE32(p + 12, m_nDefColWidthPos);
    for (size_t i = 0; i < m_dbCells.size(); ++i) StoreLE32(p + 16 + 4 * i, m_dbCells[i]);
    return RecordSize();
}

size_t Worksheet::ColInfo::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 10) return 0;
    const uint8_t* d = data.p;
    m_nFirst = LoadLE16(d);
    m_nLast = LoadLE16(d + 2);
    m_nWidth = LoadLE16(d + 4);
    m_nXF = LoadLE16(d + 6);
    m_nOptions = LoadLE16(d + 8);
    m_nReserved = data.n >= 12 ? LoadLE16(d + 10) : 0;
    return n;
}

size_t Worksheet::ColInfo::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_COLINFO, 12);
    const uint16_t f[] = {m_nFirst, m_nLast, m_nWidth, m_nXF, m_nOptions, m_nReserved};
    for (int i = 0; i < 6; ++i) StoreLE16(p + 2 * i, f[i]);
    return 16;
}

uint32_t Worksheet::ColInfos::Size() {
    uint32_t s = 0;
    for (ColInfo& c : *this) s += c.RecordSize();
    return s;
}

size_t Worksheet::ColInfos::Write(std::vector<uint8_t>& out) {
    size_t n = 0;
    for (ColInfo& c : *this) n += c.Write(out);
    return n;
}

size_t Worksheet::Dimensions::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 12) return 0;
    const uint8_t* d = data.p;
    m_nFirstRow = LoadLE32(d);
    m_nLastRowPlus1 = LoadLE32(d + 4);
    m_nFirstColumn = LoadLE16(d + 8);
    m_nLastColumnPlus1 = LoadLE16(d + 10);
    m_nReserved = data.n >= 14 ? LoadLE16(d + 12) : 0;
    return n;
}

size_t Worksheet::Dimensions::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_DIMENSIONS, 14);
    StoreLE32(p, m_nFirstRow);
    StoreLE32(p + 4, m_nLastRowPlus1);
    StoreLE16(p + 8, m_nFirstColumn);
    StoreLE16(p + 10, m_nLastColumnPlus1);
    StoreLE16(p + 12, m_nReserved);
    return 18;
}

size_t Worksheet::Window2::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0) return 0;
    // Shorter forms exist (chart sheets write 10 bytes); fields not present keep defaults.
    uint16_t* f[] = {&m_nOptions,   &m_nFirstRow,      &m_nFirstColumn, &m_nGridColour,
                     &m_nReserved1, &m_nPageBreakZoom, &m_nNormalZoom};
    for (size_t i = 0; i < 7 && 2 * i + 2 <= data.n; ++i) *f[i] = LoadLE16(data.p + 2 * i);
    if (data.n >= 18) m_nReserved2 = LoadLE32(data.p + 14);
    return n;
}

size_t Worksheet::Window2::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_WINDOW2, 18);
    const uint16_t f[] = {m_nOptions,   m_nFirstRow,      m_nFirstColumn, m_nGridColour,
                          m_nReserved1, m_nPageBreakZoom, m_nNormalZoom};
    for (int i = 0; i < 7; ++i) StoreLE16(p + 2 * i, f[i]);
    StoreLE32(p + 14, m_nReserved2);
    return 22;
}

// ---- merged cells ----

void Worksheet::MergedCells::MergedCell::Read(const uint8_t* p) {
    m_nFirstRow = LoadLE16(p);
    m_nLastRow = LoadLE16(p + 2);
    m_nFirstColumn = LoadLE16(p + 4);
    m_nLastColumn = LoadLE16(p + 6);
}

void Worksheet::MergedCells::MergedCell::Write(uint8_t* p) const {
    StoreLE16(p, m_nFirstRow);
    StoreLE16(p + 2, m_nLastRow);
    StoreLE16(p + 4, m_nFirstColumn);
    StoreLE16(p + 6, m_nLastColumn);
}

size_t Worksheet::MergedCells::Read(ByteSpan b) {
    size_t pos = 0;
    uint16_t code, len;
    while (PeekHeader(From(b, pos), code, len) && code == CODE_MERGEDCELLS) {
        if (pos + 4 + size_t(len) > b.n || len < 2) return 0;
        const uint8_t* d = b.p + pos + 4;
        size_t count = LoadLE16(d);
        // The count must agree with the record's length: a larger one would read past it.
        if (2 + 8 * count > len) return 0;
        for (size_t i = 0; i < count; ++i) {
            m_ranges.emplace_back();
            m_ranges.back().Read(d + 2 + 8 * i);
        }
        pos += 4 + size_t(len);
    }
    return pos;
}

uint32_t Worksheet::MergedCells::Size() const {
    size_t n = m_ranges.size();
    if (n == 0) return 0;
    size_t records = n <= kPerRecord ? 1 : (n - kPerRecord - 1) / kPerRecord + 2;
    return uint32_t(8 * n + 6 * records);
}

size_t Worksheet::MergedCells::Write(std::vector<uint8_t>& out) const {
    size_t start = out.size();
    for (size_t i = 0; i < m_ranges.size(); i += kPerRecord) {
        size_t count = std::min(kPerRecord, m_ranges.size() - i);
        uint8_t* p = AppendRecord(out, CODE_MERGEDCELLS, 2 + 8 * count);
        StoreLE16(p, uint16_t(count));
        for (size_t k = 0; k < count; ++k) m_ranges[i + k].Write(p + 2 + 8 * k);
    }
    return out.size() - start;
}

// ---- row block records ----

size_t RowBlock::Row::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 16) return 0;
    const uint8_t* d = data.p;
    m_nRow = LoadLE16(d);
    m_nFirstColumn = LoadLE16(d + 2);
    m_nLastColumnPlus1 = LoadLE16(d + 4);
    m_nHeight = LoadLE16(d + 6);
    m_nReserved1 = LoadLE16(d + 8);
    m_nReserved2 = LoadLE16(d + 10);
    m_nOptions = LoadLE32(d + 12);
    return n;
}

size_t RowBlock::Row::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_ROW, 16);
    StoreLE16(p, m_nRow);
    StoreLE16(p + 2, m_nFirstColumn);
    StoreLE16(p + 4, m_nLastColumnPlus1);
    StoreLE16(p + 6, m_nHeight);
    StoreLE16(p + 8, m_nReserved1);
    StoreLE16(p + 10, m_nReserved2);
    StoreLE32(p + 12, m_nOptions);
    return 20;
}

size_t RowBlock::DBCell::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 4) return 0;
    m_nFirstRowOffset = LoadLE32(data.p);
    m_rowOffsets.resize((data.n - 4) / 2);
    for (size_t i = 0; i < m_rowOffsets.size(); ++i) m_rowOffsets[i] = LoadLE16(data.p + 4 + 2 * i);
    return n;
}

size_t RowBlock::DBCell::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_DBCELL, DataSize());
    StoreLE32(p, m_nFirstRowOffset);
    for (size_t i = 0; i < m_rowOffsets.size(); ++i) StoreLE16(p + 4 + 2 * i, m_rowOffsets[i]);
    return RecordSize();
}

// ---- cell records ----

namespace {

// Minimum data size of each cell record; shorter ones are refused when read.
size_t MinCellData(uint16_t code) {
    switch (code) {
        case CODE_BLANK:
            return 6;
        case CODE_BOOLERR:
            return 8;
        case CODE_LABELSST:
            return 10;
        case CODE_NUMBER:
            return 14;
        case CODE_RK:
            return 10;
        case CODE_MULBLANK:
            return 6;
        case CODE_MULRK:
            return 6;
        case CODE_FORMULA:
        case CODE_FORMULA_OLD:
            return 20;
        case CODE_LABEL:
            return 9;
        default:
            return 0;
    }
}

// Reads the row, column and XF that open most cell records.
template <typename T>
bool DecodeRCX(T& r, ByteSpan data, size_t need) {
    if (data.n < need) return false;
    r.m_nRow = LoadLE16(data.p);
    r.m_nColumn = LoadLE16(data.p + 2);
    r.m_nXF = LoadLE16(data.p + 4);
    return true;
}

template <typename T>
uint8_t* WriteRCX(const T& r, std::vector<uint8_t>& out, uint16_t code, size_t size) {
    uint8_t* p = AppendRecord(out, code, size);
    StoreLE16(p, r.m_nRow);
    StoreLE16(p + 2, r.m_nColumn);
    StoreLE16(p + 4, r.m_nXF);
    return p + 6;
}

}  // namespace

using Formula = CellBlock::Formula;

size_t CellBlock::Blank::Read(ByteSpan b) {
    ByteSpan d;
    size_t n = ReadData(b, d);
    return n && DecodeRCX(*this, d, 6) ? n : 0;
}
size_t CellBlock::Blank::Write(std::vector<uint8_t>& out) {
    WriteRCX(*this, out, CODE_BLANK, 6);
    return 10;
}

size_t CellBlock::BoolErr::Read(ByteSpan b) {
    ByteSpan d;
    size_t n = ReadData(b, d);
    if (!n || !DecodeRCX(*this, d, 8)) return 0;
    m_nValue = d.p[6];
    m_nIsError = d.p[7];
    return n;
}
size_t CellBlock::BoolErr::Write(std::vector<uint8_t>& out) {
    uint8_t* p = WriteRCX(*this, out, CODE_BOOLERR, 8);
    p[0] = m_nValue;
    p[1] = m_nIsError;
    return 12;
}

size_t CellBlock::LabelSST::Read(ByteSpan b) {
    ByteSpan d;
    size_t n = ReadData(b, d);
    if (!n || !DecodeRCX(*this, d, 10)) return 0;
    m_nIndex = LoadLE32(d.p + 6);
    return n;
}
size_t CellBlock::LabelSST::Write(std::vector<uint8_t>& out) {
    StoreLE32(WriteRCX(*this, out, CODE_LABELSST, 10), m_nIndex);
    return 14;
}

size_t CellBlock::Number::Read(ByteSpan b) {
    ByteSpan d;
    size_t n = ReadData(b, d);
    if (!n || !DecodeRCX(*this, d, 14)) return 0;
    uint64_t bits = LoadLE64(d.p + 6);
    std::memcpy(&m_dValue, &bits, 8);
    return n;
}
size_t CellBlock::Number::Write(std::vector<uint8_t>& out) {
    uint64_t bits;
    std::memcpy(&bits, &m_dValue, 8);
    StoreLE64(WriteRCX(*this, out, CODE_NUMBER, 14), bits);
    return 18;
}

size_t CellBlock::RK::Read(ByteSpan b) {
    ByteSpan d;
    size_t n = ReadData(b, d);
    if (!n || !DecodeRCX(*this, d, 10)) return 0;
    m_nValue = LoadLE32(d.p + 6);
    return n;
}
size_t CellBlock::RK::Write(std::vector<uint8_t>& out) {
    StoreLE32(WriteRCX(*this, out, CODE_RK, 10), m_nValue);
    return 14;
}

size_t CellBlock::MulBlank::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 6) return 0;
    const uint8_t* d = data.p;
    m_nRow = LoadLE16(d);
    m_nFirstColumn = LoadLE16(d + 2);
    m_xfs.resize((data.n - 6) / 2);
    for (size_t i = 0; i < m_xfs.size(); ++i) m_xfs[i] = LoadLE16(d + 4 + 2 * i);
    m_nLastColumn = LoadLE16(d + data.n - 2);
    return n;
}
size_t CellBlock::MulBlank::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_MULBLANK, DataSize());
    StoreLE16(p, m_nRow);
    StoreLE16(p + 2, m_nFirstColumn);
    for (size_t i = 0; i < m_xfs.size(); ++i) StoreLE16(p + 4 + 2 * i, m_xfs[i]);
    StoreLE16(p + 4 + 2 * m_xfs.size(), m_nLastColumn);
    return RecordSize();
}

size_t CellBlock::MulRK::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 6) return 0;
    const uint8_t* d = data.p;
    m_nRow = LoadLE16(d);
    m_nFirstColumn = LoadLE16(d + 2);
    m_entries.resize((data.n - 6) / 6);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i].m_nXF = LoadLE16(d + 4 + 6 * i);
        m_entries[i].m_nValue = LoadLE32(d + 6 + 6 * i);
    }
    m_nLastColumn = LoadLE16(d + data.n - 2);
    return n;
}
size_t CellBlock::MulRK::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_MULRK, DataSize());
    StoreLE16(p, m_nRow);
    StoreLE16(p + 2, m_nFirstColumn);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        StoreLE16(p + 4 + 6 * i, m_entries[i].m_nXF);
        StoreLE32(p + 6 + 6 * i, m_entries[i].m_nValue);
    }
    StoreLE16(p + 4 + 6 * m_entries.size(), m_nLastColumn);
    return RecordSize();
}

// ---- formula and the records attached to it ----

namespace {

void ReadRange(Formula::RangeRecord& r, const uint8_t* d) {
    r.m_nFirstRow = LoadLE16(d);
    r.m_nLastRow = LoadLE16(d + 2);
    r.m_nFirstColumn = d[4];
    r.m_nLastColumn = d[5];
}

void WriteRange(const Formula::RangeRecord& r, uint8_t* d) {
    StoreLE16(d, r.m_nFirstRow);
    StoreLE16(d + 2, r.m_nLastRow);
    d[4] = r.m_nFirstColumn;
    d[5] = r.m_nLastColumn;
}

}  // namespace

size_t Formula::Array::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 12) return 0;
    ReadRange(*this, m_data.data());
    m_nOptions = LoadLE16(m_data.data() + 6);
    m_nReserved = LoadLE32(m_data.data() + 8);
    m_tokens.assign(m_data.begin() + 12, m_data.end());
    return n;
}
size_t Formula::Array::Write(std::vector<uint8_t>& out) {
    m_data.assign(DataSize(), 0);
    WriteRange(*this, m_data.data());
    StoreLE16(m_data.data() + 6, m_nOptions);
    StoreLE32(m_data.data() + 8, m_nReserved);
    if (!m_tokens.empty()) std::memcpy(m_data.data() + 12, m_tokens.data(), m_tokens.size());
    m_continueOffsets.clear();
    return WritePieces(out);
}

size_t Formula::ShrFmla::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 8) return 0;
    ReadRange(*this, m_data.data());
    m_nReserved = LoadLE16(m_data.data() + 6);
    m_tokens.assign(m_data.begin() + 8, m_data.end());
    return n;
}
size_t Formula::ShrFmla::Write(std::vector<uint8_t>& out) {
    m_data.assign(DataSize(), 0);
    WriteRange(*this, m_data.data());
    StoreLE16(m_data.data() + 6, m_nReserved);
    if (!m_tokens.empty()) std::memcpy(m_data.data() + 8, m_tokens.data(), m_tokens.size());
    m_continueOffsets.clear();
    return WritePieces(out);
}

size_t Formula::Table::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < 16) return 0;
    const uint8_t* d = data.p;
    m_nFirstRow = LoadLE16(d);
    m_nLastRow = LoadLE16(d + 2);
    m_nFirstColumn = d[4];
    m_nLastColumn = d[5];
    m_nOptions = LoadLE16(d + 6);
    for (int i = 0; i < 4; ++i) m_nInput[i] = LoadLE16(d + 8 + 2 * i);
    return n;
}
size_t Formula::Table::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_TABLE, 16);
    StoreLE16(p, m_nFirstRow);
    StoreLE16(p + 2, m_nLastRow);
    p[4] = m_nFirstColumn;
    p[5] = m_nLastColumn;
    StoreLE16(p + 6, m_nOptions);
    for (int i = 0; i < 4; ++i) StoreLE16(p + 8 + 2 * i, m_nInput[i]);
    return 20;
}

size_t Formula::String::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 3) return 0;
    // The cached string has no rich-text or phonetic parts; stray bits must not make the
    // text reader look for them.
    m_data[2] &= 1;
    UnicodeText t;
    size_t pos = 0;
    if (!t.Read(m_data.data(), m_data.size(), pos, &m_continueOffsets)) return 0;
    m_nFlags = t.IsWide() ? 1 : 0;
    m_wstr = t.IsWide() ? t.m_wstr : Widen(t.m_str);
    return n;
}

UnicodeText Formula::String::AsText() const {
    UnicodeText t;
    if (m_nFlags & 1)
        t.Set16(m_wstr);
    else
        t.Set8(Narrow(m_wstr));
    return t;
}

uint32_t Formula::String::DataSize() {
    UnicodeText t = AsText();
    m_continueOffsets.clear();
    return m_nDataSize = LayoutTexts(0, &t, 1, m_continueOffsets);
}

uint32_t Formula::String::RecordSize() {
    DataSize();
    return m_nRecordSize = m_nDataSize + 4 + 4 * uint32_t(m_continueOffsets.size());
}

size_t Formula::String::Write(std::vector<uint8_t>& out) {
    UnicodeText t = AsText();
    m_data.assign(DataSize(), 0);
    WriteTexts(&t, 1, m_continueOffsets, m_data, 0);
    return WritePieces(out);
}

Record* Formula::Attached() {
    switch (m_nAttachedCode) {
        case CODE_ARRAY:
            return &m_array;
        case CODE_SHRFMLA_OLD:
            return &m_shrFmla;
        case CODE_SHRFMLA:
            return &m_shrFmla1;
        case CODE_TABLE:
            return &m_table;
        default:
            return nullptr;
    }
}

size_t Formula::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 20) return 0;
    const uint8_t* d = m_data.data();
    m_nRow = LoadLE16(d);
    m_nColumn = LoadLE16(d + 2);
    m_nXF = LoadLE16(d + 4);
    std::memcpy(m_result, d + 6, 8);
    m_nOptions = LoadLE16(d + 14);
    m_nReserved = LoadLE32(d + 16);
    m_tokens.assign(m_data.begin() + 20, m_data.end());
    m_data.clear();
    m_nAttachedCode = -1;
    m_bHasString = false;
    size_t pos = n;
    uint16_t code, len;
    if (PeekHeader(From(b, pos), code, len) && (code == CODE_TABLE || code == CODE_SHRFMLA_OLD ||
                                                code == CODE_ARRAY || code == CODE_SHRFMLA)) {
        m_nAttachedCode = code;
        size_t used = Attached()->Read(From(b, pos));
        if (used == 0) return 0;
        pos += used;
    }
    if (PeekHeader(From(b, pos), code, len) && code == CODE_STRING) {
        size_t used = m_string.Read(From(b, pos));
        if (used == 0) return 0;
        m_bHasString = true;
        pos += used;
    }
    return pos;
}

uint32_t Formula::RecordSize() {
    uint32_t size = DataSize() + 4;
    if (Record* a = Attached()) size += a->RecordSize();
    if (m_bHasString) size += m_string.RecordSize();
    return m_nRecordSize = size;
}

size_t Formula::Write(std::vector<uint8_t>& out) {
    size_t start = out.size();
    m_data.assign(DataSize(), 0);
    uint8_t* d = m_data.data();
    StoreLE16(d, m_nRow);
    StoreLE16(d + 2, m_nColumn);
    StoreLE16(d + 4, m_nXF);
    std::memcpy(d + 6, m_result, 8);
    StoreLE16(d + 14, m_nOptions);
    StoreLE32(d + 16, 0);  // reserved, always written as 0
    if (!m_tokens.empty()) std::memcpy(d + 20, m_tokens.data(), m_tokens.size());
    m_continueOffsets.clear();
    WritePieces(out);
    m_data.clear();
    if (Record* a = Attached()) a->Write(out);
    if (m_bHasString) m_string.Write(out);
    return out.size() - start;
}

// ---- cell handles ----

bool CellBlock::IsCellCode(uint16_t code) {
    switch (code) {
        case CODE_FORMULA:
        case CODE_FORMULA_OLD:
        case CODE_LABEL:
        case CODE_MULRK:
        case CODE_MULBLANK:
        case CODE_LABELSST:
        case CODE_BLANK:
        case CODE_NUMBER:
        case CODE_BOOLERR:
        case CODE_RK:
            return true;
        default:
            return false;
    }
}

void CellBlock::SetCode(int32_t code) {
    m_nCode = code;
    m_view = ByteSpan();
    switch (code) {
        case CODE_FORMULA:
        case CODE_FORMULA_OLD:
            m_pRecord = std::make_shared<Formula>();
            break;
        case CODE_MULRK:
            m_pRecord = std::make_shared<MulRK>();
            break;
        case CODE_MULBLANK:
            m_pRecord = std::make_shared<MulBlank>();
            break;
        case CODE_LABELSST:
            m_pRecord = std::make_shared<LabelSST>();
            break;
        case CODE_BLANK:
            m_pRecord = std::make_shared<Blank>();
            break;
        case CODE_NUMBER:
            m_pRecord = std::make_shared<Number>();
            break;
        case CODE_BOOLERR:
            m_pRecord = std::make_shared<BoolErr>();
            break;
        case CODE_RK:
            m_pRecord = std::make_shared<RK>();
            break;
        default:
            m_nCode = -1;
            m_pRecord.reset();
            break;
    }
}

Record* CellBlock::Get() {
    if (!m_pRecord && m_nCode != -1) {
        ByteSpan view = m_view;
        SetCode(m_nCode);
        m_view = view;
        if (m_pRecord && view.n) m_pRecord->Read(view);
    }
    return m_pRecord.get();
}

uint16_t CellBlock::Row() {
    if (!m_pRecord && m_view.n >= 8) return LoadLE16(m_view.p + 4);
    switch (m_nCode) {
        case CODE_FORMULA:
        case CODE_FORMULA_OLD:
            return As<Formula>()->m_nRow;
        case CODE_MULRK:
            return As<MulRK>()->m_nRow;
        case CODE_MULBLANK:
            return As<MulBlank>()->m_nRow;
        case CODE_LABELSST:
            return As<LabelSST>()->m_nRow;
        case CODE_BLANK:
            return As<Blank>()->m_nRow;
        case CODE_NUMBER:
            return As<Number>()->m_nRow;
        case CODE_BOOLERR:
            return As<BoolErr>()->m_nRow;
        case CODE_RK:
            return As<RK>()->m_nRow;
        default:
            return 0;
    }
}

uint16_t CellBlock::Column() {
    if (!m_pRecord && m_view.n >= 8) return LoadLE16(m_view.p + 6);
    switch (m_nCode) {
        case CODE_FORMULA:
        case CODE_FORMULA_OLD:
            return As<Formula>()->m_nColumn;
        case CODE_MULRK:
            return As<MulRK>()->m_nFirstColumn;
        case CODE_MULBLANK:
            return As<MulBlank>()->m_nFirstColumn;
        case CODE_LABELSST:
            return As<LabelSST>()->m_nColumn;
        case CODE_BLANK:
            return As<Blank>()->m_nColumn;
        case CODE_NUMBER:
            return As<Number>()->m_nColumn;
        case CODE_BOOLERR:
            return As<BoolErr>()->m_nColumn;
        case CODE_RK:
            return As<RK>()->m_nColumn;
        default:
            return 0;
    }
}

uint32_t CellBlock::RecordSize() {
    if (m_pRecord) return m_pRecord->RecordSize();
    return uint32_t(m_view.n);
}

size_t CellBlock::Write(std::vector<uint8_t>& out) {
    if (m_pRecord) return m_pRecord->Write(out);
    out.insert(out.end(), m_view.p, m_view.p + m_view.n);
    return m_view.n;
}

// ---- row blocks and the cell table ----

namespace {
size_t FormulaExtent(ByteSpan b);
}

bool RowBlock::CellWalker::Next(uint16_t& code, ByteSpan& record) {
    uint16_t len;
    while (PeekHeader(From(m_view, m_nPos), code, len)) {
        ByteSpan at = From(m_view, m_nPos);
        size_t used;
        bool cell = CellBlock::IsCellCode(code);
        if (cell)
            used = IsFormulaCode(code) ? FormulaExtent(at) : SkipRecord(at);
        else
            used = code == CODE_BOF ? SkipSubstream(at) : SkipRecord(at);
        if (used == 0) return false;  // not after the checks of the reading
        m_nPos += used;
        if (cell) {
            record = ByteSpan{at.p, used};
            return true;
        }
    }
    return false;
}

void RowBlock::Materialize() {
    if (m_view.n == 0) return;
    ByteSpan view = m_view;
    m_view = ByteSpan();
    uint16_t code, len;
    for (size_t pos = 0; PeekHeader(From(view, pos), code, len);) {
        ByteSpan at = From(view, pos);
        size_t used;
        if (code == CODE_ROW) {
            m_rows.emplace_back();
            used = m_rows.back().Read(at);
        } else if (CellBlock::IsCellCode(code)) {
            used = IsFormulaCode(code) ? FormulaExtent(at) : SkipRecord(at);
            m_cells.emplace_back(code, ByteSpan{at.p, used});
        } else {
            used = code == CODE_BOF ? SkipSubstream(at) : SkipRecord(at);
        }
        if (used == 0) break;
        pos += used;
    }
}

uint32_t RowBlock::RowsSize() {
    Materialize();
    uint32_t s = 0;
    for (Row& r : m_rows) s += r.RecordSize();
    return s;
}

uint32_t RowBlock::CellsSize() {
    Materialize();
    uint32_t s = 0;
    for (CellBlock& c : m_cells) s += c.RecordSize();
    return s;
}

uint32_t RowBlock::Size() {
    return RowsSize() + CellsSize() + m_dbCell.RecordSize();
}

size_t RowBlock::Write(std::vector<uint8_t>& out) {
    Materialize();
    size_t start = out.size();
    for (Row& r : m_rows) r.Write(out);
    for (CellBlock& c : m_cells) c.Write(out);
    m_dbCell.Write(out);
    return out.size() - start;
}

uint32_t Worksheet::CellTable::Size() {
    uint32_t s = 0;
    for (RowBlock& b : m_blocks) s += b.Size();
    return s;
}

size_t Worksheet::CellTable::Write(std::vector<uint8_t>& out) {
    size_t n = 0;
    for (RowBlock& b : m_blocks) n += b.Write(out);
    return n;
}

namespace {

// Stream bytes of a FORMULA together with the record attached to it and its STRING.
size_t FormulaExtent(ByteSpan b) {
    size_t pos = SkipRecord(b);
    if (pos == 0) return 0;
    uint16_t code, len;
    if (PeekHeader(From(b, pos), code, len) && (code == CODE_TABLE || code == CODE_SHRFMLA_OLD ||
                                                code == CODE_ARRAY || code == CODE_SHRFMLA)) {
        size_t used = SkipRecord(From(b, pos));
        if (used == 0) return 0;
        pos += used;
    }
    if (PeekHeader(From(b, pos), code, len) && code == CODE_STRING) {
        size_t used = SkipRecord(From(b, pos));
        if (used == 0) return 0;
        pos += used;
    }
    return pos;
}

// Reads one row block: ROW records and cell records up to its DBCELL. A sheet that ends
// inside the block raises EXCEPTION_ZEOF. Returns the bytes consumed, 0 when malformed.
size_t ReadRowBlock(RowBlock& block, ByteSpan b, Worksheet& sheet, size_t& failedAt) {
    // Every record is checked here; the Row records and cell handles are made later, from
    // the block's bytes, if at all (RowBlock::Materialize).
    size_t pos = 0;
    uint16_t code, len;
    auto fail = [&]() -> size_t {
        failedAt = pos;
        return 0;
    };
    while (PeekHeader(From(b, pos), code, len)) {
        ByteSpan at = From(b, pos);
        size_t used = 0;
        if (CellBlock::IsCellCode(code)) {
            used = IsFormulaCode(code) ? FormulaExtent(at) : SkipRecord(at);
            if (used == 0 || len < MinCellData(code)) return fail();
        } else {
            switch (code) {
                case CODE_ROW:
                    used = SkipRecord(at);
                    if (len < 16) return fail();
                    break;
                case CODE_DBCELL:
                    block.m_view = ByteSpan{b.p, pos};
                    used = block.m_dbCell.Read(at);
                    return used ? pos + used : fail();
                case CODE_EOF:
                    if (4 + size_t(len) > at.n) return fail();
                    block.m_view = ByteSpan{b.p, pos};
                    throw EXCEPTION_ZEOF{pos + 4 + len};
                case CODE_BOF:  // an embedded chart: skipped whole
                    used = SkipSubstream(at);
                    break;
                // Sheets without DBCELL records meet these inside the last block; they
                // belong to the sheet all the same.
                case CODE_WINDOW2:
                    used = sheet.m_window2.Read(at);
                    break;
                case CODE_MERGEDCELLS:
                    used = sheet.m_mergedCells.Read(at);
                    break;
                default:
                    used = SkipRecord(at);
                    break;
            }
        }
        if (used == 0) return fail();
        pos += used;
    }
    return fail();  // the stream ended inside the block
}

// Reads row blocks while the record at the front is a ROW; consumed counts the blocks
// completed so far, so that it is right even when EXCEPTION_ZEOF ends the reading.
size_t ReadCellTable(Worksheet::CellTable& table, ByteSpan b, Worksheet& sheet, size_t& consumed,
                     size_t& failedAt) {
    consumed = 0;
    if (table.m_blocks.empty()) table.m_blocks.reserve(64);
    uint16_t code, len;
    while (PeekHeader(From(b, consumed), code, len) && code == CODE_ROW) {
        table.m_blocks.emplace_back();
        size_t at = 0;
        size_t used = ReadRowBlock(table.m_blocks.back(), From(b, consumed), sheet, at);
        if (used == 0) {
            failedAt = consumed + at;
            return 0;
        }
        consumed += used;
    }
    return consumed;
}

}  // namespace

size_t Worksheet::Read(ByteSpan b, size_t* failedAt) {
    size_t pos = 0;
    bool haveBof = false;
    uint16_t code, len;
    size_t inner = 0;  // where inside the current record's reading it failed
    auto fail = [&]() -> size_t {
        if (failedAt) *failedAt = pos + inner;
        return 0;
    };
    while (PeekHeader(From(b, pos), code, len)) {
        ByteSpan at = From(b, pos);
        size_t used = 0;
        switch (code) {
            case CODE_BOF:
                if (haveBof) {
                    used = SkipSubstream(at);  // an embedded chart inside the sheet
                } else {
                    used = m_bof.Read(at);
                    haveBof = true;
                }
                break;
            case CODE_INDEX:
                used = m_index.Read(at);
                break;
            case CODE_COLINFO:
                m_colInfos.emplace_back();
                used = m_colInfos.back().Read(at);
                break;
            case CODE_DIMENSIONS:
                used = m_dimensions.Read(at);
                break;
            case CODE_ROW: {
                size_t consumed = 0;
                try {
                    used = ReadCellTable(m_cellTable, at, *this, consumed, inner);
                } catch (const EXCEPTION_ZEOF& e) {
                    return pos + consumed + e.m_nConsumed;
                }
                break;
            }
            case CODE_WINDOW2:
                used = m_window2.Read(at);
                break;
            case CODE_MERGEDCELLS:
                used = m_mergedCells.Read(at);
                break;
            case CODE_WSBOOL:
                used = SkipRecord(at);
                if (len >= 2 && (LoadLE16(at.p + 4) & 0x0010)) m_bDialog = true;
                break;
            case CODE_EOF:
                if (4 + size_t(len) > at.n) return fail();
                return pos + 4 + len;
            default:
                used = SkipRecord(at);
                break;
        }
        if (used == 0) return fail();
        pos += used;
    }
    return fail();  // no EOF before the end of the stream
}

uint32_t Worksheet::Size() {
    return m_bof.RecordSize() + m_index.RecordSize() + m_colInfos.Size() +
           m_dimensions.RecordSize() + m_cellTable.Size() + m_window2.RecordSize() +
           m_mergedCells.Size() + m_eof.RecordSize();
}

size_t Worksheet::Write(std::vector<uint8_t>& out) {
    size_t start = out.size();
    m_bof.Write(out);
    m_index.Write(out);
    m_colInfos.Write(out);
    m_dimensions.Write(out);
    m_cellTable.Write(out);
    m_window2.Write(out);
    m_mergedCells.Write(out);
    m_eof.Write(out);
    return out.size() - start;
}

std::vector<uint32_t> FixOffsets(uint32_t globalsSize, std::vector<Worksheet>& sheets) {
    std::vector<uint32_t> starts;
    uint32_t p = globalsSize;
    for (Worksheet& s : sheets) {
        starts.push_back(p);
        auto& blocks = s.m_cellTable.m_blocks;
        // One DBCELL position per block, and at least one, before any size is taken.
        s.m_index.m_dbCells.resize(std::max<size_t>(1, blocks.size()), 0);
        p += s.m_bof.RecordSize() + s.m_index.RecordSize() + s.m_colInfos.Size() +
             s.m_dimensions.RecordSize();
        for (size_t j = 0; j < blocks.size(); ++j) {
            RowBlock& block = blocks[j];
            block.Materialize();
            uint32_t rowsSize = block.RowsSize();
            uint32_t cellsSize = block.CellsSize();
            p += rowsSize + cellsSize;
            s.m_index.m_dbCells[j] = p;
            block.m_dbCell.m_nFirstRowOffset = rowsSize + cellsSize;
            block.m_dbCell.m_rowOffsets.resize(block.m_rows.size(), 0);
            // From the second ROW to the first cell, then from each row's first cell to the
            // next row's first cell.
            uint32_t v = rowsSize - 20;
            size_t k = 0;
            for (size_t r = 0; r < block.m_rows.size(); ++r) {
                uint16_t row = block.m_rows[r].m_nRow;
                while (k < block.m_cells.size() && block.m_cells[k].Row() < row)
                    v += block.m_cells[k++].RecordSize();
                if (k < block.m_cells.size()) {
                    block.m_dbCell.m_rowOffsets[r] = uint16_t(v);
                    v = 0;
                }
            }
            p += block.m_dbCell.RecordSize();
        }
        p += s.m_window2.RecordSize() + s.m_mergedCells.Size() + s.m_eof.RecordSize();
    }
    return starts;
}

}  // namespace ZExcel
