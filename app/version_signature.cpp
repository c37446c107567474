// The version file's signature, checked with the platform's cryptography (CNG).
#include "app/version_signature.h"

#include <windows.h>
// bcrypt.h needs windows.h before it.
#include <bcrypt.h>

#include <cstdint>

#include "app/sha256.h"

namespace {

const char kBlanks[] = " \t";

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// The lines of the file without their ends (CR LF, LF or a lone CR).
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

bool IsSectionHeader(const std::string& line, const std::string& section) {
    const std::string text = Trimmed(line);
    return text.size() >= 2 && text.front() == '[' && text.back() == ']' &&
           EqualsNoCase(Trimmed(text.substr(1, text.size() - 2)), section);
}

bool HexToBytes(const std::string& hex, std::vector<unsigned char>& out) {
    if (hex.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = Lower(hex[j]);
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return false;
            value = value * 16 + digit;
        }
        out.push_back(static_cast<unsigned char>(value));
    }
    return true;
}

// Whether the key (X and Y) signed digest with signature (r and s).
bool VerifiedBy(BCRYPT_ALG_HANDLE algorithm, const std::vector<unsigned char>& key,
                const uint8_t digest[32], std::vector<unsigned char>& signature) {
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    blob.insert(blob.end(), key.begin(), key.end());
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (::BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                              ULONG(blob.size()), 0) != 0)
        return false;
    const NTSTATUS status =
        ::BCryptVerifySignature(handle, nullptr, const_cast<uint8_t*>(digest), 32, signature.data(),
                                ULONG(signature.size()), 0);
    ::BCryptDestroyKey(handle);
    return status == 0;
}

}  // namespace

std::string VersionSection::Value(const std::string& key) const {
    for (const auto& entry : entries)
        if (EqualsNoCase(entry.first, key)) return entry.second;
    return std::string();
}

VersionSection ReadVersionSection(const std::string& bytes, const std::string& section) {
    VersionSection out;
    const std::vector<std::string> lines = Lines(bytes);
    size_t i = 0;
    while (i < lines.size() && !IsSectionHeader(lines[i], section)) ++i;
    if (i == lines.size()) return out;
    out.bFound = true;
    out.strCanonical = "[" + section + "]\r\n";
    for (++i; i < lines.size(); ++i) {
        const std::string text = Trimmed(lines[i]);
        if (!text.empty() && text.front() == '[') break;
        if (text.empty() || text.front() == ';') continue;
        const size_t equals = text.find('=');
        const std::string key = Trimmed(text.substr(0, equals));
        const std::string value =
            equals == std::string::npos ? "" : Trimmed(text.substr(equals + 1));
        if (EqualsNoCase(key, "signature")) {
            if (out.strSignature.empty()) out.strSignature = value;
            continue;
        }
        out.entries.emplace_back(key, value);
        out.strCanonical += text + "\r\n";
    }
    return out;
}

bool IsPublicKeyText(const std::string& key) {
    std::vector<unsigned char> bytes;
    return key.size() == 128 && HexToBytes(key, bytes);
}

SignatureCheck VerifyVersionSection(const VersionSection& section,
                                    const std::vector<std::string>& trustedKeys) {
    if (section.strSignature.empty()) return SignatureCheck::kUnsigned;
    std::vector<unsigned char> signature;
    if (section.strSignature.size() != 128 || !HexToBytes(section.strSignature, signature))
        return SignatureCheck::kMalformed;
    Sha256 hash;
    hash.Update(section.strCanonical.data(), section.strCanonical.size());
    uint8_t digest[32];
    hash.Final(digest);

    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0)
        return SignatureCheck::kNotVerified;
    bool verified = false;
    for (const std::string& text : trustedKeys) {
        std::vector<unsigned char> key;
        if (text.size() != 128 || !HexToBytes(text, key)) continue;
        if ((verified = VerifiedBy(algorithm, key, digest, signature))) break;
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return verified ? SignatureCheck::kVerified : SignatureCheck::kNotVerified;
}

const char* SignatureCheckText(SignatureCheck result) {
    switch (result) {
        case SignatureCheck::kVerified:
            return "signed by a trusted key";
        case SignatureCheck::kUnsigned:
            return "not signed";
        case SignatureCheck::kMalformed:
            return "signature is not 128 hexadecimal digits";
        case SignatureCheck::kNotVerified:
            return "signature does not verify with a trusted key";
    }
    return "";
}

std::vector<std::string>& TrustedUpdateKeys() {
    // Generated from resources/update_keys.txt when the program is built.
    static std::vector<std::string> keys = {
#include "trusted_update_keys.inc"
    };
    return keys;
}
