// Camera CSV files: reading one into a camera set as the workbook import does, and the content
// test that tells such a file from a workbook.
//
// The first line names the columns; the latitude, longitude, bearing, speed, type and
// direction type columns are found by name, whatever their order, and other columns are
// ignored. Fields are separated by commas, semicolons or tabs (whichever the header line
// uses), quoted as RFC 4180 quotes them; numbers take a decimal point. UTF-8, with or without
// a byte order mark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CSpeedCamData;
class CSpeedCamDataSet;
class ICameraList;

namespace exchange {

// One value that fails: where it stands, what it says and why it fails.
struct CsvValueProblem {
    int line = 0;        // file line, from 1
    int column = 0;      // field position, from 1
    int camColumn = 0;   // CamLatitude ... CamDirType
    std::string text;    // the field as written, UTF-8
    std::string reason;  // "not a number", "outside 0...180", ...
};

struct CamCsvReport {
    std::string error;       // why the file was refused; empty when it was read
    std::vector<int> lines;  // the file line each record starts on, in list order
    std::vector<CsvValueProblem> problems;
};

// Parses the file's bytes into pSet, which must be empty. A non-empty typeList is the camera
// type list the types are tested against; otherwise every type passes. False, with the reason
// in report->error, when the text is not a camera CSV file: no usable header, columns missing
// or given twice, a quote left open, UTF-16 text.
bool ParseCamCsv(const char* data, size_t size, const std::wstring& typeList,
                 CSpeedCamDataSet* pSet, CamCsvReport* report);

// Reads the file into the set as ImportCamWorkbook reads a workbook: the set is emptied and
// takes typeList as its type list, one record per camera line, and the records that fail a
// rule go to the list control when one is given. False, with the set and the control as they
// were, when the file cannot be read or is not a camera CSV file (pReport->error says why).
bool ImportCamCsv(const std::wstring& typeList, ICameraList* pList, const std::wstring& path,
                  CSpeedCamDataSet* pSet, CamCsvReport* pReport = nullptr);

// One record of a CSV file after the user corrected it: the line it starts on, and either
// removed or the new text of each corrected field (empty: the field stays as written).
struct CsvLineCorrection {
    int line = 0;
    bool removed = false;
    std::string value[6];  // CamLatitude ... CamDirType
};

// What the user made of a listed record: removed, or the current values of the fields that
// failed at the import (coordinates as plain decimals).
CsvLineCorrection CorrectionOf(const CSpeedCamData& cam, int line);

// The file's text with the corrections made in place: a removed record's line goes whole, a
// corrected field takes its new text (inside quotes when it had them) and a field the line
// lacks is added. Every other byte stays: the header, the other columns, the separator, the
// quoting, the line endings and a byte order mark. False, with the reason, when the text is
// not a camera CSV file.
bool PatchCamCsv(std::string_view text, const std::vector<CsvLineCorrection>& corrections,
                 std::string* out, std::string* error);

// Whether the text's first line is a CSV header naming latitude and longitude columns. Cheap:
// only that line is looked at.
bool LooksLikeCamCsv(const char* data, size_t size);
// Whether a customized source is to be read as CSV rather than as a workbook: the file is
// readable, is no compound document and its first line is text. A CSV file whose header
// lacks columns passes too, so that ImportCamCsv can say which are missing.
bool IsCamCsvFile(const std::wstring& path);

// The cameras as CSV (RFC 4180, UTF-8, CR LF): the header lat,lon,bearing,speed,type,dir,invalid
// and a line per record, coordinates as the source holds them. "invalid" names the columns
// that fail their rule, blank for a valid record.
struct CamCollection;
std::string FormatCamCsv(const CamCollection& cams);

// "problem" as one line: "line 5, column 4 (speed): \"abc\" is not a number".
std::string DescribeProblem(const CsvValueProblem& p);

}  // namespace exchange
