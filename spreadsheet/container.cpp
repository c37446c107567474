// The workbook container bindings: our CompoundDocument everywhere, the platform's
// structured storage on Windows when asked for.
#include "spreadsheet/container.h"

#include "spreadsheet/compound_document.h"
#ifdef _WIN32
#include "spreadsheet/platform_storage.h"
#endif

namespace {

class CompoundDocumentContainer : public WorkbookContainer {
public:
    // Read-write is asked for first so the stream can be written back; a file we may only
    // read (read-only attribute, read-only medium) still opens for reading, and then only
    // the write reports PlatformFailure.
    bool Open(const std::string& path) override {
        return m_doc.OpenContainer(path, "r+b") || m_doc.OpenContainer(path, "rb");
    }
    bool Open(const std::wstring& path) override {
        return m_doc.OpenContainer(path, "r+b") || m_doc.OpenContainer(path, "rb");
    }
    void Close() override { m_doc.CloseContainer(); }
    ContainerResult ReadWorkbook(std::vector<uint8_t>& out) override {
        if (!m_doc.IsOpen()) {
            out.clear();
            return PlatformFailure;
        }
        std::u16string name = m_doc.RootStreamName(u"Workbook");
        if (name.empty()) {
            out.clear();
            return StreamNotFound;
        }
        return m_doc.ReadWholeStream(u"\\" + name, out);
    }
    ContainerResult OverwriteWorkbook(const std::vector<uint8_t>& bytes) override {
        std::u16string name = m_doc.RootStreamName(u"Workbook");
        if (name.empty()) return StreamNotFound;
        return m_doc.OverwriteStream(u"\\" + name, bytes);
    }
    bool HasOldWorkbookStream() override { return !m_doc.RootStreamName(u"Book").empty(); }

private:
    CompoundDocument m_doc;
};

}  // namespace

std::unique_ptr<WorkbookContainer> MakeWorkbookContainer(ContainerBinding binding) {
#ifdef _WIN32
    if (binding == ContainerBinding::Platform) return std::make_unique<PlatformStorage>();
#else
    (void)binding;
#endif
    return std::make_unique<CompoundDocumentContainer>();
}
