// The recorder's camera file: a 3-byte header and a 13-byte big-endian record per camera,
// in the order of the converter's exchange sort by latitude.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rawconv {

struct CameraEntry {
    int32_t latitude;   // millionths of a degree
    int32_t longitude;  // millionths of a degree
    int32_t bearing;
    int32_t speed;
    int32_t type;
    int32_t dir;
};

const size_t kHeaderSize = 3;
const size_t kRecordSize = 13;

// Degrees times 1000000 in double precision, truncated toward zero. Values outside the
// 32-bit range never reach here (the converter checks the bounds first) but are clamped
// rather than left undefined.
int32_t ToMillionths(double degrees);

// The recorder's order: for k, for j > k, swap a[k] and a[j] when a[k] is north of a[j].
// Equal latitudes are never swapped, so their order is this sort's and no other's.
void ExchangeSortByLatitude(CameraEntry* a, size_t n);
// The same passes with a faster scan for the next swap; byte-identical results.
void FastExchangeSortByLatitude(CameraEntry* a, size_t n);

// Header (low 8 bits of version, month, day) and the records in the given order.
std::vector<uint8_t> EncodeSpeedRaw(int32_t version, int month, int day, const CameraEntry* a,
                                    size_t n);

// A camera file as stored: the header's bytes and each record's values.
struct SpeedRawFile {
    uint8_t version = 0, month = 0, day = 0;
    std::vector<CameraEntry> cameras;
};

// Whether size bytes can be a camera file: a header and whole records.
inline bool IsSpeedRawSize(size_t size) {
    return size >= kHeaderSize && (size - kHeaderSize) % kRecordSize == 0;
}

// The reverse of EncodeSpeedRaw; false (out untouched) when the size is not IsSpeedRawSize.
bool DecodeSpeedRaw(const uint8_t* data, size_t size, SpeedRawFile* out);

}  // namespace rawconv
