// Program folder and file times on Windows and Linux.
#include "base/paths.h"

#include <sys/stat.h>

#include <ctime>
#include <vector>

#include "base/file_io.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace kovra {

namespace {

template <typename S>
S Join(const S& folder, const S& name) {
    size_t start = 0;
    while (start < name.size() && (name[start] == '\\' || name[start] == '/')) ++start;
    S out = folder;
    while (!out.empty() && (out.back() == '\\' || out.back() == '/')) out.pop_back();
    out += typename S::value_type(kPathSeparator);
    out.append(name, start, S::npos);
    return out;
}

#ifdef _WIN32
const char kSeparators[] = "\\/";
const wchar_t kWideSeparators[] = L"\\/";
#else
const char kSeparators[] = "/";  // a backslash is an ordinary file-name character here
const wchar_t kWideSeparators[] = L"/";
#endif

[[maybe_unused]] std::string CutAtLastSeparator(const std::string& path) {
    size_t cut = path.find_last_of(kSeparators);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

[[maybe_unused]] std::wstring CutAtLastSeparator(const std::wstring& path) {
    size_t cut = path.find_last_of(kWideSeparators);
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) { return Join(folder, name); }
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) { return Join(folder, name); }

namespace {

size_t NameStart(const std::wstring& path) {
    size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos) cut = path.rfind(L'/');
    return cut == std::wstring::npos ? 0 : cut + 1;
}

}  // namespace

std::wstring FileNameOf(const std::wstring& path) { return path.substr(NameStart(path)); }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, NameStart(path)); }

std::wstring GetProgramFolderW() {
#ifdef _WIN32
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return CutAtLastSeparator(std::wstring(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
#else
    return FromUtf8(GetProgramFolder());
#endif
}

std::string GetProgramFolder() {
#ifdef _WIN32
    return ToUtf8(GetProgramFolderW());
#else
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return std::string();
    return CutAtLastSeparator(std::string(buf.data(), size_t(n)));
#endif
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc, (void)argv;
    int n = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        for (int i = 1; i < n; ++i) args.push_back(ToUtf8(wide[i]));
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
#endif
    return args;
}

bool GetFileWriteDateUtc(const std::string& path, int* month, int* day) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME st;
    if (!GetFileAttributesExW(FromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToSystemTime(&data.ftLastWriteTime, &st))
        return false;
    *month = st.wMonth;
    *day = st.wDay;
    return true;
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    struct tm tm;
    time_t t = st.st_mtime;
    if (!gmtime_r(&t, &tm)) return false;
    *month = tm.tm_mon + 1;
    *day = tm.tm_mday;
    return true;
#endif
}

}  // namespace kovra
