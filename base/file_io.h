// Opening, reading and testing files by 8-bit or UTF-16 path on Windows and Linux alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kovra {

// Windows takes UTF-16 paths as they are; Linux takes them as UTF-8.
FILE* OpenFile(const std::wstring& path, const char* mode);
FILE* OpenFile(const std::string& path, const char* mode);

bool FileExists(const std::wstring& path);
bool FileExists(const std::string& path);

// Reads the whole file. False when it cannot be opened or read, or is larger than maxBytes.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& out,
                   uint64_t maxBytes = UINT64_MAX);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                   uint64_t maxBytes = UINT64_MAX);

// Replaces the file's content as a whole: the bytes go to a temporary file beside it, which
// then takes the file's place. If anything fails, the old file is left as it was.
bool WriteFileReplacing(const std::wstring& path, const void* data, size_t size);
bool WriteFileReplacing(const std::string& path, const void* data, size_t size);

// Copies the file over dst (replacing it as a whole). False when src cannot be read or dst
// cannot be written; dst is then unchanged.
bool CopyFileReplacing(const std::wstring& src, const std::wstring& dst);

// Creates the folder (its parent must exist). True when it exists afterwards.
bool CreateFolder(const std::wstring& path);

// Sizes the vector to n bytes that the caller is about to overwrite. Large buffers are backed
// by huge pages where the system allows it: faulting fresh memory in 4 KiB pages costs more
// than filling it.
void ResizeForOverwrite(std::vector<uint8_t>& v, size_t n);

// UTF-16 (or UTF-32 on Linux) text to UTF-8, for file-system calls and JSON.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace kovra
