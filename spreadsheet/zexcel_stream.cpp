// The stream parse: globals first, then the worksheet substreams in stream order.
#include "spreadsheet/zexcel_stream.h"

namespace ZExcel {

size_t ParseStream(ByteSpan s, Workbook& globals, std::vector<Worksheet>& sheets,
                   std::vector<uint32_t>& positions) {
    size_t pos = 0;
    bool haveGlobals = false;
    size_t substreams = 0;  // substreams met after the globals
    uint16_t code, len;
    while (pos < s.n && PeekHeader(ByteSpan{s.p + pos, s.n - pos}, code, len) && code == CODE_BOF) {
        ByteSpan at{s.p + pos, s.n - pos};
        BOF bof;
        if (bof.Read(at) == 0) return 0;
        size_t used = 0;
        if (bof.m_nType == BOF::kGlobals) {
            globals.Reset();
            used = globals.Read(at);
            haveGlobals = true;
            substreams = 0;
        } else if (!haveGlobals) {
            return 0;  // a workbook starts with its globals
        } else {
            ++substreams;
            if (bof.m_nType == BOF::kWorksheet) {
                sheets.emplace_back();
                positions.push_back(uint32_t(pos));
                used = sheets.back().Read(at);
            } else {
                used = bof.m_nRecordSize;
            }
        }
        if (used == 0) return 0;
        pos += used;
        if (haveGlobals && substreams >= globals.m_boundSheets.size()) break;
    }
    return haveGlobals ? pos : 0;
}

}  // namespace ZExcel
