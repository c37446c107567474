// KML writer.
#include "exchange/kml.h"

#include <map>

#include "base/file_io.h"
#include "base/text.h"
#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_source.h"
#include "exchange/xml_text.h"

namespace exchange {

const char kKmlCameraIcon[] = "https://maps.google.com/mapfiles/kml/shapes/camera.png";
const char kKmlArrowIcon[] = "https://maps.google.com/mapfiles/kml/shapes/track.png";
const char kKmlInvalidIcon[] = "https://maps.google.com/mapfiles/kml/shapes/forbidden.png";
const char kKmlMarkIcon[] = "https://maps.google.com/mapfiles/kml/shapes/placemark_circle.png";

namespace {

// KML colours are alpha, blue, green, red.
std::string KmlColor(uint32_t rgb) {
    return kovra::Format("ff%02x%02x%02x", unsigned(rgb & 0xFF), unsigned(rgb >> 8 & 0xFF),
                         unsigned(rgb >> 16 & 0xFF));
}

void IconStyle(std::string& out, uint32_t rgb, const char* icon, int heading) {
    out += "<IconStyle><color>" + KmlColor(rgb) + "</color>";
    if (heading >= 0) out += "<heading>" + std::to_string(heading) + "</heading>";
    out += "<Icon><href>";
    out += icon;
    out += "</href></Icon></IconStyle>";
}

void Data(std::string& out, const char* name, const std::string& value) {
    out += "<Data name=\"";
    out += name;
    out += "\"><value>";
    AppendXmlText(out, value);
    out += "</value></Data>";
}

}  // namespace

KmlDocument::KmlDocument(const std::string& name) {
    m_out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>";
    AppendXmlText(m_out, name);
    m_out += "</name>\n<open>1</open>\n";
}

void KmlDocument::AddStyle(const std::string& id, uint32_t rgb, const char* icon) {
    m_out += "<Style id=\"";
    AppendXmlText(m_out, id);
    m_out += "\">";
    IconStyle(m_out, rgb, icon, -1);
    m_out += "<LabelStyle><scale>0.7</scale></LabelStyle></Style>\n";
}

void KmlDocument::BeginFolder(const std::string& name) {
    m_out += "<Folder>\n<name>";
    AppendXmlText(m_out, name);
    m_out += "</name>\n";
}

void KmlDocument::EndFolder() {
    m_out += "</Folder>\n";
}

void KmlDocument::AddPlacemark(const std::string& name, const std::vector<std::string>& description,
                               const std::string& styleId, uint32_t rgb, SourceKind kind,
                               const CamRecord& r, bool showHeading) {
    const CSpeedCamData& c = r.cam;
    m_out += "<Placemark><name>";
    AppendXmlText(m_out, name);
    // The description is HTML to the readers: lines are broken by <br>, escaped here.
    m_out += "</name><description>";
    for (size_t i = 0; i < description.size(); ++i) {
        if (i) m_out += "&lt;br&gt;";
        AppendXmlText(m_out, description[i]);
    }
    m_out += "</description><styleUrl>#";
    AppendXmlText(m_out, styleId);
    m_out += "</styleUrl>";
    // A complete icon style of its own: readers differ in how they merge partial ones.
    if (showHeading) {
        m_out += "<Style>";
        IconStyle(m_out, rgb, kKmlArrowIcon, c.m_nBearingAngle);
        m_out += "</Style>";
    }
    m_out += "<ExtendedData>";
    const std::string lat = CoordinateText(r, CamLatitude), lon = CoordinateText(r, CamLongitude);
    Data(m_out, "lat", lat);
    Data(m_out, "lon", lon);
    Data(m_out, "bearing", std::to_string(c.m_nBearingAngle));
    Data(m_out, "speed", std::to_string(c.m_nSpeedLimit));
    Data(m_out, "type", std::to_string(c.m_nCameraType));
    Data(m_out, "dir", std::to_string(c.m_nDirType));
    if (r.origin > 0) Data(m_out, "source", OriginText(kind, r));
    if (!c.IsValid()) Data(m_out, "invalid", InvalidColumns(r));
    m_out += "</ExtendedData>";
    if (HasPlace(r)) m_out += "<Point><coordinates>" + lon + "," + lat + "</coordinates></Point>";
    m_out += "</Placemark>\n";
}

std::string KmlDocument::Finish() {
    m_out += "</Document>\n</kml>\n";
    return std::move(m_out);
}

std::string FormatKml(const CamCollection& cams) {
    std::map<int32_t, std::vector<const CamRecord*>> byType;
    std::vector<const CamRecord*> invalid;
    for (const CamRecord& r : cams.records) {
        if (r.cam.IsValid())
            byType[r.cam.m_nCameraType].push_back(&r);
        else
            invalid.push_back(&r);
    }
    KmlDocument doc(cams.name);
    for (const auto& t : byType)
        doc.AddStyle("type-" + std::to_string(t.first), TypeStyle(t.first).rgb, kKmlCameraIcon);
    if (!invalid.empty()) doc.AddStyle("invalid", kInvalidRgb, kKmlInvalidIcon);

    auto place = [&](const CamRecord& r, const std::string& style, uint32_t rgb, bool heading) {
        doc.AddPlacemark(std::to_string(r.cam.m_nSpeedLimit) + " km/h",
                         DescribeRecord(cams.kind, r), style, rgb, cams.kind, r, heading);
    };
    for (const auto& t : byType) {
        doc.BeginFolder(TypeLabel(t.first) + " (" + std::to_string(t.second.size()) + ")");
        const uint32_t rgb = TypeStyle(t.first).rgb;
        for (const CamRecord* r : t.second)
            place(*r, "type-" + std::to_string(t.first), rgb, UsesBearing(*r));
        doc.EndFolder();
    }
    if (!invalid.empty()) {
        doc.BeginFolder("Invalid records (" + std::to_string(invalid.size()) + ")");
        for (const CamRecord* r : invalid) place(*r, "invalid", kInvalidRgb, false);
        doc.EndFolder();
    }
    return doc.Finish();
}

bool WriteCamKml(const std::wstring& kmlPath, const CSpeedCamDataSet& set,
                 const std::string& title) {
    CamCollection cams;
    cams.kind = SourceKind::Workbook;
    cams.name = title;
    cams.records = RecordsFromSet(set, nullptr);
    const std::string kml = FormatKml(cams);
    return kovra::WriteFileReplacing(kmlPath, kml.data(), kml.size());
}

bool WriteSourceKml(const std::wstring& sourcePath, const std::wstring& kmlPath,
                    std::string* error) {
    CamCollection cams;
    if (!ReadCamSource(sourcePath, &cams, error)) return false;
    const std::string kml = FormatKml(cams);
    if (kovra::WriteFileReplacing(kmlPath, kml.data(), kml.size())) return true;
    *error = "cannot write " + kovra::ToUtf8(kmlPath);
    return false;
}

}  // namespace exchange
