// Lays out a compound document: regular streams, mini stream, mini FAT, directory, then
// FAT and DIFAT sectors, each in one contiguous run.
#include "tests/spreadsheet/cfb_builder.h"

#include <cstring>

namespace cfb_test {

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatMark = 0xFFFFFFFD;
constexpr uint32_t kDifatMark = 0xFFFFFFFC;

uint32_t Ceil(size_t n, size_t unit) {
    return uint32_t((n + unit - 1) / unit);
}

void Store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Store16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace

uint32_t Layout::Get32(size_t o) const {
    return uint32_t(bytes[o]) | uint32_t(bytes[o + 1]) << 8 | uint32_t(bytes[o + 2]) << 16 |
           uint32_t(bytes[o + 3]) << 24;
}
void Layout::Put32(size_t offset, uint32_t v) {
    Store32(&bytes[offset], v);
}
void Layout::Put16(size_t offset, uint16_t v) {
    Store16(&bytes[offset], v);
}

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345;
        v[i] = uint8_t(x >> 16);
    }
    return v;
}

std::vector<Entry> UnderRoot(std::vector<Entry> children) {
    std::vector<Entry> all;
    Entry root;
    root.name = u"Root Entry";
    root.type = 5;
    root.child = children.empty() ? kNone : 1;
    all.push_back(root);
    for (size_t i = 0; i < children.size(); ++i) {
        children[i].right = i + 1 < children.size() ? uint32_t(i + 2) : kNone;
        all.push_back(children[i]);
    }
    return all;
}

Layout Build(const std::vector<Entry>& entries, const Options& options) {
    Layout out;
    std::vector<uint32_t> fat;  // grows with the sectors
    uint32_t next = 0;
    auto run = [&](uint32_t count, std::vector<uint32_t>* list) {
        uint32_t first = count ? next : kEnd;
        for (uint32_t i = 0; i < count; ++i) {
            fat.push_back(i + 1 < count ? next + 1 : kEnd);
            if (list) list->push_back(next);
            ++next;
        }
        return first;
    };

    // Regular streams first, then the mini stream built from the small ones.
    out.start.assign(entries.size(), kEnd);
    std::vector<uint8_t> mini;
    std::vector<uint32_t> miniFat;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.type != 2 || e.data.empty()) continue;
        if (e.data.size() >= 4096) {
            out.start[i] = run(Ceil(e.data.size(), 512), nullptr);
        } else {
            uint32_t count = Ceil(e.data.size(), 64);
            out.start[i] = uint32_t(miniFat.size());
            for (uint32_t k = 0; k < count; ++k)
                miniFat.push_back(k + 1 < count ? uint32_t(miniFat.size() + 1) : kEnd);
            size_t at = mini.size();
            mini.resize(at + size_t(count) * 64, 0);
            std::memcpy(&mini[at], e.data.data(), e.data.size());
        }
    }
    const uint32_t miniStart = run(Ceil(mini.size(), 512), &out.miniStream);
    const uint32_t miniFatStart = run(Ceil(miniFat.size() * 4, 512), &out.miniFatSectors);
    const uint32_t dirStart = run(Ceil(entries.size(), 4), &out.directorySectors);

    // FAT and DIFAT sectors: as many as needed to cover every sector, themselves included.
    uint32_t fatCount = options.minFatSectors ? options.minFatSectors : 1, difatCount = 0;
    for (;;) {
        difatCount = fatCount > 109 ? Ceil(fatCount - 109, 127) : 0;
        if (size_t(fatCount) * 128 >= next + fatCount + difatCount) break;
        ++fatCount;
    }
    for (uint32_t i = 0; i < fatCount; ++i) {
        out.fatSectors.push_back(next++);
        fat.push_back(kFatMark);
    }
    for (uint32_t i = 0; i < difatCount; ++i) {
        out.difatSectors.push_back(next++);
        fat.push_back(kDifatMark);
    }
    const uint32_t total = options.fillFat ? fatCount * 128 : next;
    fat.resize(size_t(fatCount) * 128, kFree);

    out.bytes.assign((size_t(total) + 1) * 512, 0);
    uint8_t* h = out.bytes.data();
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h, sig, 8);
    Store16(h + 24, 0x3E);
    Store16(h + 26, 3);
    Store16(h + 28, 0xFFFE);
    Store16(h + 30, 9);
    Store16(h + 32, 6);
    Store32(h + 44, fatCount);
    Store32(h + 48, dirStart);
    Store32(h + 56, 4096);
    Store32(h + 60, miniFatStart);
    Store32(h + 64, uint32_t(out.miniFatSectors.size()));
    Store32(h + 68, difatCount ? out.difatSectors[0] : kEnd);
    Store32(h + 72, difatCount);
    for (uint32_t i = 0; i < 109; ++i)
        Store32(h + 76 + 4 * i, i < fatCount ? out.fatSectors[i] : kFree);
    for (uint32_t d = 0; d < difatCount; ++d) {
        uint8_t* p = &out.bytes[Layout::SectorOffset(out.difatSectors[d])];
        for (uint32_t i = 0; i < 127; ++i) {
            uint32_t index = 109 + d * 127 + i;
            Store32(p + 4 * i, index < fatCount ? out.fatSectors[index] : kFree);
        }
        Store32(p + 508, d + 1 < difatCount ? out.difatSectors[d + 1] : kEnd);
    }
    for (size_t s = 0; s < fat.size(); ++s) out.Put32(out.FatOffset(uint32_t(s)), fat[s]);
    miniFat.resize(out.miniFatSectors.size() * 128, kFree);
    for (size_t k = 0; k < miniFat.size(); ++k)
        out.Put32(out.MiniFatOffset(uint32_t(k)), miniFat[k]);
    for (size_t i = 0; i < mini.size(); ++i)
        out.bytes[Layout::SectorOffset(out.miniStream[i / 512]) + i % 512] = mini[i];

    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.type == 2 && e.data.size() >= 4096) {
            uint32_t s = out.start[i];
            for (size_t at = 0; at < e.data.size(); at += 512, s = fat[s])
                std::memcpy(&out.bytes[Layout::SectorOffset(s)], &e.data[at],
                            std::min<size_t>(512, e.data.size() - at));
        }
        uint8_t* p = &out.bytes[out.EntryOffset(uint32_t(i))];
        for (size_t c = 0; c < e.name.size() && c < 31; ++c)
            Store16(p + 2 * c, uint16_t(e.name[c]));
        Store16(p + 64, e.name.empty() ? 0 : uint16_t((e.name.size() + 1) * 2));
        p[66] = e.type;
        p[67] = 1;
        Store32(p + 68, e.left);
        Store32(p + 72, e.right);
        Store32(p + 76, e.child);
        if (e.type == 5) {
            Store32(p + 116, miniStart);
            Store32(p + 120, uint32_t(mini.size()));
        } else if (e.type == 2) {
            Store32(p + 116, out.start[i]);
            Store32(p + 120, uint32_t(e.data.size()));
        } else {
            Store32(p + 116, 0);
        }
    }
    // Directory slots beyond the last entry are unused entries with no links.
    for (size_t i = entries.size(); i < out.directorySectors.size() * 4; ++i) {
        uint8_t* p = &out.bytes[out.EntryOffset(uint32_t(i))];
        Store32(p + 68, kNone);
        Store32(p + 72, kNone);
        Store32(p + 76, kNone);
    }
    return out;
}

}  // namespace cfb_test
