// INI access: the profile functions of Windows, and on Linux a reader and writer that give the
// same answers (the shared tests run on both).
#include "base/ini_file.h"

#include <cstdint>
#include <vector>

#include "base/file_io.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kovra {

namespace {

// Texts that cannot stand on one INI line. Both platforms refuse them alike.
bool FitsOnALine(const std::wstring& s) {
    return s.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

bool IsIniBlank(wchar_t c) {
    // ^Z counts as a blank: old editors ended text files with it.
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r' ||
           c == 0x1a;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsIniBlank(s[b])) ++b;
    while (e > b && IsIniBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool ValidNames(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    const std::wstring s = Trim(section), k = Trim(key);
    if (s.empty() || k.empty() || !FitsOnALine(section) || !FitsOnALine(key) || !FitsOnALine(value))
        return false;
    // A key with '=' or a leading '[' would read back as something else.
    return k.find(L'=') == std::wstring::npos && k[0] != L'[';
}

}  // namespace

#ifdef _WIN32

std::wstring IniGetString(const std::wstring& path, const std::wstring& section,
                          const std::wstring& key, const std::wstring& def, size_t bufferSize) {
    if (bufferSize == 0) return std::wstring();
    if (bufferSize > 0x7fffffff) bufferSize = 0x7fffffff;
    std::vector<wchar_t> buf(bufferSize);
    DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                       DWORD(bufferSize), path.c_str());
    return std::wstring(buf.data(), n);
}

int IniGetInt(const std::wstring& path, const std::wstring& section, const std::wstring& key,
              int def) {
    return int(GetPrivateProfileIntW(section.c_str(), key.c_str(), def, path.c_str()));
}

bool IniWriteString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
    if (!ValidNames(section, key, value)) return false;
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

#else  // Linux

namespace {

// An INI file larger than this is not one; it reads as missing.
const uint64_t kMaxIniBytes = 16u << 20;

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// Names and defaults end at their first NUL, as the C strings Windows is given do.
std::wstring CString(const std::wstring& s) {
    return s.substr(0, s.find(L'\0'));
}

bool DecodeUtf8(const uint8_t* p, size_t n, std::wstring& out) {
    out.clear();
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        uint32_t c = p[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        if (len > 1) c &= 0x3f >> (len - 1);
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80) return false;
            c = (c << 6) | (p[i + k] & 0x3f);
        }
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kMin[len] || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) return false;
        out += wchar_t(c);
        i += len;
    }
    return true;
}

std::wstring DecodeUtf16(const uint8_t* p, size_t n, bool bigEndian) {
    std::wstring out;
    for (size_t i = 0; i + 1 < n; i += 2) {
        uint32_t u = bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
        if (u >= 0xd800 && u <= 0xdbff && i + 3 < n) {
            uint32_t v = bigEndian ? (p[i + 2] << 8 | p[i + 3]) : (p[i + 3] << 8 | p[i + 2]);
            if (v >= 0xdc00 && v <= 0xdfff) {
                u = 0x10000 + ((u - 0xd800) << 10) + (v - 0xdc00);
                i += 2;
            }
        }
        out += wchar_t(u);
    }
    return out;
}

// Byte-order marks choose UTF-16 or UTF-8 as Windows does. Without one, the ASCII files we ship
// read alike either way; a file that is valid UTF-8 (the profile we write) is taken as such,
// anything else byte by byte.
std::wstring DecodeIniText(const std::vector<uint8_t>& bytes) {
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) return DecodeUtf16(p + 2, n - 2, false);
    if (n >= 2 && p[0] == 0xfe && p[1] == 0xff) return DecodeUtf16(p + 2, n - 2, true);
    if (n >= 3 && p[0] == 0xef && p[1] == 0xbb && p[2] == 0xbf) p += 3, n -= 3;
    std::wstring out;
    if (DecodeUtf8(p, n, out)) return out;
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = wchar_t(p[i]);
    return out;
}

std::string EncodeUtf8(const std::wstring& s) {
    std::string out;
    for (wchar_t wc : s) {
        uint32_t c = uint32_t(wc);
        if (c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) c = 0xfffd;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xc0 | c >> 6);
            out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += char(0xe0 | c >> 12);
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out += char(0xf0 | c >> 18);
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }
    return out;
}

// One line of the file as the reader sees it.
struct IniLine {
    enum Kind { Blank, Section, Entry } kind = Blank;
    std::wstring name;   // section or key name, trimmed
    std::wstring value;  // trimmed; only for an entry with '='
    bool hasValue = false;
    std::wstring raw;  // the line as written, for the writer
};

IniLine ParseLine(const std::wstring& raw) {
    IniLine line;
    line.raw = raw;
    // A NUL ends the line's text; what follows it up to the line break is lost.
    const std::wstring text = Trim(raw.substr(0, raw.find(L'\0')));
    if (text.empty()) return line;
    if (text[0] == L'[') {
        // The name runs to the last ']'; a header without one is no line at all.
        size_t close = text.rfind(L']');
        if (close == std::wstring::npos) return line;
        line.kind = IniLine::Section;
        line.name = Trim(text.substr(1, close - 1));
        return line;
    }
    line.kind = IniLine::Entry;
    size_t eq = text.find(L'=');
    line.name = Trim(text.substr(0, eq));
    if (eq != std::wstring::npos) {
        line.value = Trim(text.substr(eq + 1));
        line.hasValue = true;
    }
    return line;
}

// Lines end at CR, LF or both.
std::vector<IniLine> ParseText(const std::wstring& text) {
    std::vector<IniLine> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'\r' || text[i] == L'\n') {
            if (i < text.size() || i > start)
                lines.push_back(ParseLine(text.substr(start, i - start)));
            if (i + 1 < text.size() && text[i] == L'\r' && text[i + 1] == L'\n') ++i;
            start = i + 1;
        }
    }
    return lines;
}

bool LoadLines(const std::wstring& path, std::vector<IniLine>& lines, bool* exists) {
    std::vector<uint8_t> bytes;
    *exists = FileExists(path);
    lines.clear();
    if (!*exists) return true;
    if (!ReadWholeFile(path, bytes, kMaxIniBytes)) return false;
    lines = ParseText(DecodeIniText(bytes));
    return true;
}

// The lines [begin, end) of the first section of that name. The lines before any header form
// a section without name, so an explicit "[]" is never the first of its name.
bool FindSection(const std::vector<IniLine>& lines, const std::wstring& section, size_t* begin,
                 size_t* end) {
    size_t i = 0;
    bool found = section.empty();
    if (!found) {
        for (; i < lines.size(); ++i) {
            if (lines[i].kind == IniLine::Section && SameName(lines[i].name, section)) {
                found = true;
                ++i;
                break;
            }
        }
    }
    if (!found) return false;
    *begin = i;
    while (i < lines.size() && lines[i].kind != IniLine::Section) ++i;
    *end = i;
    return true;
}

const IniLine* FindEntry(const std::vector<IniLine>& lines, const std::wstring& section,
                         const std::wstring& key, size_t* index) {
    size_t b, e;
    if (!FindSection(lines, section, &b, &e)) return nullptr;
    for (size_t i = b; i < e; ++i) {
        if (lines[i].kind == IniLine::Entry && SameName(lines[i].name, key)) {
            if (index) *index = i;
            return &lines[i];
        }
    }
    return nullptr;
}

// One pair of equal quotes around the whole text goes.
std::wstring StripQuotes(const std::wstring& s) {
    if (s.size() >= 2 && (s[0] == L'"' || s[0] == L'\'') && s.back() == s[0])
        return s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

std::wstring IniGetString(const std::wstring& path, const std::wstring& section,
                          const std::wstring& key, const std::wstring& def, size_t bufferSize) {
    if (bufferSize == 0) return std::wstring();
    std::vector<IniLine> lines;
    bool exists;
    const IniLine* entry = nullptr;
    if (LoadLines(path, lines, &exists))
        entry = FindEntry(lines, Trim(CString(section)), Trim(CString(key)), nullptr);
    std::wstring out;
    if (entry && entry->hasValue) {
        out = StripQuotes(entry->value);
    } else {
        out = CString(def);
        while (!out.empty() && out.back() == L' ') out.pop_back();
        out = StripQuotes(out);
    }
    if (out.size() > bufferSize - 1) out.resize(bufferSize - 1);
    return out;
}

int IniGetInt(const std::wstring& path, const std::wstring& section, const std::wstring& key,
              int def) {
    // The Windows function reads the value into 30 units and converts what it got.
    const std::wstring s = IniGetString(path, section, key, std::wstring(), 30);
    if (s.empty()) return def;
    size_t i = 0, n = s.size();
    while (i < n && s[i] <= L' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
    uint32_t base = 10;
    if (i + 1 < n && s[i] == L'0') {
        if (s[i + 1] == L'x')
            base = 16;
        else if (s[i + 1] == L'o')
            base = 8;
        else if (s[i + 1] == L'b')
            base = 2;
        if (base != 10) i += 2;
    }
    uint32_t total = 0;
    for (; i < n; ++i) {
        wchar_t c = s[i];
        uint32_t digit = c >= L'0' && c <= L'9'   ? uint32_t(c - L'0')
                         : c >= L'A' && c <= L'Z' ? uint32_t(c - L'A' + 10)
                         : c >= L'a' && c <= L'z' ? uint32_t(c - L'a' + 10)
                                                  : 99;
        if (digit >= base) break;
        total = total * base + digit;
    }
    if (negative) total = 0u - total;
    return int(int32_t(total));
}

bool IniWriteString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
    if (!ValidNames(section, key, value)) return false;
    const std::wstring sec = Trim(section), k = Trim(key), v = Trim(value);
    std::vector<uint8_t> bytes;
    if (FileExists(path) && !ReadWholeFile(path, bytes, kMaxIniBytes)) return false;
    const std::wstring text = DecodeIniText(bytes);
    std::vector<IniLine> lines = ParseText(text);
    const std::wstring eol = text.find(L"\r\n") != std::wstring::npos ? L"\r\n" : L"\n";

    size_t index, b, e;
    const IniLine* entry = FindEntry(lines, sec, k, &index);
    if (entry) {
        lines[index].raw = entry->name + L"=" + v;
    } else if (FindSection(lines, sec, &b, &e)) {
        size_t at = e;
        while (at > b && lines[at - 1].kind == IniLine::Blank) --at;
        IniLine added;
        added.raw = k + L"=" + v;
        lines.insert(lines.begin() + ptrdiff_t(at), added);
    } else {
        IniLine header, added;
        header.raw = L"[" + sec + L"]";
        added.raw = k + L"=" + v;
        lines.push_back(header);
        lines.push_back(added);
    }
    std::wstring out;
    for (const IniLine& line : lines) out += line.raw + eol;
    const std::string encoded = EncodeUtf8(out);
    return WriteFileReplacing(path, encoded.data(), encoded.size());
}

#endif

}  // namespace kovra
