// A camera as the exchange formats see it: the record with its flags by the wizard's rules,
// where in its file it came from, and its coordinates exactly as that file holds them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camdata/speed_cam_data.h"

class CSpeedCamDataSet;

namespace exchange {

enum class SourceKind { SpeedRaw, Workbook, PartnerText, Csv };

struct CamRecord {
    CSpeedCamData cam;
    int origin = 0;  // file line, workbook row or camera file record, from 1; 0 when unknown
    // The camera file stores whole millionths of a degree; they are kept as they are so that
    // no text we write rounds them a second time.
    bool millionths = false;
    int32_t latE6 = 0;
    int32_t lonE6 = 0;
    // A coordinate of the source could not be read as a number: the 0 it holds is no place.
    bool unreadable = false;
};

struct CamCollection {
    SourceKind kind = SourceKind::Csv;
    std::string name;  // the file's name, UTF-8: titles documents and maps
    std::vector<CamRecord> records;
};

// "record", "row" or "line": what a record's origin counts in that kind of file.
const char* OriginWord(SourceKind kind);
// "row 12"; empty when the origin is unknown.
std::string OriginText(SourceKind kind, const CamRecord& r);

// "lat", "lon", "bearing", "speed", "type", "dir": the CSV header names of the six columns.
const char* ColumnName(int column);

// The coordinate (CamLatitude or CamLongitude) as the source holds it: the camera file's
// millionths with six decimals, any other double in the shortest text that reads back to it.
std::string CoordinateText(const CamRecord& r, int column);

// The names of the columns that fail their rule, separated by blanks; empty when valid.
std::string InvalidColumns(const CamRecord& r);

// Read from the source, finite and on the globe: a point a map can show.
bool HasPlace(const CamRecord& r);
// The record's direction type watches the bearing (1: that direction, 2: it and the opposite).
bool UsesBearing(const CamRecord& r);

// The kinds of camera a recorder knows, with the colour each is drawn in.
struct CamTypeStyle {
    const char* name;
    uint32_t rgb;
};
// Types 1-5 by name; any other type has its number and a grey of its own.
CamTypeStyle TypeStyle(int32_t type);
std::string TypeLabel(int32_t type);  // "1 – static camera", "7 – other type"
const char* DirName(int32_t dir);     // "all directions", ... ; "unknown" beyond 0-2
const uint32_t kInvalidRgb = 0x000000;

// The record's values as labelled lines for descriptions: speed, type, direction type,
// bearing, coordinates, where it came from, and what fails when it is invalid.
std::vector<std::string> DescribeRecord(SourceKind kind, const CamRecord& r);

// The set's records in list order; origins[i], when given and long enough, is record i's.
std::vector<CamRecord> RecordsFromSet(const CSpeedCamDataSet& set, const std::vector<int>* origins);

// The last component of a path, either separator.
std::string FileNameOf(const std::string& path);

}  // namespace exchange
