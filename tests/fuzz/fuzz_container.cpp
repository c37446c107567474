// libFuzzer target for the compound document reader and stream writer: whatever opens must
// read every stream to an end, and a stream that is overwritten must read back as written
// in a document reopened from the result, with every other stream unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spreadsheet/compound_document.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Stream {
    std::u16string path;
    ContainerResult result;
    std::vector<uint8_t> bytes;
};

// Every stream reachable by a path (names holding a backslash cannot be named).
std::vector<Stream> ReadAll(const CompoundDocument& doc) {
    std::vector<Stream> out;
    std::vector<std::pair<const EntryNode*, std::u16string>> work{{doc.Root(), u""}};
    while (!work.empty()) {
        auto [node, prefix] = work.back();
        work.pop_back();
        for (const auto& c : node->children) {
            std::u16string name = c->entry.Name();
            if (name.empty() || name.find(u'\\') != std::u16string::npos) continue;
            std::u16string path = prefix + u"\\" + name;
            if (c->entry.objectType == DirectoryEntry::Storage) {
                work.push_back({c.get(), path});
            } else if (c->entry.objectType == DirectoryEntry::Stream) {
                Stream s{path, Done, {}};
                s.result = doc.ReadWholeStream(path, s.bytes);
                uint32_t length = 0;
                Check(doc.StreamLength(path, length) == Done);
                Check(s.result != Done || s.bytes.size() == length);
                Check(s.result == Done || s.bytes.empty());
                out.push_back(std::move(s));
            }
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CompoundDocument doc;
    if (!doc.OpenFromMemory(std::vector<uint8_t>(data, data + size))) return 0;
    std::vector<uint8_t> mini;
    doc.ReadWholeStream(u"\\", mini);
    std::vector<Stream> before = ReadAll(doc);
    if (before.empty() || size < 2) return 0;

    // Overwrite one stream with a length taken from the input, across the cutoff both ways.
    const Stream& target = before[data[0] % before.size()];
    size_t length = (size_t(data[size - 1]) << 8 | data[size - 2]) % 9000;
    std::vector<uint8_t> content(length);
    for (size_t i = 0; i < length; ++i) content[i] = uint8_t(i * 31 + data[i % size]);
    ContainerResult r = doc.OverwriteStream(target.path, content);
    Check(r == Done || r == PlatformFailure);
    if (r != Done) return 0;

    CompoundDocument reopened;
    Check(reopened.OpenFromMemory(doc.Image()));
    std::vector<Stream> after = ReadAll(reopened);
    Check(after.size() == before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        Check(after[i].path == before[i].path);
        if (after[i].path == target.path) {
            Check(after[i].result == Done && after[i].bytes == content);
        } else if (before[i].result == Done) {
            Check(after[i].result == Done && after[i].bytes == before[i].bytes);
        }
    }
    return 0;
}
