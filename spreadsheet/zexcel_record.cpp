// Record base: reading with CONTINUE records, writing with the same or fresh split points;
// the two text forms and their layout across CONTINUE records.
#include "spreadsheet/zexcel_record.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"

namespace ZExcel {

using kovra::LoadLE16;
using kovra::LoadLE32;
using kovra::StoreLE16;
using kovra::StoreLE32;

bool PeekHeader(ByteSpan bytes, uint16_t& code, uint16_t& length) {
    if (bytes.n < 4) return false;
    code = LoadLE16(bytes.p);
    length = LoadLE16(bytes.p + 2);
    return true;
}

size_t SkipRecord(ByteSpan b) {
    uint16_t code, len;
    if (!PeekHeader(b, code, len) || 4 + size_t(len) > b.n) return 0;
    size_t pos = 4 + size_t(len);
    while (pos + 4 <= b.n && LoadLE16(b.p + pos) == CODE_CONTINUE) {
        size_t next = pos + 4 + LoadLE16(b.p + pos + 2);
        if (next > b.n) return 0;
        pos = next;
    }
    return pos;
}

Record::~Record() = default;

size_t Record::Read(ByteSpan b) {
    uint16_t len;
    if (!PeekHeader(b, m_nCode, len) || 4 + size_t(len) > b.n) return 0;
    m_data.assign(b.p + 4, b.p + 4 + len);
    m_nDataSize = len;
    m_nRecordSize = len + 4u;
    m_continueOffsets.clear();
    size_t pos = 4 + size_t(len);
    while (pos + 4 <= b.n && LoadLE16(b.p + pos) == CODE_CONTINUE) {
        size_t clen = LoadLE16(b.p + pos + 2);
        if (pos + 4 + clen > b.n) return 0;
        m_continueOffsets.push_back(m_nDataSize);
        m_data.insert(m_data.end(), b.p + pos + 4, b.p + pos + 4 + clen);
        m_nDataSize += uint32_t(clen);
        m_nRecordSize += uint32_t(clen) + 4;
        pos += 4 + clen;
    }
    return m_nRecordSize;
}

size_t Record::ReadData(ByteSpan b, ByteSpan& data) {
    uint16_t len;
    if (!PeekHeader(b, m_nCode, len) || 4 + size_t(len) > b.n) return 0;
    if (4 + size_t(len) + 4 <= b.n && LoadLE16(b.p + 4 + len) == CODE_CONTINUE) {
        size_t n = Record::Read(b);
        data = ByteSpan{m_data.data(), m_data.size()};
        return n;
    }
    m_data.clear();
    m_continueOffsets.clear();
    m_nDataSize = len;
    m_nRecordSize = len + 4u;
    data = ByteSpan{b.p + 4, len};
    return m_nRecordSize;
}

uint8_t* AppendRecord(std::vector<uint8_t>& out, uint16_t code, size_t n) {
    size_t at = out.size();
    out.resize(at + 4 + n);
    uint8_t* p = out.data() + at;
    StoreLE16(p, code);
    StoreLE16(p + 2, uint16_t(n));
    return p + 4;
}

size_t Record::WritePieces(std::vector<uint8_t>& out) const {
    size_t start = out.size();
    size_t total = m_data.size();
    auto piece = [&](uint16_t code, size_t from, size_t to) {
        uint8_t* p = AppendRecord(out, code, to - from);
        if (to > from) std::memcpy(p, m_data.data() + from, to - from);
    };
    if (!m_continueOffsets.empty()) {
        size_t from = 0;
        uint16_t code = m_nCode;
        for (uint32_t off : m_continueOffsets) {
            size_t to = std::min<size_t>(std::max<size_t>(off, from), total);
            piece(code, from, to);
            code = CODE_CONTINUE;
            from = to;
        }
        piece(CODE_CONTINUE, from, total);
    } else {
        size_t from = 0;
        uint16_t code = m_nCode;
        do {
            size_t to = std::min<size_t>(from + kMaxRecordData, total);
            piece(code, from, to);
            code = CODE_CONTINUE;
            from = to;
        } while (from < total);
    }
    return out.size() - start;
}

size_t Record::Write(std::vector<uint8_t>& out) {
    return WritePieces(out);
}

uint32_t Record::DataSize() {
    return m_nDataSize;
}
uint32_t Record::RecordSize() {
    return m_nRecordSize;
}

// ---- texts ----

std::u16string Widen(const std::string& s) {
    std::u16string w(s.size(), u'\0');
    for (size_t i = 0; i < s.size(); ++i) w[i] = char16_t(uint8_t(s[i]));
    return w;
}

std::string Narrow(const std::u16string& w) {
    std::string s(w.size(), '\0');
    for (size_t i = 0; i < w.size(); ++i) s[i] = w[i] < 256 ? char(w[i]) : '?';
    return s;
}

bool ShortText::Read(const uint8_t* data, size_t size, size_t& pos) {
    if (pos + 2 > size) return false;
    size_t count = data[pos];
    m_nFlags = data[pos + 1];
    pos += 2;
    size_t bytes = count * (IsWide() ? 2 : 1);
    if (pos + bytes > size) return false;
    if (IsWide()) {
        m_wstr.resize(count);
        for (size_t i = 0; i < count; ++i) m_wstr[i] = LoadLE16(data + pos + 2 * i);
        m_str.clear();
    } else {
        m_str.assign(reinterpret_cast<const char*>(data + pos), count);
        m_wstr.clear();
    }
    pos += bytes;
    return true;
}

void ShortText::Write(uint8_t* p) const {
    size_t n = Length();
    p[0] = uint8_t(n);
    p[1] = IsWide() ? 1 : 0;
    if (IsWide()) {
        for (size_t i = 0; i < n; ++i) StoreLE16(p + 2 + 2 * i, m_wstr[i]);
    } else if (n) {
        std::memcpy(p + 2, m_str.data(), n);
    }
}

void ShortText::Set8(const std::string& s) {
    m_nFlags = 0;
    m_str = s.substr(0, 255);
    m_wstr.clear();
}

void ShortText::Set16(const std::u16string& s) {
    m_nFlags = 1;
    m_wstr = s.substr(0, 255);
    m_str.clear();
}

void UnicodeText::Set8(const std::string& s) {
    m_nFlags = 0;
    m_str = s;
    m_wstr.clear();
    m_nRuns = 0;
    m_nPhoneticSize = 0;
}

void UnicodeText::Set16(const std::u16string& s) {
    m_nFlags = 1;
    m_wstr = s;
    m_str.clear();
    m_nRuns = 0;
    m_nPhoneticSize = 0;
}

bool UnicodeText::Read(const uint8_t* data, size_t size, size_t& pos,
                       const std::vector<uint32_t>* offsets) {
    if (pos + 3 > size) return false;
    size_t count = LoadLE16(data + pos);
    uint8_t flags = data[pos + 2];
    pos += 3;
    m_nRuns = 0;
    m_nPhoneticSize = 0;
    if (flags & 8) {
        if (pos + 2 > size) return false;
        m_nRuns = LoadLE16(data + pos);
        pos += 2;
    }
    if (flags & 4) {
        if (pos + 4 > size) return false;
        m_nPhoneticSize = LoadLE32(data + pos);
        pos += 4;
    }
    if (m_nFlags == 0xFF) m_nFlags = flags & 1;
    m_nFlags = uint8_t((m_nFlags & 1) | (flags & 0x0C));
    m_str.clear();
    m_wstr.clear();
    bool pieceWide = flags & 1;
    size_t left = count;
    while (left > 0) {
        // Characters that reach a CONTINUE boundary go on after a flags byte of their own.
        if (offsets && std::binary_search(offsets->begin(), offsets->end(), uint32_t(pos))) {
            if (pos >= size) return false;
            pieceWide = data[pos] & 1;
            ++pos;
        }
        size_t end = size;
        if (offsets) {
            auto it = std::upper_bound(offsets->begin(), offsets->end(), uint32_t(pos));
            if (it != offsets->end()) end = std::min<size_t>(*it, size);
        }
        size_t unit = pieceWide ? 2 : 1;
        size_t take = std::min(left, (end - pos) / unit);
        if (take == 0) return false;  // not even one character before the boundary or end
        if (pieceWide && !IsWide()) {
            // A 16-bit piece in a string begun in 8 bits: the string becomes 16-bit, so no
            // character is lost to the narrowing.
            m_wstr = Widen(m_str);
            m_str.clear();
            m_nFlags |= 1;
        }
        if (IsWide()) {
            size_t at = m_wstr.size();
            m_wstr.resize(at + take);
            for (size_t i = 0; i < take; ++i)
                m_wstr[at + i] = pieceWide ? LoadLE16(data + pos + 2 * i) : data[pos + i];
        } else {
            m_str.append(reinterpret_cast<const char*>(data + pos), take);
        }
        pos += take * unit;
        left -= take;
    }
    size_t tail = size_t(m_nRuns) * 4 + m_nPhoneticSize;
    if (tail > size - pos) return false;
    pos += tail;
    return true;
}

uint32_t LayoutTexts(uint32_t size, const UnicodeText* texts, size_t count,
                     std::vector<uint32_t>& offsets) {
    // The texts follow other data in a record that starts at offset 0.
    uint64_t limit = kMaxRecordData;
    uint64_t sz = size;
    for (size_t i = 0; i < count; ++i) {
        const UnicodeText& t = texts[i];
        uint64_t n = t.CharBytes();
        bool wide = t.IsWide();
        if (sz + 3 + n <= limit) {
            sz += 3 + n;
            continue;
        }
        if (limit - sz < 12) {
            // Too little room left for a useful first piece: start a new record here.
            offsets.push_back(uint32_t(sz));
            limit = sz + kMaxRecordData;
            if (sz + 3 + n < limit) {
                sz += 3 + n;
                continue;
            }
        }
        // Split: the first piece fills this record; 16-bit characters are never cut in half.
        if (wide && (limit - sz) % 2 == 0) --limit;
        uint64_t first = limit - sz - 3;
        uint64_t rest = n - first;
        offsets.push_back(uint32_t(limit));
        uint64_t recordStart = limit;
        sz = limit;
        const uint64_t cap = wide ? kMaxRecordData - 2 : kMaxRecordData - 1;
        while (rest > 0) {
            uint64_t chunk = std::min(rest, cap);
            sz += 1 + chunk;
            rest -= chunk;
            if (rest > 0) {
                offsets.push_back(uint32_t(sz));
                recordStart = sz;
            }
        }
        limit = recordStart + kMaxRecordData;
    }
    return uint32_t(sz);
}

void WriteTexts(const UnicodeText* texts, size_t count, const std::vector<uint32_t>& offsets,
                std::vector<uint8_t>& data, size_t pos) {
    size_t next = 0;  // first offset not yet passed
    while (next < offsets.size() && offsets[next] <= pos) ++next;
    uint8_t* d = data.data();
    for (size_t i = 0; i < count; ++i) {
        const UnicodeText& t = texts[i];
        bool wide = t.IsWide();
        uint8_t flags = wide ? 1 : 0;
        size_t n = t.Length();
        StoreLE16(d + pos, uint16_t(n));
        d[pos + 2] = flags;
        pos += 3;
        while (next < offsets.size() && offsets[next] < pos) ++next;
        for (size_t k = 0; k < n; ++k) {
            if (next < offsets.size() && offsets[next] == pos) {
                d[pos++] = flags;
                ++next;
            }
            if (wide) {
                StoreLE16(d + pos, t.m_wstr[k]);
                pos += 2;
            } else {
                d[pos++] = uint8_t(t.m_str[k]);
            }
        }
        while (next < offsets.size() && offsets[next] <= pos) ++next;
    }
}

// ---- BOF and EOF ----

size_t BOF::Read(ByteSpan b) {
    ByteSpan data;
    size_t n = ReadData(b, data);
    if (n == 0 || data.n < kMinSize) return 0;
    const uint8_t* d = data.p;
    m_nVersion = LoadLE16(d);
    m_nType = LoadLE16(d + 2);
    m_nBuildId = LoadLE16(d + 4);
    m_nBuildYear = LoadLE16(d + 6);
    if (data.n >= 16) {
        m_nHistoryFlags = LoadLE32(d + 8);
        m_nLowestVersion = LoadLE32(d + 12);
    }
    return n;
}

size_t BOF::Write(std::vector<uint8_t>& out) {
    uint8_t* p = AppendRecord(out, CODE_BOF, 16);
    StoreLE16(p, m_nVersion);
    StoreLE16(p + 2, m_nType);
    StoreLE16(p + 4, m_nBuildId);
    StoreLE16(p + 6, m_nBuildYear);
    StoreLE32(p + 8, m_nHistoryFlags);
    StoreLE32(p + 12, m_nLowestVersion);
    return 20;
}

size_t ZEOF::Write(std::vector<uint8_t>& out) {
    AppendRecord(out, CODE_EOF, 0);
    return 4;
}

}  // namespace ZExcel
