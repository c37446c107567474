// The per-user profile: the registry on Windows, an INI file in the user's config folder on
// Linux.
#include "base/profile.h"

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/text.h"
#endif

namespace kovra {

const wchar_t kProfileCompany[] = L"Orvel Systems Inc.";

namespace {

std::wstring g_strApplication;

}  // namespace

void SetProfileApplication(const std::wstring& application) {
    g_strApplication = application;
}

std::wstring GetProfileApplication() {
    return g_strApplication;
}

#ifdef _WIN32

namespace {

HKEY OpenSectionKey(const std::wstring& section, bool create) {
    if (g_strApplication.empty() || section.empty()) return nullptr;
    const std::wstring path = GetProfileLocation() + L"\\" + section;
    HKEY key = nullptr;
    LONG rc = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                       REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                                       nullptr)
                     : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

std::wstring GetProfileLocation() {
    if (g_strApplication.empty()) return std::wstring();
    return std::wstring(L"Software\\") + kProfileCompany + L"\\" + g_strApplication;
}

std::wstring ProfileGetString(const std::wstring& section, const std::wstring& entry,
                              const std::wstring& def) {
    HKEY key = OpenSectionKey(section, false);
    if (!key) return def;
    std::wstring out = def;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, entry.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // The stored size need not end with a terminator, nor be even.
        std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = DWORD(buf.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, entry.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buf.data()), &got) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            size_t n = got / sizeof(wchar_t);
            if (n > buf.size()) n = buf.size();
            out.assign(buf.data(), n);
            out.resize(out.find(L'\0') == std::wstring::npos ? out.size() : out.find(L'\0'));
        }
    }
    RegCloseKey(key);
    return out;
}

bool ProfileWriteString(const std::wstring& section, const std::wstring& entry,
                        const std::wstring& value) {
    HKEY key = OpenSectionKey(section, true);
    if (!key) return false;
    LONG rc =
        RegSetValueExW(key, entry.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

int ProfileGetInt(const std::wstring& section, const std::wstring& entry, int def) {
    HKEY key = OpenSectionKey(section, false);
    if (!key) return def;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExW(key, entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                               &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? int(value) : def;
}

bool ProfileWriteInt(const std::wstring& section, const std::wstring& entry, int value) {
    HKEY key = OpenSectionKey(section, true);
    if (!key) return false;
    DWORD v = DWORD(value);
    LONG rc = RegSetValueExW(key, entry.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                             sizeof v);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

#else  // Linux

namespace {

std::wstring ConfigFolder() {
    // A relative XDG_CONFIG_HOME is to be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return FromUtf8(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0]) return FromUtf8(home) + L"/.config";
    return std::wstring();
}

}  // namespace

std::wstring GetProfileLocation() {
    const std::wstring folder = ConfigFolder();
    if (g_strApplication.empty() || folder.empty()) return std::wstring();
    return folder + L"/" + kProfileCompany + L"/" + g_strApplication + L".ini";
}

std::wstring ProfileGetString(const std::wstring& section, const std::wstring& entry,
                              const std::wstring& def) {
    const std::wstring file = GetProfileLocation();
    if (file.empty() || section.empty() || entry.empty()) return def;
    // A sentinel no stored text can equal tells a missing entry from an empty one.
    static const std::wstring kMissing(1, L'\n');
    std::wstring v = IniGetString(file, section, entry, kMissing, 32768);
    return v == kMissing ? def : v;
}

bool ProfileWriteString(const std::wstring& section, const std::wstring& entry,
                        const std::wstring& value) {
    const std::wstring file = GetProfileLocation();
    if (file.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(ToUtf8(file)).parent_path(), ec);
    return IniWriteString(file, section, entry, value);
}

int ProfileGetInt(const std::wstring& section, const std::wstring& entry, int def) {
    const std::wstring file = GetProfileLocation();
    if (file.empty() || section.empty() || entry.empty()) return def;
    return IniGetInt(file, section, entry, def);
}

bool ProfileWriteInt(const std::wstring& section, const std::wstring& entry, int value) {
    return ProfileWriteString(section, entry, WidenBytes(Format("%d", value)));
}

#endif

}  // namespace kovra
