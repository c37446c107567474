// KML documents of cameras: one placemark per camera in folders by camera type, and the
// writer the wizard's "Show on map" uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/cam_record.h"

class CSpeedCamDataSet;

namespace exchange {

// A document built placemark by placemark: styles first, then folders of placemarks.
class KmlDocument {
public:
    explicit KmlDocument(const std::string& name);

    // A shared icon style, referred to as "#id".
    void AddStyle(const std::string& id, uint32_t rgb, const char* icon);
    void BeginFolder(const std::string& name);
    void EndFolder();
    // The camera at its place (none when it has no place on the globe), with the shared style
    // and, when the record watches a bearing, the icon turned to it in that style's colour.
    void AddPlacemark(const std::string& name, const std::vector<std::string>& description,
                      const std::string& styleId, uint32_t rgb, SourceKind kind, const CamRecord& r,
                      bool showHeading);
    // The whole document; the builder is spent.
    std::string Finish();

private:
    std::string m_out;
};

extern const char kKmlCameraIcon[];
extern const char kKmlArrowIcon[];
extern const char kKmlInvalidIcon[];
extern const char kKmlMarkIcon[];

// The cameras as KML: a folder per camera type with its count, valid records there with the
// type's colour and their bearing shown where the direction type uses it, and invalid records
// in a folder of their own. The values go into the description and into named data fields.
std::string FormatKml(const CamCollection& cams);

// Writes the set's cameras as KML to the path, replacing the file whole; title names the
// document. False when the file cannot be written (an older file then stays as it was).
bool WriteCamKml(const std::wstring& kmlPath, const CSpeedCamDataSet& set,
                 const std::string& title);

// Reads a camera source (speed.raw, or any kind ReadCamSource knows) and writes its cameras as
// KML. False, with the reason in *error, when the source cannot be read or the KML cannot be
// written.
bool WriteSourceKml(const std::wstring& sourcePath, const std::wstring& kmlPath,
                    std::string* error);

}  // namespace exchange
