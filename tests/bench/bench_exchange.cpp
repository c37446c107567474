// The exchange formats at 60,000 cameras: the diff of two sources (matching alone, and read
// from CSV files and from camera files as the command does), KML and the map.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "exchange/cam_csv.h"
#include "exchange/cam_diff.h"
#include "exchange/cam_source.h"
#include "exchange/kml.h"
#include "exchange/svg_map.h"
#include "rawconv/speed_raw.h"

namespace {

const int kCameras = 60000;
const std::string kDir = "/tmp";

struct Pair {
    exchange::CamCollection older, newer;
};

// A country of cameras, and its next release: 3% gone, 3% new, 5% with another speed, 10%
// moved by up to 20 metres, the rest as they were.
const Pair& Sources() {
    static Pair p;
    if (!p.older.records.empty()) return p;
    uint64_t state = 7;
    auto next = [&state](uint32_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33) % n;
    };
    auto make = [&](int32_t latE6, int32_t lonE6, int bearing, int speed) {
        exchange::CamRecord r;
        r.millionths = true;
        r.latE6 = latE6;
        r.lonE6 = lonE6;
        r.cam.SetLatitude(latE6 / 1e6);
        r.cam.SetLongitude(lonE6 / 1e6);
        r.cam.SetBearingAngle(bearing);
        r.cam.SetSpeedLimit(speed);
        r.cam.SetCameraType(int32_t(1 + next(5)), nullptr);
        r.cam.SetDirType(int32_t(next(3)));
        return r;
    };
    for (int i = 0; i < kCameras; ++i) {
        exchange::CamRecord r = make(int32_t(43000000 + next(25000000)), int32_t(28000000 + next(100000000)),
                                     int(next(360)), int(20 + 10 * next(10)));
        p.older.records.push_back(r);
        const uint32_t fate = next(100);
        if (fate < 3) continue;
        if (fate < 8) r.cam.SetSpeedLimit(r.cam.m_nSpeedLimit + 10);
        if (fate >= 8 && fate < 18) {
            r.latE6 += int32_t(next(300)) - 150;  // 0.00015 degrees: under 20 metres
            r.cam.SetLatitude(r.latE6 / 1e6);
        }
        p.newer.records.push_back(r);
    }
    for (int i = 0; i < kCameras * 3 / 100; ++i)
        p.newer.records.push_back(make(int32_t(43000000 + next(25000000)), int32_t(28000000 + next(100000000)),
                                       int(next(360)), 60));
    p.older.kind = p.newer.kind = exchange::SourceKind::SpeedRaw;
    return p;
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = kDir + "/kovra-bench-exchange-" + name;
    kovra::WriteFileReplacing(path, bytes.data(), bytes.size());
    return path;
}

std::string SpeedRawBytes(const exchange::CamCollection& c) {
    std::vector<rawconv::CameraEntry> e;
    for (const exchange::CamRecord& r : c.records)
        e.push_back({r.latE6, r.lonE6, r.cam.m_nBearingAngle, r.cam.m_nSpeedLimit, r.cam.m_nCameraType,
                     r.cam.m_nDirType});
    const std::vector<uint8_t> b = rawconv::EncodeSpeedRaw(1, 1, 1, e.data(), e.size());
    return std::string(b.begin(), b.end());
}

void Counters(benchmark::State& state, const exchange::CamDiff& d) {
    state.counters["removed"] = double(d.removed.size());
    state.counters["added"] = double(d.added.size());
    state.counters["changed"] = double(d.changed.size());
    state.counters["unchanged"] = double(d.unchanged.size());
}

void BM_DiffCameras(benchmark::State& state) {
    const Pair& p = Sources();
    exchange::CamDiff d;
    for (auto _ : state) benchmark::DoNotOptimize(d = exchange::DiffCameras(p.older.records, p.newer.records));
    Counters(state, d);
}
BENCHMARK(BM_DiffCameras)->Unit(benchmark::kMillisecond);

// What kovracli diff does before it prints: both files read and recognised, then matched.
void DiffFiles(benchmark::State& state, const std::string& a, const std::string& b) {
    exchange::CamDiff d;
    for (auto _ : state) {
        exchange::CamCollection older, newer;
        std::string error;
        if (!exchange::ReadCamSource(kovra::FromUtf8(a), &older, &error) ||
            !exchange::ReadCamSource(kovra::FromUtf8(b), &newer, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        d = exchange::DiffCameras(older.records, newer.records);
    }
    Counters(state, d);
}

void BM_DiffSpeedRawFiles(benchmark::State& state) {
    const Pair& p = Sources();
    DiffFiles(state, WriteFile("old.raw", SpeedRawBytes(p.older)), WriteFile("new.raw", SpeedRawBytes(p.newer)));
}
BENCHMARK(BM_DiffSpeedRawFiles)->Unit(benchmark::kMillisecond);

void BM_DiffCsvFiles(benchmark::State& state) {
    const Pair& p = Sources();
    DiffFiles(state, WriteFile("old.csv", exchange::FormatCamCsv(p.older)),
              WriteFile("new.csv", exchange::FormatCamCsv(p.newer)));
}
BENCHMARK(BM_DiffCsvFiles)->Unit(benchmark::kMillisecond);

void BM_ExportKml(benchmark::State& state) {
    const Pair& p = Sources();
    size_t bytes = 0;
    for (auto _ : state) bytes = exchange::FormatKml(p.older).size();
    state.counters["MiB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_ExportKml)->Unit(benchmark::kMillisecond);

void BM_MapSvg(benchmark::State& state) {
    const Pair& p = Sources();
    size_t bytes = 0;
    for (auto _ : state) bytes = exchange::FormatSvgMap(p.older).size();
    state.counters["MiB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_MapSvg)->Unit(benchmark::kMillisecond);

}  // namespace
