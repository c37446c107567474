// Program folder, path tests, text fitting, fonts and the version text.
#include "app/helpers.h"

#include <shellapi.h>

#include <cstring>
#include <cwctype>

#include "base/paths.h"
#include "base/text.h"
#include "resources/resource.h"

wchar_t g_szModuleDir[256] = L"";

void InitModuleDir() {
    const std::wstring dir = kovra::GetProgramFolderW();
    lstrcpynW(g_szModuleDir, dir.c_str(), int(sizeof g_szModuleDir / sizeof g_szModuleDir[0]));
}

std::wstring GetModuleDir() {
    return kovra::GetProgramFolderW();
}

bool PathExists(wchar_t* path) {
    if (!path || !path[0]) return false;
    if (path[0] == L'\\' && !path[1]) return true;
    size_t n = wcslen(path);
    if (path[n - 1] == L'\\') path[n - 1] = L'\0';
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

bool GetFileNameFromPath(const std::wstring& path, std::wstring& out) {
    if (path.empty()) return false;
    out = kovra::FileNameOf(path);
    return true;
}

namespace {

int TextWidth(HDC dc, const std::wstring& s) {
    SIZE size{};
    if (s.empty() || !::GetTextExtentPoint32W(dc, s.c_str(), int(s.size()), &size)) return 0;
    return size.cx;
}

}  // namespace

bool FitTextToWidth(std::wstring& text, HDC dc, const RECT& rect) {
    const int w = rect.right - rect.left;
    if (TextWidth(dc, text) <= w) return false;

    const int dots = TextWidth(dc, L"...");
    size_t next = text.size() < 4 ? text.size() : 4;  // text[next] is the first left out
    std::wstring fit = text.substr(0, next);
    if (TextWidth(dc, fit) >= w) {
        do {
            fit.pop_back();
        } while (!fit.empty() && TextWidth(dc, fit) + dots / 3 > w);
    }
    const int fitWidth = TextWidth(dc, fit);
    if (fitWidth + dots < w) {
        while (next < text.size() && TextWidth(dc, fit + text[next]) + dots <= w)
            fit += text[next++];
        fit += L"...";
    } else if (fitWidth + dots == w) {
        fit += L"...";
    } else if (TextWidth(dc, fit + L"..") <= w) {
        fit += L"..";
    } else if (TextWidth(dc, fit + L".") <= w) {
        fit += L".";
    }
    text = fit;
    return true;
}

ScopedFont CreateArialFont(int size, int weight) {
    return ScopedFont(::CreateFontW(-size, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
}

std::wstring GetAppVersion() {
    // The fixed part of the version resource: after the header (three words) and the key
    // "VS_VERSION_INFO" with its terminator, aligned to four bytes.
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
    HGLOBAL data = res ? ::LoadResource(module, res) : nullptr;
    const BYTE* p = data ? static_cast<const BYTE*>(::LockResource(data)) : nullptr;
    const DWORD size = res ? ::SizeofResource(module, res) : 0;
    const size_t offset = (6 + sizeof L"VS_VERSION_INFO" + 3) & ~size_t(3);
    VS_FIXEDFILEINFO info;
    if (p && size >= offset + sizeof info) {
        std::memcpy(&info, p + offset, sizeof info);
        if (info.dwSignature == 0xFEEF04BD) {
            wchar_t text[48];
            swprintf(text, 48, L"%u.%u.%u.%u", unsigned(HIWORD(info.dwFileVersionMS)),
                     unsigned(LOWORD(info.dwFileVersionMS)), unsigned(HIWORD(info.dwFileVersionLS)),
                     unsigned(LOWORD(info.dwFileVersionLS)));
            return text;
        }
    }
    return L"" KOVRA_VERSION_TEXT;
}

std::wstring BytesToWideString(const char* bytes) {
    return bytes ? kovra::WidenBytes(bytes, std::strlen(bytes)) : std::wstring();
}

std::wstring FormatText(const wchar_t* format, std::initializer_list<std::wstring> args) {
    std::wstring out;
    auto next = args.begin();
    for (const wchar_t* p = format ? format : L""; *p; ++p) {
        if (p[0] == L'%' && p[1] == L'%') {
            out += L'%';
            ++p;
        } else if (p[0] == L'%' && (p[1] == L's' || p[1] == L'd')) {
            if (next == args.end()) break;
            out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool OpenWithShell(HWND hOwner, const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = hOwner;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&info) != FALSE;
}
