// Structured storage binding: direct mode, so changes reach the file when the storage is
// released (we also commit after a write so they are there before that).
#include "spreadsheet/platform_storage.h"

#include <objbase.h>
#include <windows.h>

#include <new>

namespace {

const wchar_t kWorkbookStream[] = L"Workbook";
constexpr DWORD kOpenStorageMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12
constexpr DWORD kReadStreamMode = STGM_READ | STGM_SHARE_EXCLUSIVE;        // 0x10
constexpr DWORD kWriteStreamMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12

// Releases a COM pointer at scope end.
template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

}  // namespace

PlatformStorage::~PlatformStorage() {
    Close();
}

bool PlatformStorage::Open(const std::string& path) {
    // 8-bit paths are in the system code page, as the converter receives them.
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), int(path.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), int(path.size()), &wide[0], n);
    if (n <= 0 && !path.empty()) {
        Close();
        return false;
    }
    return Open(wide);
}

bool PlatformStorage::Open(const std::wstring& path) {
    Close();
    IStorage* storage = nullptr;
    HRESULT hr = StgOpenStorage(path.c_str(), nullptr, kOpenStorageMode, nullptr, 0, &storage);
    if (FAILED(hr) || !storage) return false;
    m_pStorage = storage;
    return true;
}

void PlatformStorage::Close() {
    if (m_pStorage) m_pStorage->Release();
    m_pStorage = nullptr;
}

ContainerResult PlatformStorage::ReadWorkbook(std::vector<uint8_t>& out) {
    out.clear();
    if (!m_pStorage) return PlatformFailure;
    Released<IStream> stream;
    if (FAILED(m_pStorage->OpenStream(kWorkbookStream, nullptr, kReadStreamMode, 0, &stream.p)) ||
        !stream.p)
        return PlatformFailure;
    STATSTG st = {};
    if (FAILED(stream.p->Stat(&st, STATFLAG_NONAME))) return PlatformFailure;
    const ULONGLONG size = st.cbSize.QuadPart;
    if (size == 0) return Done;
    if (size >= 0x100000000ull) return StreamTooLarge;
    try {
        out.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return PlatformFailure;
    }
    ULONG read = 0;
    HRESULT hr = stream.p->Read(out.data(), ULONG(size), &read);
    if (FAILED(hr) || read != size) {
        out.clear();
        return PlatformFailure;
    }
    return Done;
}

ContainerResult PlatformStorage::OverwriteWorkbook(const std::vector<uint8_t>& bytes) {
    if (!m_pStorage) return PlatformFailure;
    if (uint64_t(bytes.size()) > 0xFFFFFFFFull) return StreamTooLarge;
    Released<IStream> stream;
    if (FAILED(m_pStorage->OpenStream(kWorkbookStream, nullptr, kWriteStreamMode, 0, &stream.p)) ||
        !stream.p)
        return PlatformFailure;
    ULONG written = 0;
    HRESULT hr = stream.p->Write(bytes.data(), ULONG(bytes.size()), &written);
    if (FAILED(hr) || written != bytes.size()) return PlatformFailure;
    ULARGE_INTEGER size;
    size.QuadPart = bytes.size();
    if (FAILED(stream.p->SetSize(size))) return PlatformFailure;
    if (FAILED(m_pStorage->Commit(STGC_DEFAULT))) return PlatformFailure;
    return Done;
}
