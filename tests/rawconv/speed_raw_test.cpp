// The camera file's bytes and the record order of the exchange sort.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "rawconv/speed_raw.h"

namespace {

using rawconv::CameraEntry;

std::vector<uint8_t> Record(double lat, double lon, int32_t bearing, int32_t speed, int32_t type, int32_t dir) {
    CameraEntry e{rawconv::ToMillionths(lat), rawconv::ToMillionths(lon), bearing, speed, type, dir};
    std::vector<uint8_t> all = rawconv::EncodeSpeedRaw(0, 0, 0, &e, 1);
    return std::vector<uint8_t>(all.begin() + 3, all.end());
}

TEST(SpeedRaw, OneCameraByteForByte) {
    CameraEntry e{rawconv::ToMillionths(55.5), rawconv::ToMillionths(37.25), 90, 60, 1, 0};
    const std::vector<uint8_t> expected = {0x01, 0x03, 0x07,                          // version 1, 7 March
                                           0x03, 0x4E, 0xDC, 0xE0,                    // 55500000
                                           0x02, 0x38, 0x63, 0xD0,                    // 37250000
                                           0x00, 0x5A, 0x3C, 0x01, 0x00};             // 90, 60, 1, 0
    EXPECT_EQ(rawconv::EncodeSpeedRaw(1, 3, 7, &e, 1), expected);
    EXPECT_EQ(rawconv::EncodeSpeedRaw(257, 3, 7, nullptr, 0), (std::vector<uint8_t>{0x01, 0x03, 0x07}));
}

TEST(SpeedRaw, DecodedAsEncodedAndOnlyWholeRecords) {
    // The stored values come back, signs included; the bytes that hold only 8 bits come back
    // as those bits.
    const CameraEntry in[] = {{55500000, 37250000, 90, 60, 1, 0},
                              {-90000000, -180000000, -1, 255, 200, 2},
                              {INT32_MIN, INT32_MAX, -32768, 0, 0, 255}};
    const std::vector<uint8_t> bytes = rawconv::EncodeSpeedRaw(7, 12, 31, in, 3);
    rawconv::SpeedRawFile file;
    ASSERT_TRUE(rawconv::DecodeSpeedRaw(bytes.data(), bytes.size(), &file));
    EXPECT_EQ(file.version, 7);
    EXPECT_EQ(file.month, 12);
    EXPECT_EQ(file.day, 31);
    ASSERT_EQ(file.cameras.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(file.cameras[i].latitude, in[i].latitude) << i;
        EXPECT_EQ(file.cameras[i].longitude, in[i].longitude) << i;
        EXPECT_EQ(file.cameras[i].bearing, in[i].bearing) << i;
        EXPECT_EQ(file.cameras[i].speed, in[i].speed) << i;
        EXPECT_EQ(file.cameras[i].type, in[i].type) << i;
        EXPECT_EQ(file.cameras[i].dir, in[i].dir) << i;
    }
    EXPECT_EQ(rawconv::EncodeSpeedRaw(file.version, file.month, file.day, file.cameras.data(), 3), bytes);
    for (size_t size : {size_t(0), size_t(1), size_t(2), size_t(4), size_t(15), bytes.size() - 1}) {
        rawconv::SpeedRawFile untouched;
        EXPECT_FALSE(rawconv::DecodeSpeedRaw(bytes.data(), size, &untouched)) << size;
        EXPECT_TRUE(untouched.cameras.empty());
    }
    ASSERT_TRUE(rawconv::DecodeSpeedRaw(bytes.data(), 3, &file));
    EXPECT_TRUE(file.cameras.empty());
}

TEST(SpeedRaw, FieldEncodings) {
    struct {
        double lat;
        int32_t bearing, speed;
        std::vector<uint8_t> latBytes, bearingBytes;
        uint8_t speedByte;
    } cases[] = {
        {-33.8688, 300, 180, {0xFD, 0xFB, 0x34, 0x00}, {0x01, 0x2C}, 0xB4},
        {64.00003, -5, 0, {0x03, 0xD0, 0x90, 0x1D}, {0xFF, 0xFB}, 0x00},  // truncated, not rounded
        {-0.0000019, 65536 + 7, 300, {0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0x07}, 0x2C},
    };
    for (const auto& t : cases) {
        std::vector<uint8_t> r = Record(t.lat, 0, t.bearing, t.speed, 1, 2);
        EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.begin() + 4), t.latBytes) << t.lat;
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 8, r.begin() + 10), t.bearingBytes);
        EXPECT_EQ(r[10], t.speedByte);
        EXPECT_EQ(r[12], 2);
    }
    EXPECT_EQ(rawconv::ToMillionths(64.00003), 64000029);
    EXPECT_EQ(rawconv::ToMillionths(-180), -180000000);
    EXPECT_EQ(rawconv::ToMillionths(1e300), INT32_MAX);
}

// Sorts random tables with few distinct latitudes (many ties) and every entry tagged, so
// any difference in the order of equal latitudes shows.
TEST(SpeedRaw, FastSortEqualsTheExchangeSortOnEveryInput) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 400; ++round) {
        size_t n = rng() % (round < 300 ? 40 : 700);
        int distinct = 1 + int(rng() % 12);
        std::vector<CameraEntry> a(n);
        for (size_t i = 0; i < n; ++i)
            a[i] = CameraEntry{int32_t(rng() % distinct) - distinct / 2, int32_t(i), 0, 0, 0, 0};
        if (round % 7 == 0)  // descending runs: a swap at every step
            for (size_t i = 0; i < n; ++i) a[i].latitude = int32_t(n - i) / 3;
        std::vector<CameraEntry> slow = a, fast = a;
        rawconv::ExchangeSortByLatitude(slow.data(), n);
        rawconv::FastExchangeSortByLatitude(fast.data(), n);
        ASSERT_EQ(rawconv::EncodeSpeedRaw(0, 0, 0, slow.data(), n), rawconv::EncodeSpeedRaw(0, 0, 0, fast.data(), n))
            << "round " << round;
        for (size_t i = 1; i < n; ++i) ASSERT_LE(slow[i - 1].latitude, slow[i].latitude);
    }
}

TEST(SpeedRaw, ExchangeSortIsNotStable) {
    // a[0] is carried: it swaps with the 1 at index 2, and the first 2 then lands behind the
    // second 2 in the end.
    std::vector<CameraEntry> a = {{2, 0, 0, 0, 0, 0}, {2, 1, 0, 0, 0, 0}, {1, 2, 0, 0, 0, 0}};
    rawconv::ExchangeSortByLatitude(a.data(), a.size());
    EXPECT_EQ(a[0].longitude, 2);
    EXPECT_EQ(a[1].longitude, 1);
    EXPECT_EQ(a[2].longitude, 0);
}

}  // namespace
