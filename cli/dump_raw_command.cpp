// kovracli dump-raw: the recorder's camera file as JSON, values as stored.
#include <cstdio>

#include "base/file_io.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "rawconv/speed_raw.h"

int RunDumpRaw(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: kovracli dump-raw speed.raw\n");
        return 2;
    }
    std::vector<uint8_t> b;
    if (!kovra::ReadWholeFile(args[0], b)) {
        std::fprintf(stderr, "kovracli: cannot read %s\n", args[0].c_str());
        return 1;
    }
    rawconv::SpeedRawFile file;
    if (!rawconv::DecodeSpeedRaw(b.data(), b.size(), &file)) {
        std::fprintf(stderr, "kovracli: %s is not a camera file (%zu bytes is not 3 + 13 per camera)\n",
                     args[0].c_str(), b.size());
        return 1;
    }
    std::string out;
    JsonWriter j(out);
    j.BeginObject().Key("version").Int(file.version).Key("month").Int(file.month).Key("day").Int(file.day);
    j.Key("records").BeginArray();
    for (const rawconv::CameraEntry& c : file.cameras) {
        j.BeginObject();
        j.Key("lat").Int(c.latitude).Key("lon").Int(c.longitude).Key("bearing").Int(c.bearing);
        j.Key("speed").Int(c.speed).Key("type").Int(c.type).Key("dir").Int(c.dir);
        j.EndObject();
    }
    j.EndArray().EndObject();
    out += '\n';
    WriteStdout(out);
    return 0;
}
