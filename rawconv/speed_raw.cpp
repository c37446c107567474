// speed.raw encoding and the exchange sort that fixes its record order.
#include "rawconv/speed_raw.h"

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
    // Pass k carries a[k] along the row and swaps it with every later entry that is strictly
    // further south than the one carried. Between swaps nothing moves, so the scan only needs
    // the latitudes: they are kept in their own dense array, which the compiler vectorises
    // into a search for the next smaller value.
    std::vector<int32_t> lat(n);
    for (size_t i = 0; i < n; ++i) lat[i] = a[i].latitude;
    for (size_t k = 0; k + 1 < n; ++k) {
        int32_t carried = lat[k];
        size_t j = k + 1;
        for (;;) {
            // Find the first j with lat[j] < carried, in blocks of 16.
            while (j + 16 <= n) {
                int any = 0;
                for (size_t i = 0; i < 16; ++i) any |= lat[j + i] < carried;
                if (any) break;
                j += 16;
            }
            while (j < n && !(lat[j] < carried)) ++j;
            if (j >= n) break;
            std::swap(a[k], a[j]);
            std::swap(lat[k], lat[j]);
            carried = lat[k];
            ++j;
        }
    }
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

}  // namespace rawconv
