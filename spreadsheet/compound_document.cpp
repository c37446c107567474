// Compound document reading, checking and in-place stream replacement.
//
// The whole file is read into memory on open (workbook files are small next to memory, and a
// fuzzer can then drive the very same code from a byte buffer). Everything the header and
// the tables say is checked before it is used: a file that would make us read outside the
// file, follow a chain forever or build an absurd tree is refused at open, and a stream
// whose own chain is damaged reads as PlatformFailure.
#include "spreadsheet/compound_document.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/byte_order.h"
#include "base/file_io.h"

using kovra::LoadLE16;
using kovra::LoadLE32;
using kovra::StoreLE16;
using kovra::StoreLE32;

namespace {

// Follows a chain through an allocation table. Every link must be an entry of the table
// below `limit` (the sectors that exist), and no sector may be visited twice, so a loop or
// a cross-link ends the walk with false instead of spinning. Stops after `maxLength`
// sectors when given (callers that know how long the chain must be), else at end of chain.
bool FollowChain(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit,
                 std::vector<uint32_t>& chain, size_t maxLength = SIZE_MAX) {
    chain.clear();
    limit = std::min<uint64_t>(limit, table.size());
    std::vector<bool> visited(limit, false);
    uint32_t s = start;
    while (chain.size() < maxLength) {
        if (s == kEndOfChain) return maxLength == SIZE_MAX;
        if (s >= limit || visited[s]) return false;
        visited[s] = true;
        chain.push_back(s);
        s = table[s];
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Header and directory entry

DocumentHeader::DocumentHeader() {
    difat[0] = 0;
    for (uint32_t i = 1; i < kHeaderDifatSlots; ++i) difat[i] = kFreeSector;
}

bool DocumentHeader::Parse(const uint8_t* p) {
    static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(signature, p, 8);
    for (int i = 0; i < 4; ++i) classId[i] = LoadLE32(p + 8 + 4 * i);
    minorVersion = LoadLE16(p + 24);
    majorVersion = LoadLE16(p + 26);
    byteOrder = LoadLE16(p + 28);
    sectorShift = LoadLE16(p + 30);
    miniSectorShift = LoadLE16(p + 32);
    for (int i = 0; i < 3; ++i) reserved[i] = LoadLE16(p + 34 + 2 * i);
    numDirectorySectors = LoadLE32(p + 40);
    numFatSectors = LoadLE32(p + 44);
    firstDirectorySector = LoadLE32(p + 48);
    transactionSignature = LoadLE32(p + 52);
    miniStreamCutoff = LoadLE32(p + 56);
    firstMiniFatSector = LoadLE32(p + 60);
    numMiniFatSectors = LoadLE32(p + 64);
    firstDifatSector = LoadLE32(p + 68);
    numDifatSectors = LoadLE32(p + 72);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) difat[i] = LoadLE32(p + 76 + 4 * i);
    // Shifts beyond 31 would be undefined to shift by; such files are refused anyway.
    sectorSize = sectorShift < 32 ? uint32_t(1) << sectorShift : 0;
    miniSectorSize = miniSectorShift < 32 ? uint32_t(1) << miniSectorShift : 0;
    return std::memcmp(signature, kSignature, 8) == 0;
}

void DocumentHeader::Store(uint8_t* p) const {
    std::memcpy(p, signature, 8);
    for (int i = 0; i < 4; ++i) StoreLE32(p + 8 + 4 * i, classId[i]);
    StoreLE16(p + 24, minorVersion);
    StoreLE16(p + 26, majorVersion);
    StoreLE16(p + 28, byteOrder);
    StoreLE16(p + 30, sectorShift);
    StoreLE16(p + 32, miniSectorShift);
    for (int i = 0; i < 3; ++i) StoreLE16(p + 34 + 2 * i, reserved[i]);
    StoreLE32(p + 40, numDirectorySectors);
    StoreLE32(p + 44, numFatSectors);
    StoreLE32(p + 48, firstDirectorySector);
    StoreLE32(p + 52, transactionSignature);
    StoreLE32(p + 56, miniStreamCutoff);
    StoreLE32(p + 60, firstMiniFatSector);
    StoreLE32(p + 64, numMiniFatSectors);
    StoreLE32(p + 68, firstDifatSector);
    StoreLE32(p + 72, numDifatSectors);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) StoreLE32(p + 76 + 4 * i, difat[i]);
}

void DirectoryEntry::Parse(const uint8_t* p) {
    for (int i = 0; i < 32; ++i) name[i] = char16_t(LoadLE16(p + 2 * i));
    nameLength = LoadLE16(p + 64);
    objectType = p[66];
    colour = p[67];
    leftSibling = LoadLE32(p + 68);
    rightSibling = LoadLE32(p + 72);
    child = LoadLE32(p + 76);
    for (int i = 0; i < 4; ++i) classId[i] = LoadLE32(p + 80 + 4 * i);
    stateBits = LoadLE32(p + 96);
    creationTime[0] = LoadLE32(p + 100);
    creationTime[1] = LoadLE32(p + 104);
    modificationTime[0] = LoadLE32(p + 108);
    modificationTime[1] = LoadLE32(p + 112);
    startSector = LoadLE32(p + 116);
    streamSize = LoadLE32(p + 120);
}

std::u16string DirectoryEntry::Name() const {
    // The length field counts the terminator; a damaged field is clamped to the 31 units
    // that fit, and the name also ends at the first zero.
    size_t units = nameLength / 2;
    units = units > 0 ? std::min<size_t>(units - 1, 31) : 0;
    size_t n = 0;
    while (n < units && name[n] != 0) ++n;
    return std::u16string(name, n);
}

EntryNode::~EntryNode() = default;  // depth is bounded by kMaxStorageDepth

// ---------------------------------------------------------------------------------------
// Open and close

CompoundDocument::CompoundDocument() = default;

CompoundDocument::~CompoundDocument() {
    CloseContainer();
}

bool CompoundDocument::OpenContainer(const std::string& path, const char* mode) {
    CloseContainer();
    m_path = path;
    m_widePathUsed = false;
    m_mode = mode;
    m_fileBacked = true;
    return ReopenFile() && Load();
}

bool CompoundDocument::OpenContainer(const std::wstring& path, const char* mode) {
    CloseContainer();
    m_widePath = path;
    m_widePathUsed = true;
    m_mode = mode;
    m_fileBacked = true;
    return ReopenFile() && Load();
}

// Opens the file with the remembered path and mode and reads it whole into the image.
bool CompoundDocument::ReopenFile() {
    if (m_file) std::fclose(m_file);
    m_file = m_widePathUsed ? kovra::OpenFile(m_widePath, m_mode.c_str())
                            : kovra::OpenFile(m_path, m_mode.c_str());
    if (!m_file) {
        CloseContainer();
        return false;
    }
    m_writable = m_mode.find('+') != std::string::npos;
    bool ok = std::fseek(m_file, 0, SEEK_END) == 0;
#ifdef _WIN32
    long long size = ok ? _ftelli64(m_file) : -1;
#else
    long long size = ok ? ftello(m_file) : -1;
#endif
    ok = ok && size >= 0 && uint64_t(size) <= kMaxFileSize && std::fseek(m_file, 0, SEEK_SET) == 0;
    if (ok) {
        kovra::ResizeForOverwrite(m_image, size_t(size));
        ok = size == 0 || std::fread(m_image.data(), 1, m_image.size(), m_file) == m_image.size();
    }
    if (!ok) CloseContainer();
    return ok;
}

bool CompoundDocument::OpenFromMemory(std::vector<uint8_t> bytes) {
    CloseContainer();
    if (bytes.size() > kMaxFileSize) return false;
    m_image = std::move(bytes);
    m_writable = true;
    return Load();
}

bool CompoundDocument::CloseContainer() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_path.clear();
    m_widePath.clear();
    m_widePathUsed = false;
    m_mode.clear();
    m_writable = false;
    m_fileBacked = false;
    std::vector<uint8_t>().swap(m_image);
    Reset();
    return true;
}

void CompoundDocument::Reset() {
    m_header = DocumentHeader();
    m_fat.clear();
    m_fatSectors.clear();
    m_difatSectors.clear();
    m_miniFat.clear();
    m_miniFatSectors.clear();
    m_directory.clear();
    m_directorySectors.clear();
    m_root.reset();
    m_current = nullptr;
}

uint32_t CompoundDocument::SectorCount() const {
    return uint32_t(m_image.size() / kSectorSize) - 1;  // block 0 is the header
}

const uint8_t* CompoundDocument::SectorData(uint32_t sector) const {
    return m_image.data() + (size_t(sector) + 1) * kSectorSize;
}

// Decodes and checks the image. On failure the object is closed.
bool CompoundDocument::Load() {
    Reset();
    bool ok = m_image.size() >= DocumentHeader::kSize && m_header.Parse(m_image.data());
    // Only 512-byte sectors and 64-byte mini sectors: every table below assumes them, and
    // all workbook files are written so. Other values mean another format version (4096-
    // byte sectors) or a damaged header; either way we do not guess.
    ok = ok && m_header.sectorShift == 9 && m_header.miniSectorShift == 6;
    if (ok) {
        // A partial last sector reads as if padded with zeros.
        m_image.resize(size_t(SectorsFor(m_image.size(), kSectorSize)) * kSectorSize, 0);
        ok = LoadFat() && LoadDirectory() && LoadMiniFat() && BuildTree();
    }
    if (!ok) {
        CloseContainer();
        return false;
    }
    m_current = m_root.get();
    return true;
}

// The FAT sectors are listed in the header's 109 slots and then in the DIFAT chain. Each
// must be a sector of the file and appear only once (with the DIFAT sectors), which also
// bounds the FAT to the file's own size.
bool CompoundDocument::LoadFat() {
    const uint32_t sectors = SectorCount();
    const uint32_t count = m_header.numFatSectors;
    if (count > sectors) return false;
    std::vector<bool> used(sectors, false);
    auto take = [&](uint32_t s) {
        if (s >= sectors || used[s]) return false;
        used[s] = true;
        return true;
    };
    for (uint32_t i = 0; i < count && i < kHeaderDifatSlots; ++i) {
        if (!take(m_header.difat[i])) return false;
        m_fatSectors.push_back(m_header.difat[i]);
    }
    uint32_t next = m_header.firstDifatSector;
    while (m_fatSectors.size() < count) {
        if (!take(next)) return false;
        m_difatSectors.push_back(next);
        const uint8_t* p = SectorData(next);
        for (uint32_t i = 0; i < kLinksPerDifatSector && m_fatSectors.size() < count; ++i) {
            uint32_t s = LoadLE32(p + 4 * i);
            if (!take(s)) return false;
            m_fatSectors.push_back(s);
        }
        next = LoadLE32(p + 4 * kLinksPerDifatSector);
    }
    m_fat.reserve(size_t(count) * kLinksPerSector);
    for (uint32_t s : m_fatSectors) {
        const uint8_t* p = SectorData(s);
        for (uint32_t i = 0; i < kLinksPerSector; ++i) m_fat.push_back(LoadLE32(p + 4 * i));
    }
    return true;
}

bool CompoundDocument::LoadMiniFat() {
    const uint32_t count = m_header.numMiniFatSectors;
    if (count == 0) return true;
    if (count > SectorCount()) return false;
    if (!FollowChain(m_fat, m_header.firstMiniFatSector, SectorCount(), m_miniFatSectors, count) ||
        m_miniFatSectors.size() != count)
        return false;
    m_miniFat.reserve(size_t(count) * kLinksPerSector);
    for (uint32_t s : m_miniFatSectors) {
        const uint8_t* p = SectorData(s);
        for (uint32_t i = 0; i < kLinksPerSector; ++i) m_miniFat.push_back(LoadLE32(p + 4 * i));
    }
    return true;
}

bool CompoundDocument::LoadDirectory() {
    std::vector<uint32_t> chain;
    const uint32_t perSector = kSectorSize / DirectoryEntry::kSize;
    if (!FollowChain(m_fat, m_header.firstDirectorySector, SectorCount(), chain) || chain.empty() ||
        chain.size() > kMaxDirectoryEntries / perSector)
        return false;
    m_directorySectors = chain;
    m_directory.resize(chain.size() * perSector);
    for (size_t i = 0; i < m_directory.size(); ++i)
        m_directory[i].Parse(SectorData(chain[i / perSector]) +
                             (i % perSector) * DirectoryEntry::kSize);
    return m_directory[0].objectType == DirectoryEntry::Root;
}

// Builds the tree from the sibling and child links. Entries reached through left and right
// links are children of the storage whose child link led into that sibling tree; a stream's
// child link means nothing and is ignored. An entry reached twice (a loop or a cross-link),
// a link to a missing entry or storages nested deeper than kMaxStorageDepth make the file
// damaged. The walk keeps its own stack, so a long degenerate sibling list cannot exhaust
// the call stack.
bool CompoundDocument::BuildTree() {
    const uint32_t n = uint32_t(m_directory.size());
    std::vector<bool> visited(n, false);
    visited[0] = true;
    m_root = std::make_unique<EntryNode>();
    m_root->entry = m_directory[0];
    m_root->number = 0;

    struct Pending {
        EntryNode* storage;
        uint32_t entry;
        int depth;
    };
    std::vector<Pending> work{{m_root.get(), m_directory[0].child, 1}};
    std::vector<EntryNode*> storages{m_root.get()};
    while (!work.empty()) {
        Pending p = work.back();
        work.pop_back();
        if (p.entry == kNoEntry) continue;
        if (p.entry >= n || visited[p.entry]) return false;
        visited[p.entry] = true;
        const DirectoryEntry& e = m_directory[p.entry];
        auto node = std::make_unique<EntryNode>();
        node->parent = p.storage;
        node->entry = e;
        node->number = p.entry;
        EntryNode* raw = node.get();
        p.storage->children.push_back(std::move(node));
        work.push_back({p.storage, e.leftSibling, p.depth});
        work.push_back({p.storage, e.rightSibling, p.depth});
        if (e.objectType == DirectoryEntry::Storage && e.child != kNoEntry) {
            if (p.depth + 1 > kMaxStorageDepth) return false;
            work.push_back({raw, e.child, p.depth + 1});
            storages.push_back(raw);
        }
    }

    // Children in entry-number order, and their links rewritten into one fixed shape (in
    // memory only): the middle child hangs from the storage, the smaller ones on a chain of
    // left links below it, the larger ones on a chain of right links.
    for (EntryNode* s : storages) {
        auto& c = s->children;
        std::sort(c.begin(), c.end(),
                  [](const auto& a, const auto& b) { return a->number < b->number; });
        const size_t count = c.size();
        if (count == 0) {
            s->entry.child = kNoEntry;
            continue;
        }
        const size_t mid = count / 2;
        s->entry.child = c[mid]->number;
        for (size_t i = 0; i < count; ++i) {
            DirectoryEntry& e = c[i]->entry;
            if (i < mid) {
                e.leftSibling = i > 0 ? c[i - 1]->number : kNoEntry;
                e.rightSibling = kNoEntry;
            } else if (i > mid) {
                e.leftSibling = kNoEntry;
                e.rightSibling = i + 1 < count ? c[i + 1]->number : kNoEntry;
            } else {
                e.leftSibling = mid > 0 ? c[mid - 1]->number : kNoEntry;
                e.rightSibling = mid + 1 < count ? c[mid + 1]->number : kNoEntry;
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Paths

namespace {

const EntryNode* FindChild(const EntryNode* storage, const std::u16string& name) {
    if (name.empty()) return nullptr;
    for (const auto& c : storage->children)
        if (c->entry.Name() == name) return c.get();  // first match in entry-number order
    return nullptr;
}

}  // namespace

// Walks a storage path without touching the current storage.
ContainerResult CompoundDocument::FindStorage(const std::u16string& path,
                                              const EntryNode*& storage) const {
    if (!IsOpen()) return StorageNotFound;
    const EntryNode* at = m_current;
    size_t pos = 0;
    if (!path.empty() && path[0] == u'\\') {
        at = m_root.get();
        pos = 1;
    }
    while (pos < path.size()) {
        size_t end = path.find(u'\\', pos);
        if (end == std::u16string::npos) end = path.size();
        std::u16string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part == u".") continue;
        if (part == u"..") {
            if (at->parent) at = at->parent;
            continue;
        }
        const EntryNode* next = FindChild(at, part);
        if (!next || next->entry.objectType != DirectoryEntry::Storage) return StorageNotFound;
        at = next;
    }
    storage = at;
    return Done;
}

ContainerResult CompoundDocument::Resolve(const std::u16string& path,
                                          const EntryNode*& node) const {
    if (!IsOpen()) return StreamNotFound;
    if (path == u"\\") {
        node = m_root.get();
        return Done;
    }
    size_t cut = path.rfind(u'\\');
    const EntryNode* storage = m_current;
    std::u16string name = path;
    if (cut != std::u16string::npos) {
        // "\Workbook" names the root's child: the storage part is then the lone backslash.
        ContainerResult r = FindStorage(cut == 0 ? u"\\" : path.substr(0, cut), storage);
        if (r != Done) return r;
        name = path.substr(cut + 1);
    }
    const EntryNode* found = FindChild(storage, name);
    if (!found || found->entry.objectType != DirectoryEntry::Stream) return StreamNotFound;
    node = found;
    return Done;
}

namespace {

// Upper case as the format compares names: the simple one-to-one mappings of the alphabets
// that names use in practice (Latin-1, Latin Extended-A, Greek, Cyrillic).
char16_t UpperForName(char16_t c) {
    if (c >= u'a' && c <= u'z') return char16_t(c - 0x20);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : char16_t(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs of upper and lower case; the ranges differ in which of the two is even.
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        bool lowerIsEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool lower = lowerIsEven ? !(c & 1) : (c & 1);
        return lower ? char16_t(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return char16_t(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
    return c;
}

bool SameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperForName(a[i]) != UpperForName(b[i])) return false;
    return true;
}

}  // namespace

std::u16string CompoundDocument::RootStreamName(const std::u16string& name) const {
    if (!IsOpen() || name.empty()) return std::u16string();
    const EntryNode* found = nullptr;
    for (const auto& c : m_root->children) {
        if (c->entry.objectType != DirectoryEntry::Stream) continue;
        std::u16string n = c->entry.Name();
        if (n == name) return n;
        if (!found && SameName(n, name)) found = c.get();
    }
    return found ? found->entry.Name() : std::u16string();
}

ContainerResult CompoundDocument::EnterStorage(const std::u16string& path) {
    const EntryNode* storage = nullptr;
    ContainerResult r = FindStorage(path, storage);
    if (r == Done) m_current = storage;
    return r;
}

// ---------------------------------------------------------------------------------------
// Reading

ContainerResult CompoundDocument::StreamLength(const std::u16string& path, uint32_t& length) const {
    const EntryNode* node = nullptr;
    ContainerResult r = Resolve(path, node);
    if (r == Done) length = m_directory[node->number].streamSize;
    return r;
}

ContainerResult CompoundDocument::ReadWholeStream(const std::u16string& path,
                                                  std::vector<uint8_t>& out) const {
    out.clear();
    const EntryNode* node = nullptr;
    ContainerResult r = Resolve(path, node);
    return r == Done ? ReadEntry(node->number, out) : r;
}

// Reads `size` bytes from the regular chain at `start`. The chain must hold them: a chain
// that ends early, loops or leaves the file makes the read fail, and nothing is allocated
// before the chain has been checked, so a huge size field costs nothing.
bool CompoundDocument::ReadRegular(uint32_t start, uint32_t size, std::vector<uint8_t>& out) const {
    std::vector<uint32_t> chain;
    const uint32_t needed = SectorsFor(size, kSectorSize);
    if (!FollowChain(m_fat, start, SectorCount(), chain, needed) || chain.size() != needed)
        return false;
    kovra::ResizeForOverwrite(out, size);
    for (size_t i = 0; i < chain.size(); ++i) {
        size_t offset = i * kSectorSize;
        std::memcpy(out.data() + offset, SectorData(chain[i]),
                    std::min<size_t>(kSectorSize, size - offset));
    }
    return true;
}

ContainerResult CompoundDocument::ReadEntry(uint32_t number, std::vector<uint8_t>& out) const {
    out.clear();
    const DirectoryEntry& e = m_directory[number];
    const uint32_t size = e.streamSize;
    bool ok;
    if (number == 0 || size >= kMiniStreamCutoff) {
        ok = ReadRegular(e.startSector, size, out);
    } else if (size == 0) {
        ok = true;
    } else {
        std::vector<uint8_t> mini;
        std::vector<uint32_t> chain;
        const uint32_t needed = SectorsFor(size, kMiniSectorSize);
        ok = ReadRegular(m_directory[0].startSector, m_directory[0].streamSize, mini);
        // A mini stream whose size is not a whole number of mini sectors ends in zeros.
        mini.resize(size_t(SectorsFor(mini.size(), kMiniSectorSize)) * kMiniSectorSize, 0);
        ok = ok &&
             FollowChain(m_miniFat, e.startSector, uint32_t(mini.size() / kMiniSectorSize), chain,
                         needed) &&
             chain.size() == needed;
        if (ok) {
            out.resize(size);
            for (size_t i = 0; i < chain.size(); ++i) {
                size_t offset = i * kMiniSectorSize;
                std::memcpy(out.data() + offset, mini.data() + size_t(chain[i]) * kMiniSectorSize,
                            std::min<size_t>(kMiniSectorSize, size - offset));
            }
        }
    }
    if (!ok) out.clear();
    // The entry exists but its bytes cannot be had: a read failure, not a missing stream.
    return ok ? Done : PlatformFailure;
}
