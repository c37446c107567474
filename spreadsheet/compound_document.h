// CompoundDocument: our own reader and in-place stream writer for compound document files,
// the sector file system that holds the "Workbook" stream of an .xls file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "spreadsheet/container.h"

// Special sector numbers of the allocation tables and directory links.
constexpr uint32_t kDifatSector = 0xFFFFFFFC;  // the sector holds DIFAT entries
constexpr uint32_t kFatSector = 0xFFFFFFFD;    // the sector holds FAT entries
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;  // directory link to nothing

// Streams shorter than this live in the mini stream in 64-byte mini sectors. Constant for
// every file we support; the header's copy of it is not consulted.
constexpr uint32_t kMiniStreamCutoff = 4096;

// The one geometry this library reads and writes: 512-byte sectors, 64-byte mini sectors.
constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kLinksPerSector = kSectorSize / 4;
constexpr uint32_t kHeaderDifatSlots = 109;
constexpr uint32_t kLinksPerDifatSector = kLinksPerSector - 1;  // the last word links on

inline uint32_t SectorsFor(uint64_t bytes, uint32_t unit) {
    return uint32_t((bytes + unit - 1) / unit);
}

// The 512-byte file header, field by field in file order.
struct DocumentHeader {
    uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    uint32_t classId[4] = {0, 0, 0, 0};
    uint16_t minorVersion = 0x003B;
    uint16_t majorVersion = 3;
    uint16_t byteOrder = 0xFFFE;
    uint16_t sectorShift = 9;
    uint16_t miniSectorShift = 6;
    uint16_t reserved[3] = {0, 0, 0};
    uint32_t numDirectorySectors = 0;
    uint32_t numFatSectors = 1;
    uint32_t firstDirectorySector = 1;
    uint32_t transactionSignature = 0;
    uint32_t miniStreamCutoff = kMiniStreamCutoff;
    uint32_t firstMiniFatSector = kEndOfChain;
    uint32_t numMiniFatSectors = 0;
    uint32_t firstDifatSector = kEndOfChain;
    uint32_t numDifatSectors = 0;
    uint32_t difat[109];
    // Derived from the shifts.
    uint32_t sectorSize = 512;
    uint32_t miniSectorSize = 64;

    DocumentHeader();
    static constexpr size_t kSize = 512;
    // Decodes the 512 bytes at p; false when the signature is wrong. Other fields are taken
    // as they are; the caller decides which values it supports.
    bool Parse(const uint8_t* p);
    // Encodes every field back; Parse then Store reproduces the bytes exactly.
    void Store(uint8_t* p) const;
};

// One 128-byte directory entry.
struct DirectoryEntry {
    enum Type : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
    static constexpr size_t kSize = 128;

    char16_t name[32] = {};
    uint16_t nameLength = 0;  // in bytes, with the terminating zero
    uint8_t objectType = Storage;
    uint8_t colour = 1;  // black
    uint32_t leftSibling = kNoEntry;
    uint32_t rightSibling = kNoEntry;
    uint32_t child = kNoEntry;
    uint32_t classId[4] = {0, 0, 0, 0};
    uint32_t stateBits = 0;
    uint32_t creationTime[2] = {0, 0};
    uint32_t modificationTime[2] = {0, 0};
    uint32_t startSector = kEndOfChain;
    uint32_t streamSize = 0;  // the high half of the 64-bit size field is not used

    void Parse(const uint8_t* p);
    // The name up to its terminator; empty for an unused entry.
    std::u16string Name() const;
};

// The directory as a tree: children in ascending entry-number order.
struct EntryNode {
    EntryNode* parent = nullptr;
    DirectoryEntry entry;
    uint32_t number = 0;
    std::vector<std::unique_ptr<EntryNode>> children;

    ~EntryNode();
};

class CompoundDocument {
public:
    // Bounds no real workbook file comes near; beyond them a file is refused instead of
    // being allowed to exhaust memory or the stack:
    // - 2 GiB is the most a file with 512-byte sectors can address in practice and far
    //   above the largest .xls Excel writes (65536 rows × 256 columns);
    // - a workbook's directory holds a handful of entries; a million (128 MiB of directory)
    //   keeps the in-memory tree to a size that cannot exhaust memory;
    // - storages nest a few levels deep in real files; 64 levels keep the tree walk and the
    //   node destructors shallow.
    static constexpr uint64_t kMaxFileSize = uint64_t(1) << 31;
    static constexpr uint32_t kMaxDirectoryEntries = uint32_t(1) << 20;
    static constexpr int kMaxStorageDepth = 64;

    CompoundDocument();
    ~CompoundDocument();
    CompoundDocument(const CompoundDocument&) = delete;
    CompoundDocument& operator=(const CompoundDocument&) = delete;

    // Opens an existing file with the given fopen mode ("rb" or "r+b"; only "r+b" allows
    // OverwriteStream). False if the file cannot be opened or read, is not a compound
    // document, or is one we do not support or that is damaged (see the .cpp for the checks).
    bool OpenContainer(const std::string& path, const char* mode);
    bool OpenContainer(const std::wstring& path, const char* mode);
    // Opens a container held in memory with the same checks. OverwriteStream then changes
    // only the memory image (Image()).
    bool OpenFromMemory(std::vector<uint8_t> bytes);
    bool CloseContainer();
    bool IsOpen() const { return m_root != nullptr; }

    // Paths are UTF-16 names separated by backslashes; a leading backslash starts at the
    // root, otherwise at the current storage. A lone backslash is the root, whose stream
    // is the mini stream.
    ContainerResult StreamLength(const std::u16string& path, uint32_t& length) const;
    ContainerResult ReadWholeStream(const std::u16string& path, std::vector<uint8_t>& out) const;
    // "." is the current storage, ".." its parent (the root's parent is the root).
    ContainerResult EnterStorage(const std::u16string& path);
    // Replaces the content of an existing stream: it grows or shrinks to bytes.size(), moving
    // between the mini stream and regular sectors across the cutoff. Every other stream and
    // directory entry keeps its bytes. The new file is written beside the old one and takes
    // its place only when complete, so a failure leaves the file as it was.
    ContainerResult OverwriteStream(const std::u16string& path, const std::vector<uint8_t>& bytes);

    // The name under which the root storage holds a stream called name. Names that differ
    // only in case are the same name to the format (it compares them in upper case), so
    // writers may store "WORKBOOK"; an exact match is taken first. Empty when there is none.
    std::u16string RootStreamName(const std::u16string& name) const;

    const DocumentHeader& Header() const { return m_header; }
    const std::vector<DirectoryEntry>& Directory() const { return m_directory; }
    const EntryNode* Root() const { return m_root.get(); }
    const EntryNode* CurrentStorage() const { return m_current; }
    // The container's bytes as held in memory (the file's content, padded to whole sectors).
    const std::vector<uint8_t>& Image() const { return m_image; }

private:
    bool Load();
    void Reset();
    bool ReopenFile();
    bool LoadFat();
    bool LoadMiniFat();
    bool LoadDirectory();
    bool BuildTree();
    uint32_t SectorCount() const;
    const uint8_t* SectorData(uint32_t sector) const;
    ContainerResult Resolve(const std::u16string& path, const EntryNode*& node) const;
    ContainerResult FindStorage(const std::u16string& path, const EntryNode*& storage) const;
    ContainerResult ReadEntry(uint32_t number, std::vector<uint8_t>& out) const;
    bool ReadRegular(uint32_t start, uint32_t size, std::vector<uint8_t>& out) const;
    bool OwnsItsSectors(uint32_t number, bool mini, const std::vector<uint32_t>& chain,
                        const std::vector<uint32_t>& rootChain) const;
    bool BuildOverwrite(uint32_t number, const std::vector<uint8_t>& bytes,
                        std::vector<uint8_t>& image) const;
    bool CommitImage(std::vector<uint8_t>& image);
    const EntryNode* FindNode(uint32_t number) const;

    // The open file, kept open with the caller's mode until closed.
    FILE* m_file = nullptr;
    std::string m_path;
    std::wstring m_widePath;
    bool m_widePathUsed = false;
    std::string m_mode;
    bool m_writable = false;
    bool m_fileBacked = false;

    std::vector<uint8_t> m_image;
    DocumentHeader m_header;
    std::vector<uint32_t> m_fat;
    std::vector<uint32_t> m_fatSectors;    // where the FAT lives, in order
    std::vector<uint32_t> m_difatSectors;  // the DIFAT chain, in order
    std::vector<uint32_t> m_miniFat;
    std::vector<uint32_t> m_miniFatSectors;
    std::vector<DirectoryEntry> m_directory;  // as read; the tree holds rewritten copies
    std::vector<uint32_t> m_directorySectors;
    std::unique_ptr<EntryNode> m_root;
    const EntryNode* m_current = nullptr;
};
