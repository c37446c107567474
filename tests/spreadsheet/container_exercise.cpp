// Open, read everything, overwrite one stream, reopen and compare.
#include "tests/spreadsheet/container_exercise.h"

#include <string>
#include <vector>

#include "spreadsheet/compound_document.h"

namespace cfb_test {

namespace {

struct Stream {
    std::u16string path;
    ContainerResult result;
    std::vector<uint8_t> bytes;
};

// Whether a path can name this child: not an empty name, not one holding a backslash or
// spelling "." or "..", and the first child of its storage with that name.
bool Nameable(const EntryNode& storage, size_t index) {
    const std::u16string name = storage.children[index]->entry.Name();
    if (name.empty() || name == u"." || name == u".." || name.find(u'\\') != std::u16string::npos)
        return false;
    for (size_t i = 0; i < index; ++i)
        if (storage.children[i]->entry.Name() == name) return false;
    return true;
}

// Every stream that a path can name.
bool ReadAll(const CompoundDocument& doc, std::vector<Stream>& out) {
    out.clear();
    std::vector<std::pair<const EntryNode*, std::u16string>> work{{doc.Root(), u""}};
    while (!work.empty()) {
        auto [node, prefix] = work.back();
        work.pop_back();
        for (size_t i = 0; i < node->children.size(); ++i) {
            const auto& c = node->children[i];
            if (!Nameable(*node, i)) continue;
            std::u16string name = c->entry.Name();
            std::u16string path = prefix + u"\\" + name;
            if (c->entry.objectType == DirectoryEntry::Storage) {
                work.push_back({c.get(), path});
            } else if (c->entry.objectType == DirectoryEntry::Stream) {
                Stream s{path, Done, {}};
                s.result = doc.ReadWholeStream(path, s.bytes);
                uint32_t length = 0;
                if (doc.StreamLength(path, length) != Done) return false;
                if (s.result == Done && s.bytes.size() != length) return false;
                if (s.result != Done && (s.result != PlatformFailure || !s.bytes.empty()))
                    return false;
                out.push_back(std::move(s));
            }
        }
    }
    return true;
}

}  // namespace

bool ExerciseContainer(const uint8_t* data, size_t size) {
    CompoundDocument doc;
    if (!doc.OpenFromMemory(std::vector<uint8_t>(data, data + size))) return !doc.IsOpen();
    std::vector<uint8_t> mini;
    doc.ReadWholeStream(u"\\", mini);
    std::vector<Stream> before;
    if (!ReadAll(doc, before)) return false;
    if (before.empty() || size < 2) return true;

    // Overwrite one stream with a length taken from the input, across the cutoff both ways.
    const Stream& target = before[data[0] % before.size()];
    const size_t length = (size_t(data[size - 1]) << 8 | data[size - 2]) % 9000;
    std::vector<uint8_t> content(length);
    for (size_t i = 0; i < length; ++i) content[i] = uint8_t(i * 31 + data[i % size]);
    const std::vector<uint8_t> imageBefore = doc.Image();
    ContainerResult r = doc.OverwriteStream(target.path, content);
    if (r != Done) return r == PlatformFailure && doc.Image() == imageBefore;

    CompoundDocument reopened;
    if (!reopened.OpenFromMemory(doc.Image())) return false;
    std::vector<Stream> after;
    if (!ReadAll(reopened, after) || after.size() != before.size()) return false;
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i].path != before[i].path) return false;
        if (after[i].path == target.path) {
            if (after[i].result != Done || after[i].bytes != content) return false;
        } else if (before[i].result == Done) {
            if (after[i].result != Done || after[i].bytes != before[i].bytes) return false;
        }
    }
    return true;
}

}  // namespace cfb_test
