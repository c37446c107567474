// Reading and writing INI files: the Windows profile functions on Windows, a reader of our own
// that answers the same way on Linux.
#pragma once

#include <cstddef>
#include <string>

namespace kovra {

// The buffer the program's paths and names are read into: 259 characters and the end.
const size_t kIniBufferSize = 260;

// The value of key in section, as GetPrivateProfileStringW reads it into a buffer of
// bufferSize units: section and key names compare without regard to ASCII case and without
// surrounding blanks; only the first section of that name counts, and in it the first key;
// blanks around the value are dropped, then one pair of matching quotes (' or ") around it;
// a missing file, section or key, or a key line without "=", gives def with its trailing
// spaces dropped. The result holds at most bufferSize - 1 units. Lines beginning with ';'
// are comments (strictly: keys no one asks for).
std::wstring IniGetString(const std::wstring& path, const std::wstring& section,
                          const std::wstring& key, const std::wstring& def,
                          size_t bufferSize = kIniBufferSize);

// The value as GetPrivateProfileIntW reads it: def when the key is missing or its value is
// empty; otherwise the first 29 units of the value, read as: characters up to ' ' skipped,
// one sign, a prefix "0x", "0o" or "0b" (lower case) choosing the base, then digits of that
// base up to the first other character. The number wraps around at 32 bits.
int IniGetInt(const std::wstring& path, const std::wstring& section, const std::wstring& key,
              int def);

// Stores key=value in section, adding the section and key when missing; the rest of the file
// is kept. False when the names are empty or any text holds a line break, or when the file
// cannot be written (it is then unchanged).
bool IniWriteString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value);

}  // namespace kovra
