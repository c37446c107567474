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
    // Opens an existing file; any container already open is closed first.
    virtual bool Open(const std::string& path) = 0;   // 8-bit path (the converter)
    virtual bool Open(const std::wstring& path) = 0;  // UTF-16 path (the wizard)
    virtual void Close() = 0;
    // Reads the stream named "Workbook" whole.
    virtual ContainerResult ReadWorkbook(std::vector<uint8_t>& out) = 0;
    // Replaces the content of the "Workbook" stream.
    virtual ContainerResult OverwriteWorkbook(const std::vector<uint8_t>& bytes) = 0;
};

enum class ContainerBinding {
    Own,       // CompoundDocument: the converter, Linux, tests
    Platform,  // structured storage (Windows only; falls back to Own elsewhere)
};

std::unique_ptr<WorkbookContainer> MakeWorkbookContainer(ContainerBinding binding);
