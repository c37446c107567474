// Source reading and result writing for the exchange commands.
#include "cli/source_io.h"

#include <cstdio>
#include <filesystem>

#include "base/file_io.h"
#include "cli/commands.h"
#include "exchange/cam_source.h"

namespace {

std::filesystem::path FsPath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(kovra::FromUtf8(utf8));  // a narrow path would be read as ANSI
#else
    return std::filesystem::path(utf8);
#endif
}

}  // namespace

bool LoadCamSource(const std::string& path, exchange::CamCollection* cams) {
    std::string error;
    if (exchange::ReadCamSource(kovra::FromUtf8(path), cams, &error)) return true;
    std::fprintf(stderr, "kovracli: %s: %s\n", path.c_str(), error.c_str());
    return false;
}

const char* SourceKindName(exchange::SourceKind kind) {
    switch (kind) {
        case exchange::SourceKind::SpeedRaw:
            return "speed.raw";
        case exchange::SourceKind::Workbook:
            return "workbook";
        case exchange::SourceKind::PartnerText:
            return "partner text";
        default:
            return "CSV";
    }
}

bool WriteResult(const std::string& outPath, const std::string& text,
                 const std::vector<std::string>& inputs) {
    if (outPath.empty()) {
        WriteStdout(text);
        return true;
    }
    for (const std::string& in : inputs) {
        std::error_code ec;
        if (std::filesystem::equivalent(FsPath(outPath), FsPath(in), ec)) {
            std::fprintf(stderr, "kovracli: %s is an input; choose another output file\n",
                         outPath.c_str());
            return false;
        }
    }
    if (kovra::WriteFileReplacing(kovra::FromUtf8(outPath), text.data(), text.size())) return true;
    std::fprintf(stderr, "kovracli: cannot write %s\n", outPath.c_str());
    return false;
}
