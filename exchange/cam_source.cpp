// Source reader: the kind from the content, then the reader of that kind.
#include "exchange/cam_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/file_io.h"
#include "camdata/cam_workbook.h"
#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_csv.h"
#include "base/byte_order.h"
#include "rawconv/speed_raw.h"
#include "spreadsheet/excel_file.h"

namespace exchange {

namespace {

const uint64_t kMaxSourceBytes = 256u << 20;
const uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// The first line holds "//": a partner file's title, never a CSV header.
bool FirstLineHasComment(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 1 < size && data[i] != '\n' && data[i] != '\r'; ++i)
        if (data[i] == '/' && data[i + 1] == '/') return true;
    return false;
}

bool ReadWorkbook(const std::wstring& path, CamCollection* out, std::string* error) {
    CSpeedCamDataSet set;
    if (!ImportCamWorkbook(L"", nullptr, path, &set)) {
        ExcelFile probe;
        if (!probe.OpenFile(path))
            *error = "not a readable Excel 97-2003 workbook: " + probe.FailureText();
        else
            *error = probe.FindSheet("note") ? "the workbook has no sheet \"data\""
                                             : "the workbook has no sheet \"note\"";
        return false;
    }
    out->records = RecordsFromSet(set, nullptr);
    // Data rows start below the header row: the first camera is on the sheet's row 2.
    for (size_t i = 0; i < out->records.size(); ++i) out->records[i].origin = int(i) + 2;
    return true;
}

bool ReadPartner(const uint8_t* data, size_t size, CamCollection* out, std::string* error) {
    CSpeedCamDataSet set;
    CSpeedCamTextReader reader(&set);
    reader.Feed(data, size);
    reader.Finish();
    // A file the partner reader takes nothing from is no camera file, unless it is a title
    // alone: a partner file without cameras.
    const bool oneLine = std::memchr(data, '\n', size) == nullptr ||
                         std::memchr(data, '\n', size) == data + size - 1;
    if (std::memchr(data, 0, size) || (set.GetCount() == 0 && !oneLine)) {
        *error =
            "not a camera file: neither speed.raw, an Excel 97-2003 workbook, a partner text "
            "file nor a CSV file with a header naming its columns";
        return false;
    }
    out->records = RecordsFromSet(set, &reader.m_recordLines);
    return true;
}

}  // namespace

bool LooksLikeSpeedRaw(const uint8_t* data, size_t size) {
    // By its structure: a header with a month and a day (text has no such bytes there) and
    // whole records. Values are then checked as values, so that one bad record is exported
    // marked instead of making the file unreadable.
    if (!rawconv::IsSpeedRawSize(size)) return false;
    if (data[1] < 1 || data[1] > 12 || data[2] < 1 || data[2] > 31) return false;
    if (size == rawconv::kHeaderSize) return true;
    // Text of the right length and header still has no record on the globe: any printable
    // first byte puts a latitude beyond 500 million.
    for (size_t p = rawconv::kHeaderSize; p < size; p += rawconv::kRecordSize) {
        const int64_t lat = int32_t(kovra::LoadBE32(data + p));
        const int64_t lon = int32_t(kovra::LoadBE32(data + p + 4));
        if (lat >= -90000000 && lat <= 90000000 && lon >= -180000000 && lon <= 180000000) return true;
    }
    return false;
}

bool DecodeSpeedRaw(const uint8_t* data, size_t size, CamCollection* out) {
    rawconv::SpeedRawFile file;
    if (!LooksLikeSpeedRaw(data, size) || !rawconv::DecodeSpeedRaw(data, size, &file)) return false;
    out->kind = SourceKind::SpeedRaw;
    out->records.clear();
    out->records.reserve(file.cameras.size());
    int n = 0;
    for (const rawconv::CameraEntry& c : file.cameras) {
        CamRecord rec;
        rec.origin = ++n;
        rec.millionths = true;
        rec.latE6 = c.latitude;
        rec.lonE6 = c.longitude;
        rec.cam.SetLatitude(c.latitude / 1e6);
        rec.cam.SetLongitude(c.longitude / 1e6);
        rec.cam.SetBearingAngle(c.bearing);
        rec.cam.SetSpeedLimit(c.speed);
        rec.cam.SetCameraType(c.type, nullptr);
        rec.cam.SetDirType(c.dir);
        out->records.push_back(rec);
    }
    return true;
}

bool ReadCamSource(const std::wstring& path, CamCollection* out, std::string* error) {
    out->records.clear();
    out->name = FileNameOf(kovra::ToUtf8(path));
    std::vector<uint8_t> bytes;
    if (!kovra::ReadWholeFile(path, bytes, kMaxSourceBytes)) {
        *error = !kovra::FileExists(path) ? "the file does not exist"
                                          : "the file cannot be read, or is larger than 256 MiB";
        return false;
    }
    const uint8_t* data = bytes.data();
    const size_t size = bytes.size();
    if (size == 0) {
        *error = "the file is empty";
        return false;
    }
    if (size < rawconv::kHeaderSize) {
        *error = "not a camera file: " + std::to_string(size) + " bytes hold no camera";
        return false;
    }
    if (size >= 2 &&
        ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        *error = "the text is UTF-16; save it as UTF-8";
        return false;
    }
    if (size >= sizeof kCompoundSignature &&
        std::memcmp(data, kCompoundSignature, sizeof kCompoundSignature) == 0) {
        out->kind = SourceKind::Workbook;
        return ReadWorkbook(path, out, error);
    }
    if (DecodeSpeedRaw(data, size, out)) return true;
    const char* text = reinterpret_cast<const char*>(data);
    if (LooksLikeCamCsv(text, size) && !FirstLineHasComment(data, size)) {
        out->kind = SourceKind::Csv;
        CSpeedCamDataSet set;
        CamCsvReport report;
        if (!ParseCamCsv(text, size, L"", &set, &report)) {
            *error = "not a readable camera CSV file: " + report.error;
            return false;
        }
        out->records = RecordsFromSet(set, &report.lines);
        // A coordinate that failed as text (not one outside its range) has no value at all.
        for (const CsvValueProblem& p : report.problems) {
            if (p.camColumn != CamLatitude && p.camColumn != CamLongitude) continue;
            if (p.reason.compare(0, 8, "outside ") == 0) continue;
            // The lines rise with the records.
            const auto at = std::lower_bound(report.lines.begin(), report.lines.end(), p.line);
            if (at != report.lines.end() && *at == p.line)
                out->records[size_t(at - report.lines.begin())].unreadable = true;
        }
        return true;
    }
    out->kind = SourceKind::PartnerText;
    return ReadPartner(data, size, out, error);
}

}  // namespace exchange
