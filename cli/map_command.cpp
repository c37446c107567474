// kovracli map: an SVG overview of a camera source.
#include <cstdio>

#include "cli/commands.h"
#include "cli/source_io.h"
#include "exchange/svg_map.h"

int RunMap(const Args& args) {
    std::string source, out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else if (!a.empty() && a[0] != '-' && source.empty()) {
            source = a;
        } else {
            source.clear();
            break;
        }
    }
    if (source.empty()) {
        std::fprintf(stderr, "usage: kovracli map SOURCE [-o FILE.svg]\n");
        return 2;
    }
    exchange::CamCollection cams;
    if (!LoadCamSource(source, &cams)) return 1;
    return WriteResult(out, exchange::FormatSvgMap(cams), {source}) ? 0 : 1;
}
