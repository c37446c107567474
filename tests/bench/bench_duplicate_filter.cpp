// The duplicate filter over 60,000 cameras from the three sources: the search alone, and the
// search followed by "Always select" over every group.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "camdata/duplicate_filter.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"

namespace {

const int kCameras = 60000;

// Clusters of one to five cameras within 30 m, centres 0.01 degree apart, bearings 0 or 90:
// about a third of the cameras end in groups.
void Fill(CSpeedCamDataSet* sets) {
    uint64_t state = 2024;
    auto next = [&state](uint32_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33) % n;
    };
    int made = 0;
    while (made < kCameras) {
        const double lat = 40 + 0.01 * next(2000), lon = 20 + 0.01 * next(2000);
        const uint32_t size = 1 + next(5);
        for (uint32_t i = 0; i < size && made < kCameras; ++i, ++made) {
            CSpeedCamData* p = new CSpeedCamData;
            p->m_dLatitude = lat + 0.0001 * next(3);
            p->m_dLongitude = lon + 0.0001 * next(3);
            p->m_nBearingAngle = int32_t(90 * next(2));
            const int source = int(next(3));
            p->m_nSource = int16_t(source);
            sets[source].AddCamera(p);
        }
    }
}

void BM_FindDuplicateGroups(benchmark::State& state) {
    CSpeedCamDataSet sets[3];
    Fill(sets);
    CDuplicateFilter filter(&sets[0], &sets[1], &sets[2]);
    for (auto _ : state) benchmark::DoNotOptimize(filter.FindDuplicateGroups());
    state.counters["groups"] = filter.GetGroupCount();
    state.counters["duplicates"] = double(filter.GetDuplicateCount());
}
BENCHMARK(BM_FindDuplicateGroups)->Unit(benchmark::kMillisecond);

void BM_FindAndKeepSourceForAll(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto sets = std::make_unique<CSpeedCamDataSet[]>(3);
        Fill(sets.get());
        CDuplicateListMemory list;
        CDuplicateFilter filter(&sets[0], &sets[1], &sets[2], &list);
        state.ResumeTiming();
        filter.FindDuplicateGroups();
        filter.FillList();
        filter.ShowDuplicateGroup(0, nullptr);
        filter.KeepSourceForAll(1, 0);
        state.PauseTiming();
        sets.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FindAndKeepSourceForAll)->Unit(benchmark::kMillisecond);

}  // namespace
