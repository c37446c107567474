// Camera diffs: every kind of change on small hand-made sets, the 50-metre reach across grid
// cells, which old camera a new one takes, and coordinates off the globe.
#include "exchange/cam_diff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using exchange::CamDiff;
using exchange::CamRecord;

const double kMetre = 1.0 / 110000;  // the duplicate rule's degree

CamRecord Cam(double lat, double lon, int bearing, int speed = 60, int type = 1, int dir = 1) {
    CamRecord r;
    r.cam.SetLatitude(lat);
    r.cam.SetLongitude(lon);
    r.cam.SetBearingAngle(bearing);
    r.cam.SetSpeedLimit(speed);
    r.cam.SetCameraType(type, nullptr);
    r.cam.SetDirType(dir);
    return r;
}

std::vector<std::pair<size_t, size_t>> Pairs(const std::vector<exchange::CamMatch>& m) {
    std::vector<std::pair<size_t, size_t>> out;
    for (const auto& x : m) out.push_back({x.oldIndex, x.newIndex});
    return out;
}

TEST(CamDiff, EveryKindOfChange) {
    const std::vector<CamRecord> older = {
        Cam(55.0, 37.0, 90),             // 0: the same
        Cam(55.1, 37.1, 180),            // 1: moved 20 m, same values: unchanged
        Cam(55.2, 37.2, 0),              // 2: speed 60 -> 80
        Cam(55.3, 37.3, 45),             // 3: bearing 45 -> 46: another camera
        Cam(55.4, 37.4, 10),             // 4: moved 60 m: another camera
        Cam(55.5, 37.5, 10),             // 5: gone
        Cam(55.6, 37.6, 270, 60, 1, 0),  // 6: type and direction type changed
    };
    const std::vector<CamRecord> newer = {
        Cam(55.7, 37.7, 5),                       // 0: new
        Cam(55.6, 37.6, 270, 60, 4, 2),           // 1
        Cam(55.4 + 60 * kMetre, 37.4, 10),        // 2
        Cam(55.3, 37.3, 46),                      // 3
        Cam(55.2, 37.2, 0, 80),                   // 4
        Cam(55.1, 37.1 + 20 * kMetre, 180),       // 5
        Cam(55.0, 37.0, 90),                      // 6
    };
    const CamDiff d = exchange::DiffCameras(older, newer);
    EXPECT_EQ(d.removed, (std::vector<size_t>{3, 4, 5}));
    EXPECT_EQ(d.added, (std::vector<size_t>{0, 2, 3}));
    EXPECT_EQ(Pairs(d.changed), (std::vector<std::pair<size_t, size_t>>{{6, 1}, {2, 4}}));
    EXPECT_EQ(Pairs(d.unchanged), (std::vector<std::pair<size_t, size_t>>{{1, 5}, {0, 6}}));
    EXPECT_EQ(exchange::ChangedValues(older[6], newer[1]), "type dir");
    EXPECT_EQ(exchange::ChangedValues(older[2], newer[4]), "speed");
}

TEST(CamDiff, SameValuesWinOverNearnessThenTheNearestWins) {
    // Two old cameras in reach with the same bearing: the one with the new values is taken,
    // although the other stands nearer.
    const std::vector<CamRecord> older = {Cam(55.0, 37.0, 90, 60), Cam(55.0, 37.0 + 10 * kMetre, 90, 80)};
    CamDiff d = exchange::DiffCameras(older, {Cam(55.0, 37.0, 90, 80)});
    EXPECT_EQ(Pairs(d.unchanged), (std::vector<std::pair<size_t, size_t>>{{1, 0}}));
    EXPECT_EQ(d.removed, (std::vector<size_t>{0}));

    // Neither has the new values: the nearer one is the changed camera.
    const std::vector<CamRecord> far = {Cam(55.0, 37.0 + 30 * kMetre, 90), Cam(55.0, 37.0 - 10 * kMetre, 90)};
    d = exchange::DiffCameras(far, {Cam(55.0, 37.0, 90, 70)});
    EXPECT_EQ(Pairs(d.changed), (std::vector<std::pair<size_t, size_t>>{{1, 0}}));
    EXPECT_EQ(d.removed, (std::vector<size_t>{0}));
}

TEST(CamDiff, ReachIsTheDuplicateRulesWhereverTheGridCellsFall) {
    // Pairs 49 m apart in every direction, walked across many cell borders, all match; pairs
    // 51 m apart never do.
    std::vector<CamRecord> older, near, far;
    for (int i = 0; i < 400; ++i) {
        const double lat = 55.0 + i * 7.3 * kMetre, lon = 37.0 + i * 3.1 * kMetre;
        const double a = i * 0.7;
        older.push_back(Cam(lat, lon, i));
        near.push_back(Cam(lat + 49 * kMetre * std::sin(a), lon + 49 * kMetre * std::cos(a), i, 90));
        far.push_back(Cam(lat + 51 * kMetre * std::sin(a), lon + 51 * kMetre * std::cos(a), i));
    }
    CamDiff d = exchange::DiffCameras(older, near);
    EXPECT_EQ(d.changed.size(), 400u);
    EXPECT_TRUE(d.added.empty());
    d = exchange::DiffCameras(older, far);
    EXPECT_EQ(d.added.size(), 400u);
    EXPECT_EQ(d.removed.size(), 400u);
}

TEST(CamDiff, CoordinatesOffTheGlobeMatchOnlyTheVerySameCoordinates) {
    const std::vector<CamRecord> older = {Cam(NAN, 37.0, 90), Cam(1e300, -1e300, 90), Cam(95.0, 37.0, 90)};
    const std::vector<CamRecord> newer = {Cam(95.0, 37.0, 90, 30), Cam(1e300, -1e300, 90), Cam(NAN, 37.0, 90),
                                          Cam(1e300, 1e300, 90)};
    const CamDiff d = exchange::DiffCameras(older, newer);
    EXPECT_EQ(Pairs(d.unchanged), (std::vector<std::pair<size_t, size_t>>{{1, 1}, {0, 2}}));
    EXPECT_EQ(Pairs(d.changed), (std::vector<std::pair<size_t, size_t>>{{2, 0}}));  // 95 is on the grid
    EXPECT_EQ(d.added, (std::vector<size_t>{3}));
    EXPECT_TRUE(d.removed.empty());
}

TEST(CamDiff, DuplicatesPairOffOneToOne) {
    const std::vector<CamRecord> older(3, Cam(55.0, 37.0, 90));
    const std::vector<CamRecord> newer(5, Cam(55.0, 37.0, 90));
    const CamDiff d = exchange::DiffCameras(older, newer);
    EXPECT_EQ(Pairs(d.unchanged), (std::vector<std::pair<size_t, size_t>>{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(d.added, (std::vector<size_t>{3, 4}));
    EXPECT_TRUE(exchange::DiffCameras(newer, {}).added.empty());
    EXPECT_EQ(exchange::DiffCameras(newer, {}).removed.size(), 5u);
}

}  // namespace
