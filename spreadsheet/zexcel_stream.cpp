// The stream parse: globals first, then the worksheet substreams in stream order.
#include "spreadsheet/zexcel_stream.h"

#include "base/byte_order.h"

namespace ZExcel {

namespace {

constexpr uint16_t kBiff5Version = 0x0500;

bool IsOldBof(uint16_t code) {
    return code == CODE_BOF_BIFF2 || code == CODE_BOF_BIFF3 || code == CODE_BOF_BIFF4;
}

}  // namespace

size_t ParseStream(ByteSpan s, Workbook& globals, std::vector<Worksheet>& sheets,
                   std::vector<uint32_t>& positions, StreamFailure* failure) {
    StreamFailure dummy;
    StreamFailure& f = failure ? *failure : dummy;
    f = StreamFailure();
    size_t pos = 0;
    auto fail = [&](StreamFailure::Kind kind, size_t at) -> size_t {
        f.m_kind = kind;
        f.m_nOffset = at;
        f.m_nCode = at + 2 <= s.n ? kovra::LoadLE16(s.p + at) : 0;
        return 0;
    };
    bool haveGlobals = false;
    size_t substreams = 0;  // substreams met after the globals
    uint16_t code, len;
    if (PeekHeader(s, code, len) && IsOldBof(code)) return fail(StreamFailure::OldFormat, 0);
    while (pos < s.n && PeekHeader(ByteSpan{s.p + pos, s.n - pos}, code, len) && code == CODE_BOF) {
        ByteSpan at{s.p + pos, s.n - pos};
        BOF bof;
        if (bof.Read(at) == 0) return fail(StreamFailure::Damaged, pos);
        size_t used = 0;
        size_t failedAt = 0;
        // Excel 5.0 and 95 both write version 0x0500; their records differ from these.
        if (!haveGlobals && bof.m_nVersion == kBiff5Version)
            return fail(StreamFailure::OldFormat, pos);
        if (bof.m_nType == BOF::kGlobals) {
            globals.Reset();
            used = globals.Read(at, &failedAt);
            if (used == 0 && globals.m_bEncrypted)
                return fail(StreamFailure::Encrypted, pos + failedAt);
            haveGlobals = true;
            substreams = 0;
        } else if (!haveGlobals) {
            return fail(StreamFailure::Damaged, pos);  // a workbook starts with its globals
        } else {
            ++substreams;
            if (bof.m_nType == BOF::kWorksheet) {
                sheets.emplace_back();
                positions.push_back(uint32_t(pos));
                used = sheets.back().Read(at, &failedAt);
                if (used != 0 && sheets.back().m_bDialog) {
                    sheets.pop_back();
                    positions.pop_back();
                }
            } else {
                // Chart, macro or module sheet: nothing of it is kept.
                used = SkipSubstream(at);
            }
        }
        if (used == 0) return fail(StreamFailure::Damaged, pos + failedAt);
        pos += used;
        if (haveGlobals && substreams >= globals.m_boundSheets.size()) break;
    }
    if (!haveGlobals) return fail(StreamFailure::Damaged, 0);
    return pos;
}

}  // namespace ZExcel
