// Test-only builder of compound document files in memory, with the layout exposed so tests
// can damage exactly the field they mean to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cfb_test {

constexpr uint32_t kNone = 0xFFFFFFFF;

struct Entry {
    std::u16string name;
    uint8_t type = 2;  // 1 storage, 2 stream, 5 root, 0 unused
    std::vector<uint8_t> data;
    uint32_t left = kNone, right = kNone, child = kNone;
};

struct Options {
    uint32_t minFatSectors = 0;  // at least this many FAT sectors
    bool fillFat = false;        // add free sectors until the file has as many as the FAT covers
};

struct Layout {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> fatSectors, difatSectors, directorySectors, miniFatSectors, miniStream;
    std::vector<uint32_t> start;  // per entry: first sector or mini sector (kEndOfChain if empty)

    static size_t SectorOffset(uint32_t s) { return (size_t(s) + 1) * 512; }
    size_t EntryOffset(uint32_t n) const {
        return SectorOffset(directorySectors[n / 4]) + (n % 4) * 128;
    }
    // Offset of FAT link s.
    size_t FatOffset(uint32_t s) const { return SectorOffset(fatSectors[s / 128]) + (s % 128) * 4; }
    size_t MiniFatOffset(uint32_t k) const {
        return SectorOffset(miniFatSectors[k / 128]) + (k % 128) * 4;
    }
    uint32_t Get32(size_t offset) const;
    void Put32(size_t offset, uint32_t v);
    void Put16(size_t offset, uint16_t v);
};

// entries[0] is the root; links are taken as given.
Layout Build(const std::vector<Entry>& entries, const Options& options = {});

// A root whose children are the given entries (numbered 1, 2, … in order), hung from the
// root as a chain of right-sibling links.
std::vector<Entry> UnderRoot(std::vector<Entry> children);

// n bytes of a pattern that differs per seed, so misplaced sectors show.
std::vector<uint8_t> Pattern(size_t n, uint32_t seed);

}  // namespace cfb_test
