// Camera records for the exchange formats: exact coordinate texts, names and colours.
#include "exchange/cam_record.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/text.h"
#include "camdata/speed_cam_data_set.h"

namespace exchange {

namespace {

const char* const kColumnNames[CamColumnCount] = {"lat", "lon", "bearing", "speed", "type", "dir"};

// The names the workbook template's note sheet gives the types.
const CamTypeStyle kTypes[] = {
    {"static camera", 0xd62728},    {"camera in traffic lights", 0xff7f0e},
    {"red-light camera", 0x9467bd}, {"average-speed camera", 0x1f77b4},
    {"mobile camera", 0x2ca02c},
};
const CamTypeStyle kOtherType = {"other type", 0x7f7f7f};

// -55750000 as "-55.750000", from the integer: a double would round it.
std::string MillionthsText(int32_t v) {
    const int64_t a = std::llabs(int64_t(v));
    return kovra::Format("%s%lld.%06lld", v < 0 ? "-" : "", (long long)(a / 1000000),
                         (long long)(a % 1000000));
}

}  // namespace

const char* OriginWord(SourceKind kind) {
    switch (kind) {
        case SourceKind::SpeedRaw:
            return "record";
        case SourceKind::Workbook:
            return "row";
        default:
            return "line";
    }
}

std::string OriginText(SourceKind kind, const CamRecord& r) {
    if (r.origin <= 0) return std::string();
    return std::string(OriginWord(kind)) + " " + std::to_string(r.origin);
}

const char* ColumnName(int column) {
    return column >= 0 && column < CamColumnCount ? kColumnNames[column] : "";
}

std::string CoordinateText(const CamRecord& r, int column) {
    if (r.millionths) return MillionthsText(column == CamLatitude ? r.latE6 : r.lonE6);
    const double v = column == CamLatitude ? r.cam.m_dLatitude : r.cam.m_dLongitude;
    // Plain decimals, never an exponent: GPX takes xsd:decimal, and so read all the others.
    // The shortest text that reads back as v; the buffer holds the largest double written so.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string();
}

std::string InvalidColumns(const CamRecord& r) {
    std::string out;
    for (int c = 0; c < CamColumnCount; ++c) {
        if (r.cam.m_bValid[c]) continue;
        if (!out.empty()) out += ' ';
        out += kColumnNames[c];
    }
    return out;
}

bool HasPlace(const CamRecord& r) {
    const double lat = r.cam.m_dLatitude, lon = r.cam.m_dLongitude;
    return !r.unreadable && std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90.0 &&
           std::fabs(lon) <= 180.0;
}

bool UsesBearing(const CamRecord& r) {
    return (r.cam.m_nDirType == 1 || r.cam.m_nDirType == 2) && r.cam.m_bValid[CamBearingAngle];
}

CamTypeStyle TypeStyle(int32_t type) {
    return type >= 1 && type <= 5 ? kTypes[type - 1] : kOtherType;
}

std::string TypeLabel(int32_t type) {
    return std::to_string(type) + " \xE2\x80\x93 " + TypeStyle(type).name;
}

const char* DirName(int32_t dir) {
    switch (dir) {
        case 0:
            return "all directions";
        case 1:
            return "the bearing's direction";
        case 2:
            return "the bearing's direction and the opposite one";
        default:
            return "unknown";
    }
}

std::vector<std::string> DescribeRecord(SourceKind kind, const CamRecord& r) {
    const CSpeedCamData& c = r.cam;
    std::vector<std::string> lines = {
        "Speed limit: " + std::to_string(c.m_nSpeedLimit) + " km/h",
        "Type: " + TypeLabel(c.m_nCameraType),
        "Direction type: " + std::to_string(c.m_nDirType) + " \xE2\x80\x93 " +
            DirName(c.m_nDirType),
        "Bearing: " + std::to_string(c.m_nBearingAngle) + "\xC2\xB0",
        "Latitude: " + CoordinateText(r, CamLatitude),
        "Longitude: " + CoordinateText(r, CamLongitude),
    };
    if (r.origin > 0) lines.push_back("Source: " + OriginText(kind, r));
    if (!c.IsValid()) lines.push_back("Invalid: " + InvalidColumns(r));
    return lines;
}

std::vector<CamRecord> RecordsFromSet(const CSpeedCamDataSet& set,
                                      const std::vector<int>* origins) {
    std::vector<CamRecord> out;
    out.reserve(size_t(set.GetCount()));
    size_t i = 0;
    for (POSITION pos = set.m_camList.GetHeadPosition(); pos; ++i) {
        CamRecord r;
        r.cam = *set.m_camList.GetNext(pos);
        if (origins && i < origins->size()) r.origin = (*origins)[i];
        out.push_back(r);
    }
    return out;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace exchange
