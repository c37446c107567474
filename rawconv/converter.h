// The converter core: a conversion workbook in, speed.raw and a log out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rawconv/speed_raw.h"

namespace rawconv {

const int kTypeSlots = 5;
const int kMaxCameras = 19999;

enum class Outcome {
    Success,      // speed.raw and the success log written
    InvalidRows,  // rows failed their checks (or too many rows): the error log lists them
    CannotRead,   // the workbook is missing, unreadable or lacks a sheet: the error log says so
    CannotWrite,  // an output file could not be written
};

struct RunResult {
    Outcome outcome = Outcome::CannotRead;
    int cameras = 0;      // records written to speed.raw
    int invalidRows = 0;  // rows listed in the error log
    std::string problem;  // why the run stopped early, if it did
    std::string speedRawPath, successLogPath, errorLogPath;
};

// What a run leaves in memory, for tests and the command line.
struct ConvertTables {
    std::vector<CameraEntry> sorted;
};

// Fills the five slots from the list text: the first five numbers between commas, empty
// fields skipped, the rest -1.
void ParseTypeList(const std::string& text, int32_t slots[kTypeSlots]);

// Checks every camera row of the workbook and writes speed.raw with the success log, or the
// error log alone, into outputFolder. Files of an earlier run stay unless replaced.
RunResult Convert(const std::string& workbookPath, const std::string& outputFolder,
                  ConvertTables* tables = nullptr);

// 0 only for success, so a script can tell.
int ExitCode(Outcome outcome);

// Sends the outcome to the wizard's window if it is open (Windows); false when none is.
bool NotifyWizard(bool success);

}  // namespace rawconv
