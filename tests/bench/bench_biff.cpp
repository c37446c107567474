// Reading and writing a full camera workbook: 65,535 rows of 7 columns. With
// KOVRA_BENCH_XLS naming a workbook file (tools/bench_dump_xls.sh makes one with
// LibreOffice) the file itself is opened and written back; the stream benchmarks use a
// workbook of the same shape built in memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "spreadsheet/excel_file.h"
#include "spreadsheet/zexcel_workbook.h"

namespace {

constexpr int kRows = 65535;

// A minimal workbook stream with the sheets "note" and "data", as our writer lays it out.
const std::vector<uint8_t>& CameraStream() {
    static const std::vector<uint8_t> stream = [] {
        ExcelFile file;
        std::vector<uint8_t> empty;
        // Globals naming two empty sheets, then filled through the cell interface.
        auto put16 = [&](uint16_t v) {
            empty.push_back(uint8_t(v));
            empty.push_back(uint8_t(v >> 8));
        };
        auto record = [&](uint16_t code, std::vector<uint8_t> data) {
            put16(code);
            put16(uint16_t(data.size()));
            empty.insert(empty.end(), data.begin(), data.end());
        };
        std::vector<uint8_t> bof(16, 0);
        bof[0] = 0x00, bof[1] = 0x06, bof[2] = 0x05;
        record(0x0809, bof);
        // Globals of 56 bytes, then two sheets of 24 bytes (BOF and EOF).
        uint8_t position = 56;
        for (const char* name : {"note", "data"}) {
            std::vector<uint8_t> d = {position, 0, 0, 0, 0, 0, 4, 0};
            position += 24;
            d.insert(d.end(), name, name + std::string(name).size());
            record(0x0085, d);
        }
        record(0x000A, {});
        for (int i = 0; i < 2; ++i) {
            bof[2] = 0x10;
            record(0x0809, bof);
            record(0x000A, {});
        }
        if (!file.LoadFromStream(empty)) std::abort();
        ExcelSheet& data = *file.FindSheet("data");
        const char* headers[] = {
            "UID", "Y", "X", "BEARING ANGLE", "SPEED RESTRICTION", "CAMERA TYPE", "DIR TYPE"};
        for (int c = 0; c < 7; ++c) data.CellAt(0, c)->PutText(headers[c]);
        uint32_t seed = 11;
        auto next = [&] { return seed = seed * 1103515245u + 12345u; };
        for (int r = 1; r < kRows; ++r) {
            data.CellAt(r, 0)->PutInteger(r);
            data.CellAt(r, 1)->PutDouble(41.0 + (next() % 29000000) / 1e6);
            data.CellAt(r, 2)->PutDouble(20.0 + (next() % 160000000) / 1e6);
            data.CellAt(r, 3)->PutInteger(int(next() % 72) * 5);
            data.CellAt(r, 4)->PutInteger(40 + int(next() % 8) * 10);
            data.CellAt(r, 5)->PutInteger(1 + int(next() % 5));
            data.CellAt(r, 6)->PutInteger(int(next() % 3));
        }
        file.FindSheet("note")->CellAt(0, 0)->PutText("Version");
        std::vector<uint8_t> out;
        if (!file.SerializeStream(out)) std::abort();
        return out;
    }();
    return stream;
}

double SumCells(ExcelFile& file) {
    double sum = 0;
    for (int i = 0; i < file.SheetCount(); ++i) {
        ExcelSheet& s = *file.SheetAt(i);
        for (int r = 0; r < s.RowCount(); ++r)
            for (int c = 0; c < s.ColumnCount(); ++c) {
                const ExcelCell& cell = *s.PeekCell(r, c);
                sum += cell.AsDouble();
                if (const char* t = cell.AsText()) sum += t[0];
            }
    }
    return sum;
}

void BM_LoadStreamAndReadCells(benchmark::State& state) {
    const std::vector<uint8_t>& stream = CameraStream();
    for (auto _ : state) {
        ExcelFile file;
        if (!file.LoadFromStream(stream)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(SumCells(file));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}
BENCHMARK(BM_LoadStreamAndReadCells)->Unit(benchmark::kMillisecond);

void BM_SerializeStream(benchmark::State& state) {
    ExcelFile file;
    if (!file.LoadFromStream(CameraStream())) std::abort();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!file.SerializeStream(out)) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(out.size()));
}
BENCHMARK(BM_SerializeStream)->Unit(benchmark::kMillisecond);

const char* BenchFile() {
    const char* path = std::getenv("KOVRA_BENCH_XLS");
    return path && *path ? path : nullptr;
}

void BM_OpenFileAndReadCells(benchmark::State& state) {
    if (!BenchFile()) return state.SkipWithError("KOVRA_BENCH_XLS not set");
    for (auto _ : state) {
        ExcelFile file;
        if (!file.OpenFile(std::string(BenchFile()))) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(SumCells(file));
    }
}
BENCHMARK(BM_OpenFileAndReadCells)->Unit(benchmark::kMillisecond);

void BM_WriteBack(benchmark::State& state) {
    if (!BenchFile()) return state.SkipWithError("KOVRA_BENCH_XLS not set");
    std::vector<uint8_t> bytes;
    std::string copy = std::string(BenchFile()) + ".writeback.xls";
    if (!kovra::ReadWholeFile(std::string(BenchFile()), bytes) ||
        !kovra::WriteFileReplacing(copy, bytes.data(), bytes.size()))
        return state.SkipWithError("cannot copy the workbook");
    {
        ExcelFile file;
        if (!file.OpenFile(copy)) return state.SkipWithError("open failed");
        for (auto _ : state)
            if (!file.WriteBack()) state.SkipWithError("write back failed");
    }
    std::remove(copy.c_str());
}
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond);

}  // namespace
