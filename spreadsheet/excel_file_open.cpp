// Opening a workbook file through its container and writing the stream back into it.
#include "spreadsheet/excel_file.h"

#include "base/file_io.h"

template <typename Path>
bool ExcelFile::Open(const Path& path) {
    // Whatever was open goes first, so a failed open leaves nothing locked behind.
    m_sheets.clear();
    if (m_pContainer) m_pContainer->Close();
    m_pContainer.reset();
    Unload();
    m_failure = OpenFailure::None;
    std::unique_ptr<WorkbookContainer> container = MakeWorkbookContainer(m_binding);
    if (!container || !container->Open(path)) {
        m_failure =
            kovra::FileExists(path) ? OpenFailure::NotCompoundDocument : OpenFailure::CannotOpen;
        return false;
    }
    std::vector<uint8_t> stream;
    ContainerResult read = container->ReadWorkbook(stream);
    if (read != Done || !LoadFromStream(stream)) {
        if (read == StreamNotFound || (read != Done && container->HasOldWorkbookStream()))
            m_failure = container->HasOldWorkbookStream() ? OpenFailure::OldFormat
                                                          : OpenFailure::NoWorkbookStream;
        else if (read != Done) {
            m_failure = OpenFailure::Damaged;  // the container could not read the stream
            m_nFailureOffset = kNoOffset;
        }
        container->Close();
        Unload();
        return false;
    }
    m_pContainer = std::move(container);
    return true;
}

bool ExcelFile::OpenFile(const std::string& path) {
    return Open(path);
}
bool ExcelFile::OpenFile(const std::wstring& path) {
    return Open(path);
}

bool ExcelFile::WriteBack() {
    if (!m_pContainer) return false;
    std::vector<uint8_t> stream;
    if (!SerializeStream(stream)) return false;
    return m_pContainer->OverwriteWorkbook(stream) == Done;
}
