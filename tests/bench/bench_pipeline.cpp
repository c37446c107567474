// The stages of one conversion at scale: a 60,000-camera base workbook and a 5,000-line
// partner file imported, filtered for duplicates, merged into the conversion workbook; and
// the whole command on 19,999 cameras, the most the converter takes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/cam_workbook.h"
#include "camdata/camera_list.h"
#include "camdata/duplicate_filter.h"
#include "camdata/history.h"
#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"
#include "cli/commands.h"
#include "spreadsheet/excel_file.h"

namespace {

const std::string kDir = "/tmp/kovra-bench-pipeline";

// A base workbook of n cameras (every 60th invalid) made from the template, once per size.
std::string BaseWorkbook(int n) {
    const std::string path = kDir + "/base" + std::to_string(n) + ".xls";
    if (kovra::FileExists(path)) return path;
    std::system(("mkdir -p " + kDir + "/out/History").c_str());
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(std::string(KOVRA_SOURCE_DIR) + "/resources/UserCustomizedTemplate.xls", bytes) ||
        !kovra::WriteFileReplacing(path, bytes.data(), bytes.size()))
        return std::string();
    ExcelFile file;
    if (!file.OpenFile(path)) return std::string();
    ExcelSheet* data = file.FindSheet("data");
    std::mt19937 rng(1);
    for (int r = 1; r <= n; ++r) {
        const double v[7] = {double(r), 55 + double(rng() % 1000000) / 1e6, 37 + double(rng() % 1000000) / 1e6,
                             double(rng() % 360), 60, double(1 + rng() % 5), double(rng() % 3)};
        for (int c = 0; c < 7; ++c) data->CellAt(r, c)->PutDouble(v[c]);
        if (r % 60 == 0) data->CellAt(r, 4)->PutDouble(500);
    }
    return file.WriteBack() ? path : std::string();
}

std::string PartnerFile(int n) {
    const std::string path = kDir + "/partner" + std::to_string(n) + ".txt";
    std::mt19937 rng(2);
    std::string text = "ID,X,Y,TYPE,SPEED,DIRTYPE,ANGLE//bench\r\n";
    char line[128];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(line, sizeof line, "%d,%f,%f,%d,60,1,%d//bench\r\n", i, 37 + double(rng() % 1000000) / 1e6,
                      55 + double(rng() % 1000000) / 1e6, int(1 + rng() % 5), int(rng() % 360));
        text += line;
    }
    kovra::WriteFileReplacing(path, text.data(), text.size());
    return path;
}

void BM_ImportBaseWorkbook60k(benchmark::State& state) {
    const std::wstring path = kovra::FromUtf8(BaseWorkbook(60000));
    for (auto _ : state) {
        CSpeedCamDataSet set;
        CCameraListMemory list;
        ImportCamWorkbook(L"", &list, path, &set);
        benchmark::DoNotOptimize(set.GetCount());
    }
}
BENCHMARK(BM_ImportBaseWorkbook60k)->Unit(benchmark::kMillisecond);

void BM_ImportPartnerText5k(benchmark::State& state) {
    const std::wstring path = kovra::FromUtf8(PartnerFile(5000));
    for (auto _ : state) {
        CSpeedCamDataSet set;
        ImportPartnerText(L"1,2,3,4,5", path, &set, nullptr);
        benchmark::DoNotOptimize(set.GetCount());
    }
}
BENCHMARK(BM_ImportPartnerText5k)->Unit(benchmark::kMillisecond);

// Duplicate search and the conversion workbook over 65,000 cameras (sets imported once).
struct Sets {
    CSpeedCamDataSet base, partner;
    Sets() {
        ImportCamWorkbook(L"", nullptr, kovra::FromUtf8(BaseWorkbook(60000)), &base);
        ImportPartnerText(L"1,2,3,4,5", kovra::FromUtf8(PartnerFile(5000)), &partner, nullptr);
        base.SetSource(0);
        partner.SetSource(1);
    }
};

void BM_FindDuplicateGroups65k(benchmark::State& state) {
    static Sets sets;
    for (auto _ : state) {
        CDuplicateFilter filter(&sets.base, &sets.partner, nullptr);
        benchmark::DoNotOptimize(filter.FindDuplicateGroups());
    }
}
BENCHMARK(BM_FindDuplicateGroups65k)->Unit(benchmark::kMillisecond);

void BM_BuildConversionWorkbook65k(benchmark::State& state) {
    static Sets sets;
    const std::wstring out = kovra::FromUtf8(kDir + "/out");
    kovra::CopyFileReplacing(kovra::FromUtf8(BaseWorkbook(60000)), GetWorkingBaseFilePath(out));
    for (auto _ : state) benchmark::DoNotOptimize(BuildConversionWorkbook(out, &sets.base, &sets.partner, nullptr));
}
BENCHMARK(BM_BuildConversionWorkbook65k)->Unit(benchmark::kMillisecond);

// The whole command: import, checks, duplicates, conversion workbook, converter.
void BM_ConvertCommand19999(benchmark::State& state) {
    const std::string base = BaseWorkbook(19999);
    for (auto _ : state) {
        // The command's summary goes to /dev/null, the benchmark's report stays on stdout.
        std::fflush(stdout);
        const int saved = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        const int rc = RunConvert({"--base", base, "--drop-invalid", "--out", kDir + "/cmd"});
        dup2(saved, 1);
        close(null);
        close(saved);
        if (rc != 0) state.SkipWithError("convert failed");
    }
}
BENCHMARK(BM_ConvertCommand19999)->Unit(benchmark::kMillisecond);

}  // namespace
