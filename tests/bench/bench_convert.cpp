// The converter at the table limit (19,999 cameras): the whole run, and the sort alone with
// the literal exchange sort and with the faster scan.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "rawconv/converter.h"
#include "rawconv/speed_raw.h"
#include "spreadsheet/excel_file.h"

namespace {

const int kCameras = 19999;

std::vector<rawconv::CameraEntry> RandomTable() {
    std::mt19937 rng(7);
    std::vector<rawconv::CameraEntry> t(kCameras);
    for (auto& e : t) e = {int32_t(rng() % 180000000) - 90000000, int32_t(rng() % 360000000) - 180000000, 90, 60, 1, 0};
    return t;
}

void BM_ExchangeSortLiteral(benchmark::State& state) {
    const auto table = RandomTable();
    for (auto _ : state) {
        auto t = table;
        rawconv::ExchangeSortByLatitude(t.data(), t.size());
        benchmark::DoNotOptimize(t.data());
    }
}
BENCHMARK(BM_ExchangeSortLiteral)->Unit(benchmark::kMillisecond);

void BM_ExchangeSortFast(benchmark::State& state) {
    const auto table = RandomTable();
    for (auto _ : state) {
        auto t = table;
        rawconv::FastExchangeSortByLatitude(t.data(), t.size());
        benchmark::DoNotOptimize(t.data());
    }
}
BENCHMARK(BM_ExchangeSortFast)->Unit(benchmark::kMillisecond);

// A conversion workbook of 19,999 valid cameras, made once from the template.
std::string Workbook(const std::string& dir) {
    const std::string path = dir + "/bench.xls";
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(std::string(KOVRA_SOURCE_DIR) + "/resources/UserCustomizedTemplate.xls", bytes) ||
        !kovra::WriteFileReplacing(path, bytes.data(), bytes.size()))
        return std::string();
    ExcelFile file;
    if (!file.OpenFile(path)) return std::string();
    file.FindSheet("note")->CellAt(1000, 5)->PutText("1,2,3,4,5");
    ExcelSheet* data = file.FindSheet("data");
    std::mt19937 rng(3);
    for (int r = 1; r <= kCameras; ++r) {
        const double v[6] = {double(rng() % 179000000) / 1e6 - 89.5, double(rng() % 359000000) / 1e6 - 179.5,
                             double(rng() % 360), 60, double(1 + rng() % 5), double(rng() % 3)};
        for (int c = 1; c <= 6; ++c) data->CellAt(r, c)->PutDouble(v[c - 1]);
    }
    return file.WriteBack() ? path : std::string();
}

void BM_ConvertWholeRun(benchmark::State& state) {
    const std::string dir = "/tmp/kovra-bench-convert";
    std::remove((dir + "/bench.xls").c_str());
    std::system(("mkdir -p " + dir).c_str());
    const std::string book = Workbook(dir);
    if (book.empty()) {
        state.SkipWithError("cannot make the workbook");
        return;
    }
    for (auto _ : state) {
        rawconv::RunResult r = rawconv::Convert(book, dir);
        if (r.outcome != rawconv::Outcome::Success) state.SkipWithError(r.problem.c_str());
    }
}
BENCHMARK(BM_ConvertWholeRun)->Unit(benchmark::kMillisecond);

}  // namespace
