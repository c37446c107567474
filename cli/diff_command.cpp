// kovracli diff: cameras removed, added, changed and unchanged between two sources.
#include <cmath>
#include <cstdio>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/source_io.h"
#include "exchange/cam_diff.h"
#include "exchange/kml.h"

namespace {

using exchange::CamCollection;
using exchange::CamRecord;

int Usage() {
    std::fprintf(stderr, "usage: kovracli diff OLD NEW [--json] [--kml FILE]\n");
    return 2;
}

void Coordinate(JsonWriter& j, const CamRecord& r, int column) {
    const double v = column == CamLatitude ? r.cam.m_dLatitude : r.cam.m_dLongitude;
    if (std::isfinite(v))
        j.Number(exchange::CoordinateText(r, column));
    else
        j.Null();
}

void Record(JsonWriter& j, const CamCollection& c, const CamRecord& r) {
    j.BeginObject();
    j.Key("lat");
    Coordinate(j, r, CamLatitude);
    j.Key("lon");
    Coordinate(j, r, CamLongitude);
    j.Key("bearing").Int(r.cam.m_nBearingAngle).Key("speed").Int(r.cam.m_nSpeedLimit);
    j.Key("type").Int(r.cam.m_nCameraType).Key("dir").Int(r.cam.m_nDirType);
    j.Key("valid").Bool(r.cam.IsValid());
    j.Key("source").String(exchange::OriginText(c.kind, r));
    j.EndObject();
}

void Side(JsonWriter& j, const char* key, const std::string& path, const CamCollection& c) {
    j.Key(key).BeginObject();
    j.Key("file").String(path).Key("kind").String(std::string(SourceKindName(c.kind)));
    j.Key("cameras").Int(int64_t(c.records.size()));
    j.EndObject();
}

}  // namespace

int RunDiff(const Args& args) {
    std::vector<std::string> files;
    std::string kml;
    bool json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json" && !json) {
            json = true;
        } else if (a == "--kml" && i + 1 < args.size() && kml.empty()) {
            kml = args[++i];
        } else if (!a.empty() && a[0] != '-' && files.size() < 2) {
            files.push_back(a);
        } else {
            return Usage();
        }
    }
    if (files.size() != 2) return Usage();

    CamCollection older, newer;
    if (!LoadCamSource(files[0], &older) || !LoadCamSource(files[1], &newer)) return 1;
    const exchange::CamDiff d = exchange::DiffCameras(older.records, newer.records);
    if (!kml.empty() && !WriteResult(kml, exchange::FormatDiffKml(older, newer, d), files))
        return 1;

    std::string text;
    if (json) {
        JsonWriter j(text);
        j.BeginObject();
        Side(j, "old", files[0], older);
        Side(j, "new", files[1], newer);
        j.Key("summary").BeginObject();
        j.Key("removed").Int(int64_t(d.removed.size())).Key("added").Int(int64_t(d.added.size()));
        j.Key("changed")
            .Int(int64_t(d.changed.size()))
            .Key("unchanged")
            .Int(int64_t(d.unchanged.size()));
        j.EndObject();
        j.Key("removed").BeginArray();
        for (size_t i : d.removed) Record(j, older, older.records[i]);
        j.EndArray().Key("added").BeginArray();
        for (size_t i : d.added) Record(j, newer, newer.records[i]);
        j.EndArray();
        for (int changed = 1; changed >= 0; --changed) {
            j.Key(changed ? "changed" : "unchanged").BeginArray();
            for (const exchange::CamMatch& m : changed ? d.changed : d.unchanged) {
                j.BeginObject().Key("old");
                Record(j, older, older.records[m.oldIndex]);
                j.Key("new");
                Record(j, newer, newer.records[m.newIndex]);
                if (changed) {
                    j.Key("values").BeginArray();
                    const std::string names = exchange::ChangedValues(older.records[m.oldIndex],
                                                                      newer.records[m.newIndex]) +
                                              " ";
                    for (size_t at = 0, blank; (blank = names.find(' ', at)) != std::string::npos;
                         at = blank + 1)
                        j.String(names.substr(at, blank - at));
                    j.EndArray();
                }
                j.EndObject();
            }
            j.EndArray();
        }
        j.EndObject();
        text += '\n';
    } else {
        text = "old: " + files[0] + " (" + SourceKindName(older.kind) + ", " +
               std::to_string(older.records.size()) + " cameras)\nnew: " + files[1] + " (" +
               SourceKindName(newer.kind) + ", " + std::to_string(newer.records.size()) +
               " cameras)\nremoved: " + std::to_string(d.removed.size()) +
               "\nadded: " + std::to_string(d.added.size()) +
               "\nchanged: " + std::to_string(d.changed.size()) +
               "\nunchanged: " + std::to_string(d.unchanged.size()) + "\n";
    }
    WriteStdout(text);
    return 0;
}
