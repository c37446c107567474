// Splitting the "Workbook" stream into the globals and one aggregate per worksheet.
#pragma once

#include <cstdint>
#include <vector>

#include "spreadsheet/zexcel_workbook.h"
#include "spreadsheet/zexcel_worksheet.h"

namespace ZExcel {

// Reads the globals and the worksheet substreams that follow them, appending one worksheet
// per worksheet substream and its BOF's stream position to positions. The parse ends at
// the end of the stream, at a record that is not a BOF (a chart, macro or module substream
// ends it), or once as many substreams as the globals list sheets have been met, so stale
// bytes behind the last sheet are never looked at. Returns the bytes consumed; 0 when the
// stream is not a workbook or is malformed: no BOF at its start, no globals first, a BOF
// shorter than 16 bytes, a record running past the end, a substream without EOF.
size_t ParseStream(ByteSpan stream, Workbook& globals, std::vector<Worksheet>& sheets,
                   std::vector<uint32_t>& positions);

}  // namespace ZExcel
