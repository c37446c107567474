// Opening a workbook file through its container and writing the stream back into it.
#include "spreadsheet/excel_file.h"

template <typename Path>
bool ExcelFile::Open(const Path& path) {
    // Whatever was open goes first, so a failed open leaves nothing locked behind.
    m_sheets.clear();
    if (m_pContainer) m_pContainer->Close();
    m_pContainer.reset();
    Unload();
    std::unique_ptr<WorkbookContainer> container = MakeWorkbookContainer(m_binding);
    if (!container || !container->Open(path)) return false;
    std::vector<uint8_t> stream;
    if (container->ReadWorkbook(stream) != Done || !LoadFromStream(stream)) {
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
