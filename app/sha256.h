// SHA-256 (FIPS 180-4) of memory and of files, to check that a download is the announced file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256() { Reset(); }
    void Reset();
    void Update(const void* data, size_t size);
    // The digest of everything given since the last Reset; the object is reset afterwards.
    void Final(uint8_t digest[32]);
    // Final as 64 lower-case hexadecimal digits.
    std::string FinalHex();

private:
    void Block(const uint8_t* p);

    uint32_t m_state[8];
    uint64_t m_nBytes;
    uint8_t m_buffer[64];
    size_t m_nBuffered;
};

// Whether text is a digest as written: 64 hexadecimal digits, either case.
bool IsSha256Text(const std::string& text);

// Lower-case hexadecimal digest of size bytes at data.
std::string Sha256Hex(const void* data, size_t size);

// Lower-case hexadecimal digest of a file's content; false (hex unchanged) when the file cannot
// be read to its end.
bool Sha256OfFile(const std::wstring& path, std::string& hex);
