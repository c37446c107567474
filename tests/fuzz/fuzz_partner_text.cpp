// Feeds arbitrary bytes to the partner text reader, in two pieces split at a point the input
// chooses, and checks what the reader promises of every record it accepts.
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>

#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CSpeedCamDataSet set;
    {
        CSpeedCamTextReader reader(&set);
        size_t split = size ? data[0] % (size + 1) : 0;
        reader.Feed(data, split);
        reader.Feed(data + split, size - split);
        reader.Finish();
        if (reader.m_strTitle.size() > CSpeedCamTextReader::kMaxToken ||
            reader.m_strComment.size() > CSpeedCamTextReader::kMaxToken)
            std::abort();
        set.m_strTitle = reader.m_strTitle;
        set.m_strComment = reader.m_strComment;
    }
    bool fieldsFit = true;  // every written field stays within the 21-character limit
    for (POSITION pos = set.m_camList.GetHeadPosition(); pos;) {
        const CSpeedCamData* c = set.m_camList.GetNext(pos);
        // Types from text are stored without a list, so they always pass.
        if (c->m_bValid[CamCameraType] != 1) std::abort();
        if (!(std::fabs(c->m_dLatitude) < 1e9 && std::fabs(c->m_dLongitude) < 1e9)) fieldsFit = false;
    }
    // Writing what was read must succeed and be readable again with the same record count.
    std::string text = FormatPartnerText(&set);
    CSpeedCamDataSet again;
    CSpeedCamTextReader reader(&again);
    reader.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    reader.Finish();
    if (fieldsFit && !set.m_strTitle.empty() && !set.m_strComment.empty() && set.m_strComment.find(L',') == std::wstring::npos &&
        set.m_strComment.find(L'/') == std::wstring::npos && set.m_strTitle.find(L',') == std::wstring::npos &&
        set.m_strTitle.find(L'/') == std::wstring::npos && again.GetCount() != set.GetCount())
        std::abort();
    return 0;
}
