// kovracli export: any camera source as KML, GPX or CSV.
#include <cstdio>

#include "cli/commands.h"
#include "cli/source_io.h"
#include "exchange/cam_csv.h"
#include "exchange/gpx.h"
#include "exchange/kml.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kovracli export SOURCE --to kml|gpx|csv [-o FILE]\n");
    return 2;
}

}  // namespace

int RunExport(const Args& args) {
    std::string source, format, out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to" && i + 1 < args.size() && format.empty()) {
            format = args[++i];
        } else if (a == "-o" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else if (!a.empty() && a[0] != '-' && source.empty()) {
            source = a;
        } else {
            return Usage();
        }
    }
    if (source.empty() || (format != "kml" && format != "gpx" && format != "csv")) return Usage();

    exchange::CamCollection cams;
    if (!LoadCamSource(source, &cams)) return 1;
    std::string text;
    if (format == "kml") {
        text = exchange::FormatKml(cams);
    } else if (format == "csv") {
        text = exchange::FormatCamCsv(cams);
    } else {
        size_t unplaced = 0;
        text = exchange::FormatGpx(cams, &unplaced);
        if (unplaced)
            std::fprintf(
                stderr,
                "kovracli: %s: %zu record%s without a place on the globe %s not in the GPX file\n",
                source.c_str(), unplaced, unplaced == 1 ? "" : "s", unplaced == 1 ? "is" : "are");
    }
    return WriteResult(out, text, {source}) ? 0 : 1;
}
