// GPX writer.
#include "exchange/gpx.h"

#include "exchange/xml_text.h"

namespace exchange {

std::string FormatGpx(const CamCollection& cams, size_t* unplaced) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"kovracli\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
        "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n"
        "<metadata><name>";
    AppendXmlText(out, cams.name);
    out += "</name></metadata>\n";
    size_t skipped = 0;
    for (const CamRecord& r : cams.records) {
        if (!HasPlace(r)) {
            ++skipped;
            continue;
        }
        std::string lon = CoordinateText(r, CamLongitude);
        // GPX longitudes stop short of 180; the same meridian is -180.
        if (r.cam.m_dLongitude == 180.0) lon = "-" + lon;
        out += "<wpt lat=\"" + CoordinateText(r, CamLatitude) + "\" lon=\"" + lon + "\"><name>";
        out += std::to_string(r.cam.m_nSpeedLimit) + " km/h</name><desc>";
        const std::vector<std::string> lines = DescribeRecord(cams.kind, r);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i) out += '\n';
            AppendXmlText(out, lines[i]);
        }
        out += "</desc><type>";
        AppendXmlText(out, r.cam.IsValid() ? TypeLabel(r.cam.m_nCameraType) : "invalid");
        out += "</type></wpt>\n";
    }
    out += "</gpx>\n";
    if (unplaced) *unplaced = skipped;
    return out;
}

}  // namespace exchange
