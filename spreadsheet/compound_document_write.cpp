// Replacing the content of one stream of a compound document.
//
// The new file is built in memory from the old one: the stream reuses its own sectors in
// order, takes new ones at the end of the file (or of the mini stream) when it grows, and
// frees the rest when it shrinks; the FAT, mini FAT and DIFAT grow as needed. Only the
// stream's sectors, the tables, the header and the directory entries of the stream and of
// the root (when the mini stream changes) differ afterwards. The result is opened again
// and checked (the stream reads back as written, every other stream as before) before it
// replaces the file, and it replaces it whole through a temporary file beside it.
#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "base/file_io.h"
#include "spreadsheet/compound_document.h"

using kovra::LoadLE32;
using kovra::StoreLE32;

namespace {

// Same rules as the reader's chain walk: in range, no sector twice, exactly `length` long.
bool ExactChain(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit, uint32_t length,
                std::vector<uint32_t>& chain) {
    chain.clear();
    limit = uint32_t(std::min<uint64_t>(limit, table.size()));
    std::vector<bool> visited(limit, false);
    uint32_t s = start;
    while (chain.size() < length) {
        if (s >= limit || visited[s]) return false;
        visited[s] = true;
        chain.push_back(s);
        s = table[s];
    }
    return true;
}

void LinkChain(std::vector<uint32_t>& table, const std::vector<uint32_t>& chain) {
    for (size_t i = 0; i < chain.size(); ++i)
        table[chain[i]] = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
}

// The working copy of everything the write may change.
struct Editor {
    std::vector<uint8_t>& image;
    DocumentHeader header;
    std::vector<uint32_t> fat, fatSectors, difatSectors, miniFat, miniFatSectors;
    std::vector<uint32_t> rootChain;  // the mini stream's sectors
    uint32_t rootStart = kEndOfChain;
    uint32_t rootSize = 0;
    uint32_t sectorCount = 0;
    std::vector<std::pair<uint32_t, uint32_t>> pendingMarks;

    explicit Editor(std::vector<uint8_t>& img) : image(img) {}

    uint8_t* Sector(uint32_t s) { return image.data() + (size_t(s) + 1) * kSectorSize; }
    uint8_t* MiniSector(uint32_t k) {
        size_t offset = size_t(k) * kMiniSectorSize;
        return Sector(rootChain[offset / kSectorSize]) + offset % kSectorSize;
    }

    bool Grow(uint32_t& s) {
        if (image.size() + kSectorSize > CompoundDocument::kMaxFileSize) return false;
        s = sectorCount++;
        image.resize(image.size() + kSectorSize, 0);
        return true;
    }

    // Makes the FAT cover every sector of the file, adding FAT sectors (and DIFAT sectors
    // when the header's 109 slots and the existing DIFAT sectors are full), then applies the
    // marks of the sectors added since the last call.
    bool Cover() {
        while (fat.size() < sectorCount) {
            uint32_t f;
            if (!Grow(f)) return false;
            const size_t index = fatSectors.size();
            fatSectors.push_back(f);
            fat.resize(fat.size() + kLinksPerSector, kFreeSector);
            pendingMarks.push_back({f, kFatSector});
            if (index < kHeaderDifatSlots) {
                header.difat[index] = f;
                continue;
            }
            const size_t d = (index - kHeaderDifatSlots) / kLinksPerDifatSector;
            const size_t slot = (index - kHeaderDifatSlots) % kLinksPerDifatSector;
            if (d == difatSectors.size()) {
                uint32_t ds;
                if (!Grow(ds)) return false;
                std::memset(Sector(ds), 0xFF, kSectorSize);  // all slots free
                StoreLE32(Sector(ds) + 4 * kLinksPerDifatSector, kEndOfChain);
                if (difatSectors.empty())
                    header.firstDifatSector = ds;
                else
                    StoreLE32(Sector(difatSectors.back()) + 4 * kLinksPerDifatSector, ds);
                difatSectors.push_back(ds);
                header.numDifatSectors = uint32_t(difatSectors.size());
                pendingMarks.push_back({ds, kDifatSector});
            }
            StoreLE32(Sector(difatSectors[d]) + 4 * slot, f);
        }
        header.numFatSectors = uint32_t(fatSectors.size());
        for (const auto& m : pendingMarks) fat[m.first] = m.second;
        pendingMarks.clear();
        return true;
    }

    // A new regular sector at the end of the file, marked end of chain.
    bool NewSector(uint32_t& s) {
        if (!Grow(s)) return false;
        pendingMarks.push_back({s, kEndOfChain});
        return Cover();
    }

    void FreeSector(uint32_t s) {
        fat[s] = kFreeSector;
        std::memset(Sector(s), 0, kSectorSize);  // no stale stream bytes left behind
    }

    void FreeMiniSector(uint32_t k) {
        miniFat[k] = kFreeSector;
        std::memset(MiniSector(k), 0, kMiniSectorSize);
    }

    // A new mini sector at the end of the mini stream; the mini stream and the mini FAT grow
    // by a regular sector when they are full.
    bool NewMiniSector(uint32_t& k) {
        k = SectorsFor(rootSize, kMiniSectorSize);
        if (uint64_t(k + 1) * kMiniSectorSize > uint64_t(rootChain.size()) * kSectorSize) {
            uint32_t s;
            if (!NewSector(s)) return false;
            if (rootChain.empty())
                rootStart = s;
            else
                fat[rootChain.back()] = s;
            rootChain.push_back(s);
        }
        // A mini stream longer than its mini FAT covers is damaged; we do not extend that.
        if (miniFat.size() < k) return false;
        if (miniFat.size() == k) {
            uint32_t s;
            if (!NewSector(s)) return false;
            if (miniFatSectors.empty())
                header.firstMiniFatSector = s;
            else
                fat[miniFatSectors.back()] = s;
            miniFatSectors.push_back(s);
            header.numMiniFatSectors = uint32_t(miniFatSectors.size());
            miniFat.resize(miniFat.size() + kLinksPerSector, kFreeSector);
        }
        miniFat[k] = kEndOfChain;
        rootSize = (k + 1) * kMiniSectorSize;
        return true;
    }

    void StoreTables() {
        for (size_t i = 0; i < fatSectors.size(); ++i)
            for (uint32_t j = 0; j < kLinksPerSector; ++j)
                StoreLE32(Sector(fatSectors[i]) + 4 * j, fat[i * kLinksPerSector + j]);
        for (size_t i = 0; i < miniFatSectors.size(); ++i)
            for (uint32_t j = 0; j < kLinksPerSector; ++j)
                StoreLE32(Sector(miniFatSectors[i]) + 4 * j, miniFat[i * kLinksPerSector + j]);
        header.Store(image.data());
    }
};

}  // namespace

// The sectors we are about to write must belong to the stream alone. In a damaged file a
// chain can run through the FAT, the directory or another stream; writing there would ruin
// them, so such a stream is not written. The same holds for the mini stream's own sectors
// when the stream lives in it, and for the stream's mini sectors.
bool CompoundDocument::OwnsItsSectors(uint32_t number, bool mini,
                                      const std::vector<uint32_t>& chain,
                                      const std::vector<uint32_t>& rootChain) const {
    const uint32_t sectors = SectorCount();
    std::vector<bool> taken(sectors, false);
    auto mark = [&](const std::vector<uint32_t>& list) {
        for (uint32_t s : list)
            if (s < sectors) taken[s] = true;
    };
    mark(m_fatSectors);
    mark(m_difatSectors);
    mark(m_directorySectors);
    mark(m_miniFatSectors);
    std::vector<uint32_t> other;
    const uint32_t miniSectors = uint32_t(rootChain.size() * (kSectorSize / kMiniSectorSize));
    std::vector<bool> miniTaken(miniSectors, false);
    for (uint32_t i = 1; i < m_directory.size(); ++i) {
        const DirectoryEntry& e = m_directory[i];
        if (i == number || e.objectType != DirectoryEntry::Stream || e.streamSize == 0) continue;
        // A damaged chain of another stream claims what it reaches before the damage.
        if (e.streamSize >= kMiniStreamCutoff) {
            ExactChain(m_fat, e.startSector, sectors, SectorsFor(e.streamSize, kSectorSize), other);
            mark(other);
        } else if (mini) {
            ExactChain(m_miniFat, e.startSector, miniSectors,
                       SectorsFor(e.streamSize, kMiniSectorSize), other);
            for (uint32_t k : other) miniTaken[k] = true;
        }
    }
    // The mini stream, when it is to be written, must not overlap the tables or another
    // stream's sectors; a regular chain must not overlap those nor the mini stream.
    for (uint32_t s : rootChain)
        if (taken[s]) return false;
    ExactChain(m_fat, m_directory[0].startSector, sectors,
               SectorsFor(m_directory[0].streamSize, kSectorSize), other);
    mark(other);
    for (uint32_t s : chain)
        if (mini ? miniTaken[s] : taken[s]) return false;
    return true;
}

bool CompoundDocument::BuildOverwrite(uint32_t number, const std::vector<uint8_t>& bytes,
                                      std::vector<uint8_t>& image) const {
    image = m_image;
    Editor ed(image);
    ed.header = m_header;
    ed.fat = m_fat;
    ed.fatSectors = m_fatSectors;
    ed.difatSectors = m_difatSectors;
    ed.miniFat = m_miniFat;
    ed.miniFatSectors = m_miniFatSectors;
    ed.sectorCount = SectorCount();
    ed.rootStart = m_directory[0].startSector;
    ed.rootSize = m_directory[0].streamSize;

    const DirectoryEntry& e = m_directory[number];
    const uint32_t oldSize = e.streamSize;
    const uint32_t newSize = uint32_t(bytes.size());
    const bool oldMini = oldSize < kMiniStreamCutoff;
    const bool newMini = newSize < kMiniStreamCutoff;

    // The mini stream is needed whenever the old or the new content lives in it.
    if ((oldMini && oldSize > 0) || (newMini && newSize > 0)) {
        if (!ExactChain(ed.fat, ed.rootStart, ed.sectorCount, SectorsFor(ed.rootSize, kSectorSize),
                        ed.rootChain))
            return false;
    }
    // The stream's own chain must be sound, or we could not tell its sectors from others'.
    std::vector<uint32_t> oldChain;
    if (oldSize > 0) {
        bool ok = oldMini
                      ? ExactChain(ed.miniFat, e.startSector,
                                   uint32_t(ed.rootChain.size() * (kSectorSize / kMiniSectorSize)),
                                   SectorsFor(oldSize, kMiniSectorSize), oldChain)
                      : ExactChain(ed.fat, e.startSector, ed.sectorCount,
                                   SectorsFor(oldSize, kSectorSize), oldChain);
        if (!ok) return false;
    }
    if (!OwnsItsSectors(number, oldMini, oldChain, ed.rootChain)) return false;

    // Keep the stream's own sectors in order as far as they go (same kind of storage only),
    // free the rest, then append.
    std::vector<uint32_t> chain;
    const size_t keep =
        oldMini == newMini
            ? std::min<size_t>(oldChain.size(),
                               SectorsFor(newSize, newMini ? kMiniSectorSize : kSectorSize))
            : 0;
    chain.assign(oldChain.begin(), oldChain.begin() + keep);
    for (size_t i = keep; i < oldChain.size(); ++i) {
        if (oldMini)
            ed.FreeMiniSector(oldChain[i]);
        else
            ed.FreeSector(oldChain[i]);
    }
    // The same steps in mini sectors or regular ones: extend the chain, link it, fill it
    // (the tail of the last sector zeroed).
    auto fill = [&](uint32_t unit, auto newSector, std::vector<uint32_t>& table, auto sectorData) {
        for (uint32_t i = uint32_t(chain.size()); i < SectorsFor(newSize, unit); ++i) {
            uint32_t k;
            if (!newSector(k)) return false;
            chain.push_back(k);
        }
        LinkChain(table, chain);
        for (size_t i = 0; i < chain.size(); ++i) {
            size_t offset = i * unit;
            size_t n = std::min<size_t>(unit, newSize - offset);
            uint8_t* p = sectorData(chain[i]);
            std::memcpy(p, bytes.data() + offset, n);
            std::memset(p + n, 0, unit - n);
        }
        return true;
    };
    const bool filled =
        newMini ? fill(kMiniSectorSize, [&](uint32_t& k) { return ed.NewMiniSector(k); }, ed.miniFat,
                       [&](uint32_t k) { return ed.MiniSector(k); })
                : fill(kSectorSize, [&](uint32_t& k) { return ed.NewSector(k); }, ed.fat,
                       [&](uint32_t k) { return ed.Sector(k); });
    if (!filled) return false;

    // Directory entries: the stream's start and size; the root's when the mini stream grew.
    const uint32_t perSector = kSectorSize / DirectoryEntry::kSize;
    auto patch = [&](uint32_t entry, uint32_t start, uint32_t size) {
        uint8_t* p = ed.Sector(m_directorySectors[entry / perSector]) +
                     (entry % perSector) * DirectoryEntry::kSize;
        StoreLE32(p + 116, start);
        StoreLE32(p + 120, size);
        StoreLE32(p + 124, 0);
    };
    patch(number, chain.empty() ? kEndOfChain : chain[0], newSize);
    if (ed.rootStart != m_directory[0].startSector || ed.rootSize != m_directory[0].streamSize)
        patch(0, ed.rootStart, ed.rootSize);
    ed.StoreTables();
    return true;
}

const EntryNode* CompoundDocument::FindNode(uint32_t number) const {
    std::vector<const EntryNode*> work{m_root.get()};
    while (!work.empty()) {
        const EntryNode* n = work.back();
        work.pop_back();
        if (n->number == number) return n;
        for (const auto& c : n->children) work.push_back(c.get());
    }
    return nullptr;
}

// Puts the checked image in place of the file (when there is one) and takes it as the
// document's new state; the current storage stays the current storage.
bool CompoundDocument::CommitImage(std::vector<uint8_t>& image) {
    if (m_fileBacked) {
        // The handle is closed first: Windows cannot replace a file that is open.
        if (m_file) std::fclose(m_file);
        bool replaced = m_widePathUsed
                            ? kovra::WriteFileReplacing(m_widePath, image.data(), image.size())
                            : kovra::WriteFileReplacing(m_path, image.data(), image.size());
        m_file = m_widePathUsed ? kovra::OpenFile(m_widePath, m_mode.c_str())
                                : kovra::OpenFile(m_path, m_mode.c_str());
        if (!replaced) return false;
    }
    const uint32_t current = m_current ? m_current->number : 0;
    m_image.swap(image);
    // The image has passed the same checks already, so this cannot fail; should it, the
    // object ends closed rather than half-loaded.
    if (!Load()) return false;
    const EntryNode* node = FindNode(current);
    m_current = node ? node : m_root.get();
    return true;
}

ContainerResult CompoundDocument::OverwriteStream(const std::u16string& path,
                                                  const std::vector<uint8_t>& bytes) {
    if (!IsOpen()) return PlatformFailure;
    if (uint64_t(bytes.size()) > 0xFFFFFFFFull) return StreamTooLarge;
    const EntryNode* node = nullptr;
    ContainerResult r = Resolve(path, node);
    if (r != Done) return r;
    // The root's "stream" is the mini stream, which holds other streams: never replaced.
    if (node == m_root.get()) return StreamNotFound;
    if (!m_writable) return PlatformFailure;
    const uint32_t number = node->number;

    std::vector<uint8_t> image;
    if (!BuildOverwrite(number, bytes, image)) return PlatformFailure;

    // Open the result as a reader would and compare before anything touches the file.
    CompoundDocument check;
    if (!check.OpenFromMemory(std::move(image))) return PlatformFailure;
    if (check.m_directory.size() != m_directory.size() ||
        check.m_directorySectors != m_directorySectors)
        return PlatformFailure;
    // Every other directory entry keeps its bytes.
    const uint32_t perSector = kSectorSize / DirectoryEntry::kSize;
    for (uint32_t i = 1; i < m_directory.size(); ++i) {
        if (i == number) continue;
        const size_t at = (size_t(m_directorySectors[i / perSector]) + 1) * kSectorSize +
                          (i % perSector) * DirectoryEntry::kSize;
        if (!std::equal(m_image.begin() + at, m_image.begin() + at + DirectoryEntry::kSize,
                        check.m_image.begin() + at))
            return PlatformFailure;
    }
    std::vector<uint8_t> before, after;
    if (check.ReadEntry(number, after) != Done || after != bytes) return PlatformFailure;
    for (uint32_t i = 1; i < m_directory.size(); ++i) {
        if (i == number || m_directory[i].objectType != DirectoryEntry::Stream) continue;
        if (ReadEntry(i, before) != Done) continue;  // already unreadable: nothing to keep
        if (check.ReadEntry(i, after) != Done || after != before) return PlatformFailure;
    }
    image.swap(check.m_image);
    check.CloseContainer();
    return CommitImage(image) ? Done : PlatformFailure;
}
