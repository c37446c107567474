// PlatformStorage: the workbook container through Windows structured storage (ole32).
// Windows only.
#pragma once

#include <string>

#include "spreadsheet/container.h"

struct IStorage;

class PlatformStorage : public WorkbookContainer {
public:
    PlatformStorage() = default;
    ~PlatformStorage() override;
    PlatformStorage(const PlatformStorage&) = delete;
    PlatformStorage& operator=(const PlatformStorage&) = delete;

    // Opens read-write and share-exclusive: the file stays locked against other writers
    // and readers until Close, destruction or the next Open.
    bool Open(const std::string& path) override;
    bool Open(const std::wstring& path) override;
    void Close() override;
    ContainerResult ReadWorkbook(std::vector<uint8_t>& out) override;
    // Writes the stream from its first byte and sets its size to the new length, so a
    // shorter workbook leaves nothing of the old one behind its end. The writing happens in a
    // copy beside the file, which replaces it only once complete and flushed; on a failure the
    // file is as it was.
    ContainerResult OverwriteWorkbook(const std::vector<uint8_t>& bytes) override;
    bool HasOldWorkbookStream() override;

    // Tests only: called with the finished copy just before it would replace the file; false
    // fails the write there, as a full disk or a pulled card would. Null: none.
    using ReplaceHook = bool (*)(const std::wstring& copy);
    static void SetReplaceHookForTests(ReplaceHook hook);

private:
    IStorage* m_pStorage = nullptr;
    std::wstring m_strPath;
};
