// Builds small BIFF8 streams byte by byte for the record and workbook tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace biff_test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, uint16_t(v));
    Put16(b, uint16_t(v >> 16));
}
inline void PutDouble(Bytes& b, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    Put32(b, uint32_t(bits));
    Put32(b, uint32_t(bits >> 32));
}

// One record: code, length, data.
inline Bytes Rec(uint16_t code, const Bytes& data) {
    Bytes b;
    Put16(b, code);
    Put16(b, uint16_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Bof(uint16_t type, size_t size = 16) {
    Bytes d;
    Put16(d, 0x0600);
    Put16(d, type);
    d.resize(size, 0);
    return Rec(0x0809, d);
}
inline Bytes Eof() {
    return Rec(0x000A, {});
}

// BOUNDSHEET with an 8-bit name (or 16-bit when wide).
inline Bytes BoundSheet(uint32_t pos, const std::string& name, uint8_t type = 0,
                        bool wide = false) {
    Bytes d;
    Put32(d, pos);
    d.push_back(0);
    d.push_back(type);
    d.push_back(uint8_t(name.size()));
    d.push_back(wide ? 1 : 0);
    for (char c : name) {
        d.push_back(uint8_t(c));
        if (wide) d.push_back(0);
    }
    return Rec(0x0085, d);
}

// SST of 8-bit strings, all in one record.
inline Bytes Sst(const std::vector<std::string>& strings) {
    Bytes d;
    Put32(d, uint32_t(strings.size()));
    Put32(d, uint32_t(strings.size()));
    for (const std::string& s : strings) {
        Put16(d, uint16_t(s.size()));
        d.push_back(0);
        d.insert(d.end(), s.begin(), s.end());
    }
    return Rec(0x00FC, d);
}

inline Bytes Row(uint16_t row, uint16_t lastColPlus1 = 1) {
    Bytes d;
    Put16(d, row);
    Put16(d, 0);
    Put16(d, lastColPlus1);
    Put16(d, 255);
    Put32(d, 0);
    Put32(d, 0x100);
    return Rec(0x0208, d);
}

inline Bytes Rk(uint16_t row, uint16_t col, uint32_t rk, uint16_t xf = 15) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, xf);
    Put32(d, rk);
    return Rec(0x027E, d);
}

inline Bytes Number(uint16_t row, uint16_t col, double v, uint16_t xf = 15) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, xf);
    PutDouble(d, v);
    return Rec(0x0203, d);
}

inline Bytes LabelSst(uint16_t row, uint16_t col, uint32_t index, uint16_t xf = 15) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, xf);
    Put32(d, index);
    return Rec(0x00FD, d);
}

inline Bytes Blank(uint16_t row, uint16_t col, uint16_t xf = 15) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, xf);
    return Rec(0x0201, d);
}

// FORMULA with a result that is not a number: type byte, value byte, 0xFFFF at the end; its
// tokens are one integer constant.
inline Bytes Formula(uint16_t row, uint16_t col, uint8_t type, uint8_t value,
                     uint16_t code = 0x0006) {
    Bytes d;
    Put16(d, row);
    Put16(d, col);
    Put16(d, 15);
    const Bytes result = {type, 0, value, 0, 0, 0, 0xFF, 0xFF};
    d.insert(d.end(), result.begin(), result.end());
    Put16(d, 0);
    Put32(d, 0);
    Put16(d, 3);
    d.insert(d.end(), {0x1E, 1, 0});
    return Rec(code, d);
}

inline Bytes DbCell() {
    Bytes d;
    Put32(d, 0);
    return Rec(0x00D7, d);
}

inline Bytes Merged(const std::vector<std::vector<uint16_t>>& ranges) {
    Bytes d;
    Put16(d, uint16_t(ranges.size()));
    for (const auto& r : ranges)
        for (uint16_t v : r) Put16(d, v);
    return Rec(0x00E5, d);
}

// A whole stream: globals naming the given sheets (positions fixed up), then the sheets'
// substreams (each given without its BOF and EOF).
inline Bytes WorkbookStream(const std::vector<std::string>& names, const std::vector<Bytes>& sheets,
                            const Bytes& globalsExtra = {}) {
    std::vector<Bytes> bodies;
    for (const Bytes& s : sheets) bodies.push_back(Cat({Bof(0x0010), s, Eof()}));
    size_t globalsSize = Bof(0x0005).size() + globalsExtra.size() + Eof().size();
    for (const std::string& n : names) globalsSize += BoundSheet(0, n).size();
    Bytes globals = Bof(0x0005);
    size_t pos = globalsSize;
    for (size_t i = 0; i < names.size(); ++i) {
        Bytes bs = BoundSheet(uint32_t(pos), names[i]);
        globals.insert(globals.end(), bs.begin(), bs.end());
        if (i < bodies.size()) pos += bodies[i].size();
    }
    globals = Cat({globals, globalsExtra, Eof()});
    for (const Bytes& b : bodies) globals.insert(globals.end(), b.begin(), b.end());
    return globals;
}

// Walks the records of a stream: (position, code, length) of each.
struct RecordAt {
    size_t pos;
    uint16_t code;
    uint16_t length;
};
inline std::vector<RecordAt> Records(const Bytes& s) {
    std::vector<RecordAt> out;
    for (size_t p = 0; p + 4 <= s.size();) {
        uint16_t code = uint16_t(s[p] | (s[p + 1] << 8));
        uint16_t len = uint16_t(s[p + 2] | (s[p + 3] << 8));
        out.push_back({p, code, len});
        p += 4 + len;
    }
    return out;
}

}  // namespace biff_test
