// Splitting the "Workbook" stream into the globals and one aggregate per worksheet.
#pragma once

#include <cstdint>
#include <vector>

#include "spreadsheet/zexcel_workbook.h"
#include "spreadsheet/zexcel_worksheet.h"

namespace ZExcel {

// Why a stream did not parse.
struct StreamFailure {
    enum Kind { None, OldFormat, Encrypted, Damaged };
    Kind m_kind = None;
    size_t m_nOffset = 0;  // Damaged: stream position of the record that could not be read
    uint16_t m_nCode = 0;  // and its code (0 when not even its header is there)
};

// Reads the globals and the substreams that follow them, appending one worksheet per
// worksheet substream and its BOF's stream position to positions. Chart, macro, module and
// dialog substreams are skipped whole. The parse ends at the end of the stream, at a record
// that is not a BOF, or once as many substreams as the globals list sheets have been met,
// so stale bytes behind the last sheet are never looked at. Returns the bytes consumed; 0
// when the stream is not a BIFF8 workbook or is malformed (no BOF at its start, no globals
// first, an older format, encryption, a BOF shorter than 8 bytes, a record running past
// the end, a substream without EOF), with the reason in *failure.
size_t ParseStream(ByteSpan stream, Workbook& globals, std::vector<Worksheet>& sheets,
                   std::vector<uint32_t>& positions, StreamFailure* failure = nullptr);

}  // namespace ZExcel
