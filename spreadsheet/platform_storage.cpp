// Structured storage binding. A write never touches the user's file in place: the new workbook
// is made in a copy beside it, flushed, and only then takes the file's place, so a failure
// midway (a full disk, a card pulled out, the process killed) leaves the old file whole.
#include "spreadsheet/platform_storage.h"

#include <objbase.h>
#include <windows.h>

#include <new>

#include "base/paths.h"

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
    // 8-bit paths are UTF-8, as the programs take them from their wide command lines: the
    // ANSI code page cannot name every folder.
    int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), int(path.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), int(path.size()), &wide[0], n);
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
    m_strPath = path;
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

bool PlatformStorage::HasOldWorkbookStream() {
    if (!m_pStorage) return false;
    Released<IStream> stream;
    return SUCCEEDED(m_pStorage->OpenStream(L"Book", nullptr, kReadStreamMode, 0, &stream.p)) &&
           stream.p;
}

namespace {

PlatformStorage::ReplaceHook g_replaceHook = nullptr;

// Writes the workbook stream of the compound file at path from its first byte and sets its
// size, committed and flushed to the disk.
bool WriteWorkbookInto(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    {
        Released<IStorage> storage;
        if (FAILED(StgOpenStorage(path.c_str(), nullptr, kOpenStorageMode, nullptr, 0, &storage.p)) ||
            !storage.p)
            return false;
        Released<IStream> stream;
        if (FAILED(storage.p->OpenStream(kWorkbookStream, nullptr, kWriteStreamMode, 0,
                                         &stream.p)) ||
            !stream.p)
            return false;
        ULONG written = 0;
        HRESULT hr = stream.p->Write(bytes.data(), ULONG(bytes.size()), &written);
        if (FAILED(hr) || written != bytes.size()) return false;
        ULARGE_INTEGER size;
        size.QuadPart = bytes.size();
        if (FAILED(stream.p->SetSize(size))) return false;
        if (FAILED(storage.p->Commit(STGC_DEFAULT))) return false;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return flushed;
}

}  // namespace

void PlatformStorage::SetReplaceHookForTests(ReplaceHook hook) {
    g_replaceHook = hook;
}

ContainerResult PlatformStorage::OverwriteWorkbook(const std::vector<uint8_t>& bytes) {
    if (!m_pStorage) return PlatformFailure;
    if (uint64_t(bytes.size()) > 0xFFFFFFFFull) return StreamTooLarge;
    const std::wstring path = m_strPath;
    // The copy lies in the file's own folder, so that it replaces the file by a rename on the
    // same volume.
    std::wstring folder = kovra::FolderOf(path);
    if (folder.empty()) folder = L".\\";
    wchar_t copy[MAX_PATH];
    if (folder.size() >= MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"kvx", 0, copy))
        return PlatformFailure;
    // The storage holds the file exclusively: let go of it for the copy and take it again after.
    Close();
    bool ok = CopyFileW(path.c_str(), copy, FALSE) && WriteWorkbookInto(copy, bytes) &&
              (!g_replaceHook || g_replaceHook(copy)) &&
              MoveFileExW(copy, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(copy);
    if (!Open(path)) return PlatformFailure;
    return ok ? Done : PlatformFailure;
}
