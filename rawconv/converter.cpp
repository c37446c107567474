// The converter run: check every camera row of the conversion workbook, then write the
// recorder's camera file and a success log, or an error log and nothing else.
#include "rawconv/converter.h"

#include <vector>

#include "base/file_io.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/window_messages.h"
#include "rawconv/speed_raw.h"
#include "spreadsheet/excel_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rawconv {

namespace {

// Log lines; "\t" is a tab. Every line ends with CR LF, as text mode writes it on Windows.
const char kRowFormat[] = "%5d. %9f %9f   %3d            %3d                  %d             %d";
const char kErrorHeading[] = "   No. Latitude  Longitude\t\tBearing_Angle\t\tSpeed_Restriction\t\tCamera_Type\t\tDir_Type %d";
const char kSuccessHeading[] = "   No. Latitude  Longitude\t\tBearing_Angle\t\tSpeed_Restriction\t\tCamera_Type\t\tDir_Type ";
const char kLineEnd[] = "\r\n";
const int kRuleWidth = 83;

// The converter knows the kinds Empty, Integer, Double, Text and WideText only: a formula,
// like an empty or text cell, reads as 0.
double ReadDouble(ExcelSheet* sheet, int row, int col) {
    const ExcelCell* c = &sheet->Cell(row, col);
    if (!c) return 0.0;
    switch (c->Kind()) {
        case CellKind::Integer: return c->AsInteger();
        case CellKind::Double: return c->AsDouble();
        default: return 0.0;
    }
}

int32_t ReadInt(ExcelSheet* sheet, int row, int col) {
    const ExcelCell* c = &sheet->Cell(row, col);
    if (!c) return 0;
    switch (c->Kind()) {
        case CellKind::Integer: return c->AsInteger();
        case CellKind::Double: {
            // Truncated toward zero; reals beyond the 32-bit range are clamped, never wrapped.
            double d = c->AsDouble();
            if (d != d) return 0;
            if (d >= 2147483647.0) return INT32_MAX;
            if (d <= -2147483648.0) return INT32_MIN;
            return int32_t(d);
        }
        default: return 0;
    }
}

// The text the type list cell shows. Any kind of cell is read, so a list typed as a number
// or stored as 16-bit text still counts.
std::string ReadListText(ExcelSheet* sheet) {
    const ExcelCell* c = &sheet->Cell(1000, 5);
    if (!c) return std::string();
    switch (c->Kind()) {
        case CellKind::Text: return c->AsText() ? c->AsText() : "";
        case CellKind::WideText: {
            std::wstring w;
            for (const char16_t* p = c->AsWideText(); p && *p; ++p) w += wchar_t(*p);
            return kovra::NarrowToBytes(w);
        }
        case CellKind::Integer: return kovra::Format("%d", c->AsInteger());
        case CellKind::Double: return kovra::Format("%d", ReadInt(sheet, 1000, 5));
        default: return std::string();
    }
}

std::string RowLine(int number, double lat, double lon, int32_t bearing, int32_t speed,
                    int32_t type, int32_t dir) {
    return kovra::Format(kRowFormat, number, lat, lon, int(bearing), int(speed), int(type),
                         int(dir)) +
           kLineEnd;
}

std::string Rule() { return std::string(kRuleWidth, '=') + kLineEnd; }

}  // namespace

void ParseTypeList(const std::string& text, int32_t slots[kTypeSlots]) {
    for (int i = 0; i < kTypeSlots; ++i) slots[i] = -1;
    // Like a tokenizer that skips empty fields: ",,", a leading or a trailing comma yield
    // no token. The whole text is read, however long.
    int filled = 0;
    size_t pos = 0;
    while (filled < kTypeSlots && pos < text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) slots[filled++] = kovra::ParseDecimalInt(kovra::WidenBytes(text.substr(pos, end - pos)));
        pos = end + 1;
    }
}

RunResult Convert(const std::string& workbookPath, const std::string& outputFolder,
                  ConvertTables* tables) {
    RunResult result;
    result.speedRawPath = kovra::JoinPath(outputFolder, "speed.raw");
    result.successLogPath = kovra::JoinPath(outputFolder, "SuccessLogFile.txt");
    result.errorLogPath = kovra::JoinPath(outputFolder, "ErrorLogFile.txt");

    // Problems that stop the run before any row is checked still leave an error log, so the
    // wizard's user reads why nothing was converted.
    auto refuse = [&](Outcome outcome, const std::string& problem) {
        result.outcome = outcome;
        result.problem = problem;
        std::string log = problem + kLineEnd;
        kovra::WriteFileReplacing(result.errorLogPath, log.data(), log.size());
        return result;
    };

    ExcelFile file;
    if (!kovra::FileExists(workbookPath)) return refuse(Outcome::CannotRead, "The workbook does not exist: " + workbookPath);
    if (!file.OpenFile(workbookPath)) return refuse(Outcome::CannotRead, "The file is not a readable Excel 97-2003 workbook: " + workbookPath);
    ExcelSheet* note = file.FindSheet("note");
    if (!note) return refuse(Outcome::CannotRead, "The workbook has no sheet \"note\": " + workbookPath);

    const int32_t version = ReadInt(note, 999, 5);
    int32_t slots[kTypeSlots];
    ParseTypeList(ReadListText(note), slots);

    ExcelSheet* data = file.FindSheet("data");
    if (!data) return refuse(Outcome::CannotRead, "The workbook has no sheet \"data\": " + workbookPath);

    int month = 0, day = 0;
    if (!kovra::GetFileWriteDateUtc(workbookPath, &month, &day))
        return refuse(Outcome::CannotRead, "The workbook's date cannot be read: " + workbookPath);

    int rowCount = data->RowCount();
    while (rowCount > 0 && ReadDouble(data, rowCount - 1, 1) == 0.0 &&
           ReadDouble(data, rowCount - 1, 2) == 0.0)
        --rowCount;
    const int n = rowCount > 1 ? rowCount - 1 : 0;
    if (n > kMaxCameras)
        return refuse(Outcome::InvalidRows,
                      kovra::Format("Too many cameras: %d rows, at most %d can be converted.", n, kMaxCameras));

    std::string errorLog;
    std::vector<CameraEntry> table(static_cast<size_t>(n));
    for (int r = 1; r < rowCount; ++r) {
        const double lat = ReadDouble(data, r, 1);
        const double lon = ReadDouble(data, r, 2);
        const int32_t bearing = ReadInt(data, r, 3);
        const int32_t speed = ReadInt(data, r, 4);
        const int32_t dir = ReadInt(data, r, 6);
        const int32_t type = ReadInt(data, r, 5);
        bool typeListed = false;
        for (int32_t s : slots) typeListed |= s == type;
        const bool ok = lat >= -89.9 && lat <= 89.9 && lon >= -180.0 && lon <= 180.0 &&
                        bearing <= 359 && speed >= 0 && speed <= 180 && dir >= 0 && dir <= 2 &&
                        typeListed;
        if (!ok) {
            if (errorLog.empty()) errorLog = kovra::Format(kErrorHeading, rowCount) + kLineEnd + Rule();
            errorLog += RowLine(r + 1, lat, lon, bearing, speed, type, dir);
            ++result.invalidRows;
            continue;
        }
        table[size_t(r - 1)] = CameraEntry{ToMillionths(lat), ToMillionths(lon), bearing, speed, type, dir};
    }
    if (result.invalidRows > 0) {
        result.outcome = Outcome::InvalidRows;
        if (!kovra::WriteFileReplacing(result.errorLogPath, errorLog.data(), errorLog.size()))
            result.problem = "The error log cannot be written: " + result.errorLogPath;
        return result;
    }

    FastExchangeSortByLatitude(table.data(), table.size());
    if (tables) tables->sorted = table;

    std::vector<uint8_t> raw = EncodeSpeedRaw(version, month, day, table.data(), table.size());
    std::string log = kovra::Format("total data:%d", n) + kLineEnd + kSuccessHeading + kLineEnd + Rule();
    for (int i = 0; i < n; ++i) {
        const CameraEntry& e = table[size_t(i)];
        log += RowLine(i + 1, e.latitude * 0.000001, e.longitude * 0.000001, e.bearing, e.speed,
                       e.type, e.dir);
    }
    if (!kovra::WriteFileReplacing(result.speedRawPath, raw.data(), raw.size()))
        return refuse(Outcome::CannotWrite, "The camera file cannot be written: " + result.speedRawPath);
    if (!kovra::WriteFileReplacing(result.successLogPath, log.data(), log.size()))
        return refuse(Outcome::CannotWrite, "The success log cannot be written: " + result.successLogPath);
    result.outcome = Outcome::Success;
    result.cameras = n;
    return result;
}

int ExitCode(Outcome outcome) {
    switch (outcome) {
        case Outcome::Success: return 0;
        case Outcome::InvalidRows: return 1;
        case Outcome::CannotRead: return 2;
        case Outcome::CannotWrite: return 3;
    }
    return 3;
}

bool NotifyWizard(bool success) {
#ifdef _WIN32
    HWND wnd = FindWindowW(KOVRA_WIZARD_CLASS, KOVRA_WIZARD_TITLE);
    if (!wnd) return false;
    SendMessageW(wnd, UM_CONVERT_RESULT, success ? 1 : 0, 0);
    return true;
#else
    (void)success;
    return false;
#endif
}

}  // namespace rawconv
