// What the exchange commands share: reading a camera source with a clear refusal, and writing
// a result to a file or to stdout without ever replacing an input.
#pragma once

#include <string>
#include <vector>

#include "exchange/cam_record.h"

// Reads the source; on failure prints "kovracli: PATH: reason" and returns false.
bool LoadCamSource(const std::string& path, exchange::CamCollection* cams);

// "speed.raw", "workbook", "partner text" or "CSV".
const char* SourceKindName(exchange::SourceKind kind);

// Writes text to outPath, replacing it whole, or to stdout when outPath is empty. Refuses
// (message on stderr, false) to write over one of the inputs.
bool WriteResult(const std::string& outPath, const std::string& text,
                 const std::vector<std::string>& inputs);
