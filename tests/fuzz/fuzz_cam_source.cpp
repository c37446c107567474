// Feeds arbitrary bytes to the camera file decoder and the camera CSV reader, writes what they
// accept in every exchange format, and checks that the CSV written reads back as the same
// records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_csv.h"
#include "exchange/cam_source.h"
#include "exchange/gpx.h"
#include "exchange/kml.h"
#include "exchange/svg_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    exchange::CamCollection cams;
    if (!exchange::DecodeSpeedRaw(data, size, &cams)) {
        CSpeedCamDataSet set;
        exchange::CamCsvReport report;
        if (!exchange::ParseCamCsv(reinterpret_cast<const char*>(data), size, L"", &set, &report)) return 0;
        if (report.lines.size() != size_t(set.GetCount())) std::abort();
        cams.records = exchange::RecordsFromSet(set, &report.lines);
    }
    exchange::FormatKml(cams);
    exchange::FormatGpx(cams);
    exchange::FormatSvgMap(cams);

    const std::string csv = exchange::FormatCamCsv(cams);
    CSpeedCamDataSet again;
    exchange::CamCsvReport report;
    if (!exchange::ParseCamCsv(csv.data(), csv.size(), L"", &again, &report) ||
        size_t(again.GetCount()) != cams.records.size())
        std::abort();
    size_t i = 0;
    for (POSITION pos = again.m_camList.GetHeadPosition(); pos; ++i) {
        const CSpeedCamData* got = again.m_camList.GetNext(pos);
        for (int col = 0; col < CamColumnCount; ++col)
            if (got->GetValue(col) != cams.records[i].cam.GetValue(col)) std::abort();
    }
    return 0;
}
