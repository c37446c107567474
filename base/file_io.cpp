// Files by path: _wfopen on Windows, UTF-8 fopen on Linux. An 8-bit path is UTF-8 on both: on
// Windows it is widened for the wide calls, never handed to the ANSI code page, which cannot
// name every folder.
#include "base/file_io.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kovra {

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = uint32_t(text[i]);
        // Join a UTF-16 surrogate pair where wchar_t is 16-bit.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            uint32_t lo = uint32_t(text[i + 1]);
            if (lo >= 0xDC00 && lo < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        uint8_t b = uint8_t(text[i]);
        uint32_t c;
        int extra;
        if (b < 0x80) {
            c = b, extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F, extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F, extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07, extra = 3;
        } else {
            c = 0xFFFD, extra = 0;  // stray continuation or invalid lead byte
        }
        ++i;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (uint8_t(text[i]) & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = (c << 6) | (uint8_t(text[i]) & 0x3F);
        }
        if (c >= 0x10000 && sizeof(wchar_t) == 2) {
            c -= 0x10000;
            out += wchar_t(0xD800 + (c >> 10));
            out += wchar_t(0xDC00 + (c & 0x3FF));
        } else {
            out += wchar_t(c);
        }
    }
    return out;
}

FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return OpenFile(FromUtf8(path), mode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}

FILE* OpenFile(const std::wstring& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wmode.c_str());
#else
    return std::fopen(ToUtf8(path).c_str(), mode);
#endif
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(FromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return stat(path.c_str(), &st) == 0;
#endif
}

bool FileExists(const std::wstring& path) {
#ifdef _WIN32
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    return FileExists(ToUtf8(path));
#endif
}

static bool ReadAll(FILE* f, std::vector<uint8_t>& out, uint64_t maxBytes) {
    out.clear();
    if (!f) return false;
    bool ok = true;
    // The size is taken from the open handle, then the read must deliver exactly that much.
    if (std::fseek(f, 0, SEEK_END) != 0) ok = false;
#ifdef _WIN32
    long long size = ok ? _ftelli64(f) : -1;
#else
    long long size = ok ? ftello(f) : -1;
#endif
    if (size < 0 || uint64_t(size) > maxBytes || std::fseek(f, 0, SEEK_SET) != 0) ok = false;
    if (ok) {
        out.resize(size_t(size));
        ok = size == 0 || std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    return ReadAll(OpenFile(path, "rb"), out, maxBytes);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    return ReadAll(OpenFile(path, "rb"), out, maxBytes);
}

// Writes, flushes and syncs, so that the rename that follows never publishes a file whose
// content is not yet on disk.
static bool WriteAll(FILE* f, const void* data, size_t size) {
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    ok = std::fflush(f) == 0 && ok;
#ifdef _WIN32
    ok = _commit(_fileno(f)) == 0 && ok;
#else
    ok = fsync(fileno(f)) == 0 && ok;
#endif
    return std::fclose(f) == 0 && ok;
}

bool WriteFileReplacing(const std::wstring& path, const void* data, size_t size) {
#ifdef _WIN32
    std::wstring tmp = path + L".tmp~";
    if (!WriteAll(OpenFile(tmp, "wb"), data, size)) {
        DeleteFileW(tmp.c_str());
        return false;
    }
    if (!MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(tmp.c_str());
        return false;
    }
    return true;
#else
    return WriteFileReplacing(ToUtf8(path), data, size);
#endif
}

bool WriteFileReplacing(const std::string& path, const void* data, size_t size) {
#ifdef _WIN32
    return WriteFileReplacing(FromUtf8(path), data, size);
#else
    std::string tmp = path + ".tmp~";
    if (!WriteAll(OpenFile(tmp, "wb"), data, size)) {
        std::remove(tmp.c_str());
        return false;
    }
    // The replacement keeps the permissions of the file it replaces.
    struct stat st;
    if (stat(path.c_str(), &st) == 0) chmod(tmp.c_str(), st.st_mode & 07777);
    bool moved = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!moved) std::remove(tmp.c_str());
    return moved;
#endif
}

void ResizeForOverwrite(std::vector<uint8_t>& v, size_t n) {
#ifdef __linux__
    const size_t kHuge = size_t(2) << 20;
    if (n >= kHuge && v.capacity() < n) {
        std::vector<uint8_t>().swap(v);
        v.reserve(n);
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(v.data()) + kHuge - 1) & ~(kHuge - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(v.data()) + n) & ~(kHuge - 1);
        if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
    v.resize(n);
}

bool CreateFolder(const std::wstring& path) {
#ifdef _WIN32
    CreateDirectoryW(path.c_str(), nullptr);
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
#else
    const std::string p = ToUtf8(path);
    mkdir(p.c_str(), 0777);
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool CopyFileReplacing(const std::wstring& src, const std::wstring& dst) {
#ifdef _WIN32
    // Copied beside the target, then moved over it: a copy cut short (a full card, a process
    // ended meanwhile) never leaves the target half-written.
    const std::wstring tmp = dst + L".tmp~";
    if (!CopyFileW(src.c_str(), tmp.c_str(), FALSE) ||
        !MoveFileExW(tmp.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(tmp.c_str());
        return false;
    }
    return true;
#else
    std::vector<uint8_t> bytes;
    return ReadWholeFile(src, bytes) && WriteFileReplacing(dst, bytes.data(), bytes.size());
#endif
}

}  // namespace kovra
