// Workbook globals records, the shared string table, and the globals read and write.
#include "spreadsheet/zexcel_workbook.h"

#include <cstring>

#include "base/byte_order.h"

namespace ZExcel {

using kovra::LoadLE16;
using kovra::LoadLE32;
using kovra::StoreLE16;
using kovra::StoreLE32;

// ---- Window1 ----

size_t Workbook::Window1::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0) return 0;
    uint16_t* fields[] = {&m_nX,           &m_nY,        &m_nWidth,    &m_nHeight,  &m_nOptions,
                          &m_nActiveSheet, &m_nFirstTab, &m_nSelected, &m_nTabRatio};
    for (size_t i = 0; i < 9 && 2 * i + 2 <= m_data.size(); ++i)
        *fields[i] = LoadLE16(m_data.data() + 2 * i);
    return n;
}

size_t Workbook::Window1::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_WINDOW1, 18);
    const uint16_t fields[] = {m_nX,           m_nY,        m_nWidth,    m_nHeight,  m_nOptions,
                               m_nActiveSheet, m_nFirstTab, m_nSelected, m_nTabRatio};
    for (size_t i = 0; i < 9; ++i) StoreLE16(p + 2 * i, fields[i]);
    return 22;
}

// ---- Font ----

Workbook::Font::Font() : Record(CODE_FONT) {
    m_name.Set16(u"Arial");
    RecordSize();
}

size_t Workbook::Font::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0) return 0;
    m_bRaw = true;
    if (m_data.size() < 14) return n;
    const uint8_t* d = m_data.data();
    m_nHeight = LoadLE16(d);
    m_nOptions = LoadLE16(d + 2);
    m_nColour = LoadLE16(d + 4);
    m_nWeight = LoadLE16(d + 6);
    m_nEscapement = LoadLE16(d + 8);
    m_nUnderline = d[10];
    m_nFamily = d[11];
    m_nCharSet = d[12];
    m_nReserved = d[13];
    size_t pos = 14;
    if (!m_name.Read(d, m_data.size(), pos)) return n;
    m_bRaw = false;
    return n;
}

uint32_t Workbook::Font::DataSize() {
    return m_nDataSize = uint32_t(m_bRaw ? m_data.size() : 14 + m_name.FileSize());
}

size_t Workbook::Font::Write(std::vector<uint8_t>& out) {
    if (m_bRaw) return WritePieces(out);
    uint8_t* p = AppendRecord(out, CODE_FONT, DataSize());
    StoreLE16(p, m_nHeight);
    StoreLE16(p + 2, m_nOptions);
    StoreLE16(p + 4, m_nColour);
    StoreLE16(p + 6, m_nWeight);
    StoreLE16(p + 8, m_nEscapement);
    p[10] = m_nUnderline;
    p[11] = m_nFamily;
    p[12] = m_nCharSet;
    p[13] = m_nReserved;
    m_name.Write(p + 14);
    return RecordSize();
}

// ---- Format ----

Workbook::Format::Format() : Record(CODE_FORMAT) {
    m_text.Set16(u"General");
    RecordSize();
}

size_t Workbook::Format::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0) return 0;
    m_bRaw = true;
    if (m_data.size() < 2) return n;
    m_nIndex = LoadLE16(m_data.data());
    size_t pos = 2;
    m_text = UnicodeText();
    if (!m_text.Read(m_data.data(), m_data.size(), pos, &m_continueOffsets)) return n;
    m_bRaw = false;
    return n;
}

size_t Workbook::Format::Write(std::vector<uint8_t>& out) {
    if (m_bRaw) return WritePieces(out);
    m_continueOffsets.clear();
    m_data.assign(DataSize(), 0);
    StoreLE16(m_data.data(), m_nIndex);
    // A format string never comes near the record limit (at most 255 characters).
    WriteTexts(&m_text, 1, m_continueOffsets, m_data, 2);
    return WritePieces(out);
}

// ---- XF ----

size_t Workbook::XF::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0) return 0;
    // A short XF keeps its place in the list, so the indexes of the later ones stay right.
    m_bRaw = m_data.size() < 20;
    if (m_bRaw) return n;
    const uint8_t* d = m_data.data();
    m_nFont = LoadLE16(d);
    m_nFormat = LoadLE16(d + 2);
    m_nTypeProtection = LoadLE16(d + 4);
    m_nAlignment = d[6];
    m_nRotation = d[7];
    m_nIndent = d[8];
    m_nUsed = d[9];
    m_nBorderLines = LoadLE32(d + 10);
    m_nBorderColours = LoadLE32(d + 14);
    m_nPatternColours = LoadLE16(d + 18);
    return n;
}

size_t Workbook::XF::Write(std::vector<uint8_t>& out) {
    if (m_bRaw) return WritePieces(out);
    uint8_t* p = AppendRecord(out, CODE_XF, 20);
    StoreLE16(p, m_nFont);
    StoreLE16(p + 2, m_nFormat);
    StoreLE16(p + 4, m_nTypeProtection);
    p[6] = m_nAlignment;
    p[7] = m_nRotation;
    p[8] = m_nIndent;
    p[9] = m_nUsed;
    StoreLE32(p + 10, m_nBorderLines);
    StoreLE32(p + 14, m_nBorderColours);
    StoreLE16(p + 18, m_nPatternColours);
    return 24;
}

// ---- Style ----

size_t Workbook::Style::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0) return 0;
    m_bRaw = true;
    if (m_data.size() < 2) return n;
    m_nXF = LoadLE16(m_data.data());
    if (IsBuiltIn()) {
        if (m_data.size() < 4) return n;
        m_nBuiltInId = m_data[2];
        m_nLevel = m_data[3];
    } else {
        size_t pos = 2;
        m_name = UnicodeText();
        if (!m_name.Read(m_data.data(), m_data.size(), pos, &m_continueOffsets)) return n;
    }
    m_bRaw = false;
    return n;
}

size_t Workbook::Style::Write(std::vector<uint8_t>& out) {
    if (m_bRaw) return WritePieces(out);
    if (IsBuiltIn()) {
        uint8_t* p = AppendRecord(out, CODE_STYLE, 4);
        StoreLE16(p, m_nXF);
        p[2] = m_nBuiltInId;
        p[3] = m_nLevel;
        return 8;
    }
    m_continueOffsets.clear();
    m_data.assign(DataSize(), 0);
    StoreLE16(m_data.data(), m_nXF);
    WriteTexts(&m_name, 1, m_continueOffsets, m_data, 2);
    return WritePieces(out);
}

// ---- BoundSheet ----

Workbook::BoundSheet::BoundSheet() : Record(CODE_BOUNDSHEET) {
    m_name.Set8("Sheet1");
    RecordSize();
}

size_t Workbook::BoundSheet::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 6) return 0;
    const uint8_t* d = m_data.data();
    m_nPosition = LoadLE32(d);
    m_nVisibility = d[4];
    m_nType = d[5];
    size_t pos = 6;
    if (!m_name.Read(d, m_data.size(), pos)) return 0;
    return n;
}

size_t Workbook::BoundSheet::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_BOUNDSHEET, DataSize());
    StoreLE32(p, m_nPosition);
    p[4] = m_nVisibility;
    p[5] = m_nType;
    m_name.Write(p + 6);
    return RecordSize();
}

// ---- SharedStringTable ----

size_t Workbook::SharedStringTable::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 8) return 0;
    m_nTotal = LoadLE32(m_data.data());
    m_nUnique = LoadLE32(m_data.data() + 4);
    // Every string takes at least its 3-byte header, so a count beyond what the data can
    // hold is refused before anything is allocated for it.
    if (m_nUnique > (m_data.size() - 8) / 3) return 0;
    m_strings.assign(m_nUnique, UnicodeText());
    size_t pos = 8;
    for (UnicodeText& s : m_strings)
        if (!s.Read(m_data.data(), m_data.size(), pos, &m_continueOffsets)) return 0;
    // The decoded strings are all that is kept: the raw data would only double the memory.
    m_data.clear();
    m_data.shrink_to_fit();
    return n;
}

uint32_t Workbook::SharedStringTable::DataSize() {
    m_continueOffsets.clear();
    return m_nDataSize = LayoutTexts(8, m_strings.data(), m_strings.size(), m_continueOffsets);
}

uint32_t Workbook::SharedStringTable::RecordSize() {
    DataSize();
    return m_nRecordSize = m_nDataSize + 4 + 4 * uint32_t(m_continueOffsets.size());
}

size_t Workbook::SharedStringTable::Write(std::vector<uint8_t>& out) {
    m_data.assign(DataSize(), 0);
    StoreLE32(m_data.data(), m_nTotal);
    StoreLE32(m_data.data() + 4, m_nUnique);
    WriteTexts(m_strings.data(), m_strings.size(), m_continueOffsets, m_data, 8);
    size_t n = WritePieces(out);
    m_data.clear();
    m_data.shrink_to_fit();
    return n;
}

// ---- ExtSST ----

size_t Workbook::ExtSST::Read(ByteSpan b) {
    size_t n = Record::Read(b);
    if (n == 0 || m_data.size() < 2) return 0;
    m_nPerBucket = LoadLE16(m_data.data());
    m_buckets.clear();
    for (size_t pos = 2; pos + 8 <= m_data.size(); pos += 8) {
        Bucket bk;
        bk.m_nPosition = LoadLE32(m_data.data() + pos);
        bk.m_nOffset = LoadLE16(m_data.data() + pos + 4);
        bk.m_nReserved = LoadLE16(m_data.data() + pos + 6);
        m_buckets.push_back(bk);
    }
    return n;
}

size_t Workbook::ExtSST::Write(std::vector<uint8_t>& out) {
    m_continueOffsets.clear();
    m_data.assign(DataSize(), 0);
    StoreLE16(m_data.data(), m_nPerBucket);
    for (size_t i = 0; i < m_buckets.size(); ++i) {
        uint8_t* p = m_data.data() + 2 + 8 * i;
        StoreLE32(p, m_buckets[i].m_nPosition);
        StoreLE16(p + 4, m_buckets[i].m_nOffset);
        StoreLE16(p + 6, m_buckets[i].m_nReserved);
    }
    return WritePieces(out);
}

// ---- the globals substream ----

namespace {

template <typename T>
bool ReadInto(std::vector<T>& list, ByteSpan b, size_t& used) {
    list.emplace_back();
    used = list.back().Read(b);
    return used != 0;
}

ByteSpan From(ByteSpan b, size_t pos) {
    return ByteSpan{b.p + pos, b.n - pos};
}

}  // namespace

size_t Workbook::Read(ByteSpan b, size_t* failedAt) {
    size_t pos = 0;
    uint16_t code, len;
    auto fail = [&]() -> size_t {
        if (failedAt) *failedAt = pos;
        return 0;
    };
    while (PeekHeader(From(b, pos), code, len)) {
        ByteSpan at = From(b, pos);
        size_t used = 0;
        switch (code) {
            case CODE_FILEPASS:
                m_bEncrypted = true;
                return fail();
            case CODE_EOF:
                if (4 + size_t(len) > at.n) return fail();
                return pos + 4 + len;
            case CODE_BOF:
                // A second BOF means the globals never ended: their EOF is missing.
                if (pos != 0) return fail();
                used = m_bof.Read(at);
                break;
            case CODE_WINDOW1:
                used = m_window1.Read(at);
                break;
            case CODE_FONT:
                ReadInto(m_fonts, at, used);
                break;
            case CODE_FORMAT:
                ReadInto(m_formats, at, used);
                break;
            case CODE_XF:
                ReadInto(m_xfs, at, used);
                break;
            case CODE_STYLE:
                ReadInto(m_styles, at, used);
                break;
            case CODE_BOUNDSHEET:
                ReadInto(m_boundSheets, at, used);
                break;
            case CODE_SST:
                used = m_sst.Read(at);
                break;
            default:
                used = SkipRecord(at);
                break;  // EXTSST included: rebuilt never
        }
        if (used == 0) return fail();
        pos += used;
    }
    return fail();  // no EOF before the end of the stream
}

uint32_t Workbook::Size() {
    uint64_t size = m_bof.RecordSize() + m_window1.RecordSize();
    for (Font& f : m_fonts) size += f.RecordSize();
    for (Format& f : m_formats)
        if (f.IsWritten()) size += f.RecordSize();
    for (XF& x : m_xfs) size += x.RecordSize();
    for (Style& s : m_styles) size += s.RecordSize();
    for (BoundSheet& s : m_boundSheets) size += s.RecordSize();
    size += m_sst.RecordSize() + m_eof.RecordSize();
    return uint32_t(size);
}

size_t Workbook::Write(std::vector<uint8_t>& out) {
    size_t start = out.size();
    m_bof.Write(out);
    m_window1.Write(out);
    for (Font& f : m_fonts) f.Write(out);
    for (Format& f : m_formats)
        if (f.IsWritten()) f.Write(out);
    for (XF& x : m_xfs) x.Write(out);
    for (Style& s : m_styles) s.Write(out);
    for (BoundSheet& s : m_boundSheets) s.Write(out);
    m_sst.Write(out);
    m_eof.Write(out);
    return out.size() - start;
}

}  // namespace ZExcel
