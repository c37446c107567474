// The container a workbook stream lives in: our own compound-document reader/writer, or on
// Windows the platform's structured storage. ExcelFile sees only this interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum ContainerResult : int {
    Done = 1,
    PlatformFailure = -1,
    StorageNotFound = -2,
    StreamNotFound = -4,
    StreamTooLarge = -6,
};

class WorkbookContainer {
public:
    virtual ~WorkbookContainer() = default;
    // Opens an existing file; any container already open is closed first. False when the
    // file cannot be opened or is not a compound document we can read.
    virtual bool Open(const std::string& path) = 0;   // 8-bit path (the converter)
    virtual bool Open(const std::wstring& path) = 0;  // UTF-16 path (the wizard)
    virtual void Close() = 0;
    // Reads the stream named "Workbook" (in any case) whole. On any result but Done `out` is empty:
    // StreamNotFound (Own) or PlatformFailure (Platform) when there is no such stream,
    // PlatformFailure when nothing is open or the stream cannot be read (a damaged file).
    virtual ContainerResult ReadWorkbook(std::vector<uint8_t>& out) = 0;
    // Replaces the content of the "Workbook" stream; the stream takes exactly the new
    // length, longer or shorter. Own: the file is replaced whole or not at all.
    virtual ContainerResult OverwriteWorkbook(const std::vector<uint8_t>& bytes) = 0;
    // True when the file holds the "Book" stream of Excel 5.0/95 instead (asked when the
    // "Workbook" stream is missing, to tell the user why). A binding that cannot tell says
    // false.
    virtual bool HasOldWorkbookStream() { return false; }
};

enum class ContainerBinding {
    // CompoundDocument: the converter, Linux, tests. Opens read-write, or read-only when
    // the file allows no more (then only OverwriteWorkbook fails).
    Own,
    // Structured storage, read-write and exclusive while open (Windows only; Own elsewhere).
    Platform,
};

std::unique_ptr<WorkbookContainer> MakeWorkbookContainer(ContainerBinding binding);
