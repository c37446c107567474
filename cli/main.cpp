// kovracli: command-line front end on the converter's core.
#include <cstdio>
#include <string>
#include <vector>

#include "base/paths.h"
#include "cli/commands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

struct Command {
    const char* name;
    int (*run)(const Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"convert", RunConvert,
     "convert [--base F.xls] [--partner F.txt] [--custom F.xls] [--keep step1|step2|step3]\n"
     "          [--drop-invalid] [--model N] --out DIR [--json]\n"
     "                                    import, check, filter and convert to DIR/speed.raw"},
    {"diff", RunDiff,
     "diff OLD NEW [--json] [--kml FILE]\n"
     "                                    cameras removed, added, changed and unchanged"},
    {"dump-raw", RunDumpRaw, "dump-raw speed.raw                print the camera file's header and records as JSON"},
    {"dump-xls", RunDumpXls, "dump-xls FILE.xls                 print the workbook's sheets and cells as JSON"},
    {"export", RunExport,
     "export SOURCE --to kml|gpx|csv [-o FILE]\n"
     "                                    a camera source as KML, GPX or CSV"},
    {"import", RunImport,
     "import --base FILE.xls            import base data and print the camera set as JSON\n"
     "  import --custom FILE.xls [--types LIST]\n"
     "  import --custom FILE.csv [--types LIST]\n"
     "  import --partner FILE.txt [--types LIST]"},
    {"map", RunMap, "map SOURCE [-o FILE.svg]          an SVG overview of a camera source"},
};

int Usage() {
    std::fprintf(stderr, "usage: kovracli COMMAND ARGS...\n\ncommands:\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> args = kovra::ProgramArguments(argc, argv);
    if (args.empty()) return Usage();
    for (const Command& c : kCommands)
        if (args[0] == c.name) return c.run(Args(args.begin() + 1, args.end()));
    std::fprintf(stderr, "kovracli: unknown command \"%s\"\n", args[0].c_str());
    return Usage();
}
