// Little- and big-endian loads and stores, and a bounds-checked byte cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kovra {

inline uint16_t LoadLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}
inline uint64_t LoadLE64(const uint8_t* p) {
    return uint64_t(LoadLE32(p)) | (uint64_t(LoadLE32(p + 4)) << 32);
}

inline uint16_t LoadBE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t LoadBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void StoreBE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void StoreBE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// Reads fixed-width values from a byte range. Every read is checked against the end once:
// a read past the end yields zeros and sets the failed flag, so a parser can decode a whole
// structure and test Ok() at the end instead of checking each field.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_p(data), m_size(size) {}

    uint8_t U8() { return Has(1) ? m_p[m_pos++] : Fail<uint8_t>(1); }
    uint16_t U16() { return Has(2) ? Advance(LoadLE16(m_p + m_pos), 2) : Fail<uint16_t>(2); }
    uint32_t U32() { return Has(4) ? Advance(LoadLE32(m_p + m_pos), 4) : Fail<uint32_t>(4); }
    uint64_t U64() { return Has(8) ? Advance(LoadLE64(m_p + m_pos), 8) : Fail<uint64_t>(8); }
    int16_t I16() { return int16_t(U16()); }
    int32_t I32() { return int32_t(U32()); }
    double F64() {
        uint64_t bits = U64();
        double d;
        static_assert(sizeof d == sizeof bits, "IEEE double expected");
        __builtin_memcpy(&d, &bits, sizeof d);
        return d;
    }
    // Points at n bytes and skips them; null when fewer remain.
    const uint8_t* Bytes(size_t n) {
        if (!Has(n)) return Fail<const uint8_t*>(n);
        const uint8_t* p = m_p + m_pos;
        m_pos += n;
        return p;
    }
    void Skip(size_t n) { Bytes(n); }

    bool Ok() const { return !m_failed; }
    size_t Offset() const { return m_pos; }
    size_t Remaining() const { return m_size - m_pos; }
    void Seek(size_t pos) {
        if (pos > m_size) {
            m_failed = true;
            pos = m_size;
        }
        m_pos = pos;
    }

private:
    bool Has(size_t n) const { return n <= m_size - m_pos; }
    template <typename T>
    T Advance(T v, size_t n) {
        m_pos += n;
        return v;
    }
    template <typename T>
    T Fail(size_t) {
        m_failed = true;
        m_pos = m_size;
        return T{};
    }

    const uint8_t* m_p;
    size_t m_size;
    size_t m_pos = 0;
    bool m_failed = false;
};

// Appends fixed-width little-endian values to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    void F64(double d) {
        uint64_t bits;
        __builtin_memcpy(&bits, &d, sizeof d);
        U64(bits);
    }
    void Bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }

private:
    void Put(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) m_out.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t>& m_out;
};

}  // namespace kovra
