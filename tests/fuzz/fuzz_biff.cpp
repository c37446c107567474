// Fuzz target for the workbook stream: parse it, and when it parses, write it and read what
// was written. Whatever is written must read back as a workbook of as many sheets, and settle
// after one more round.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spreadsheet/excel_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Reading takes memory by the cells present, but writing is still dense (every cell of
    // the grid becomes a record): a single cell at the far corner makes 16M records, whose
    // writing takes seconds and tells nothing new. Far smaller limits keep the fuzzer fast:
    // larger grids are refused at load, and the larger of those kept are only parsed.
    ExcelFile file;
    file.m_nGridLimit = 1 << 20;
    if (!file.LoadFromStream(data, size)) return 0;
    size_t cells = 0;
    for (int i = 0; i < file.SheetCount(); ++i)
        cells += size_t(file.SheetAt(i)->RowCount()) * size_t(file.SheetAt(i)->ColumnCount());
    if (cells > 100000) return 0;
    std::vector<uint8_t> out;
    if (!file.SerializeStream(out)) return 0;
    ExcelFile again;
    if (!again.LoadFromStream(out) || again.SheetCount() != file.SheetCount()) __builtin_trap();
    // Cells that hold no value (errors, strings missing from the table) can widen a grid
    // when read and are written as blanks, which do not: the second writing may be smaller.
    // From there on, reading and writing change nothing.
    std::vector<uint8_t> twice, thrice;
    if (!again.SerializeStream(twice)) __builtin_trap();
    ExcelFile third;
    if (!third.LoadFromStream(twice) || !third.SerializeStream(thrice) || thrice != twice)
        __builtin_trap();
    return 0;
}
