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
    if (b.size() < rawconv::kHeaderSize || (b.size() - rawconv::kHeaderSize) % rawconv::kRecordSize) {
        std::fprintf(stderr, "kovracli: %s is not a camera file (%zu bytes is not 3 + 13 per camera)\n",
                     args[0].c_str(), b.size());
        return 1;
    }
    std::string out;
    JsonWriter j(out);
    j.BeginObject().Key("version").Int(b[0]).Key("month").Int(b[1]).Key("day").Int(b[2]);
    j.Key("records").BeginArray();
    for (size_t p = rawconv::kHeaderSize; p < b.size(); p += rawconv::kRecordSize) {
        const uint8_t* r = &b[p];
        j.BeginObject();
        j.Key("lat").Int(int32_t(uint32_t(r[0]) << 24 | r[1] << 16 | r[2] << 8 | r[3]));
        j.Key("lon").Int(int32_t(uint32_t(r[4]) << 24 | r[5] << 16 | r[6] << 8 | r[7]));
        j.Key("bearing").Int(int16_t(uint16_t(r[8] << 8 | r[9])));
        j.Key("speed").Int(r[10]).Key("type").Int(r[11]).Key("dir").Int(r[12]);
        j.EndObject();
    }
    j.EndArray().EndObject();
    out += '\n';
    WriteStdout(out);
    return 0;
}
