// speed.raw encoding and the exchange sort that fixes its record order.
#include "rawconv/speed_raw.h"

#include <algorithm>
#include <cmath>
#include <utility>


#include "base/byte_order.h"

namespace rawconv {

int32_t ToMillionths(double degrees) {
    double v = degrees * 1000000.0;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);  // conversion truncates toward zero
}

void ExchangeSortByLatitude(CameraEntry* a, size_t n) {
    for (size_t k = 0; k + 1 < n; ++k)
        for (size_t j = k + 1; j < n; ++j)
            if (a[k].latitude > a[j].latitude) std::swap(a[k], a[j]);
}

void FastExchangeSortByLatitude(CameraEntry* a, size_t n) {
    // Pass k carries a[k] along the row and swaps it with every later entry strictly further
    // south. Value-wise the entry left at j is max(lat[j], carried) and the one carried on is
    // the smaller of the two; written that way the pass has no unpredictable branch. The
    // entries follow their latitudes as indexes and are put in place once at the end.
    std::vector<int32_t> lat(n);
    std::vector<uint32_t> idx(n);
    for (size_t i = 0; i < n; ++i) lat[i] = a[i].latitude, idx[i] = uint32_t(i);
    int32_t* L = lat.data();
    uint32_t* I = idx.data();
    for (size_t k = 0; k + 1 < n; ++k) {
        int32_t c = L[k];
        uint32_t ci = I[k];
        for (size_t j = k + 1; j < n; ++j) {
            const int32_t l = L[j];
            const uint32_t li = I[j];
            const bool south = l < c;
            L[j] = south ? c : l;
            I[j] = south ? ci : li;
            c = south ? l : c;
            ci = south ? li : ci;
        }
        L[k] = c;
        I[k] = ci;
    }
    std::vector<CameraEntry> sorted(n);
    for (size_t i = 0; i < n; ++i) sorted[i] = a[I[i]];
    std::copy(sorted.begin(), sorted.end(), a);
}

std::vector<uint8_t> EncodeSpeedRaw(int32_t version, int month, int day, const CameraEntry* a,
                                    size_t n) {
    std::vector<uint8_t> out(kHeaderSize + n * kRecordSize);
    out[0] = uint8_t(version);
    out[1] = uint8_t(month);
    out[2] = uint8_t(day);
    uint8_t* p = out.data() + kHeaderSize;
    for (size_t i = 0; i < n; ++i, p += kRecordSize) {
        kovra::StoreBE32(p, uint32_t(a[i].latitude));
        kovra::StoreBE32(p + 4, uint32_t(a[i].longitude));
        kovra::StoreBE16(p + 8, uint16_t(a[i].bearing));
        p[10] = uint8_t(a[i].speed);
        p[11] = uint8_t(a[i].type);
        p[12] = uint8_t(a[i].dir);
    }
    return out;
}

bool DecodeSpeedRaw(const uint8_t* data, size_t size, SpeedRawFile* out) {
    if (!IsSpeedRawSize(size)) return false;
    out->version = data[0];
    out->month = data[1];
    out->day = data[2];
    out->cameras.resize((size - kHeaderSize) / kRecordSize);
    const uint8_t* p = data + kHeaderSize;
    for (CameraEntry& c : out->cameras) {
        c.latitude = int32_t(kovra::LoadBE32(p));
        c.longitude = int32_t(kovra::LoadBE32(p + 4));
        c.bearing = int16_t(kovra::LoadBE16(p + 8));
        c.speed = p[10];
        c.type = p[11];
        c.dir = p[12];
        p += kRecordSize;
    }
    return true;
}

}  // namespace rawconv
