// The signed version file: the section the update check reads, the text its signature covers,
// and the check of that signature against the public keys the program trusts.
//
// A section may carry "signature=" followed by 128 hexadecimal digits: an ECDSA P-256
// signature (r then s, 32 bytes each, big-endian) over the SHA-256 of the section's canonical
// text. The canonical text is "[name]" with the name as the program asks for it, then every
// other line of the section in file order, with its line end and the blanks and tabs around it
// removed, leaving out empty lines and lines that start with ';', each followed by CR LF: a
// section signed for one channel says nothing on another. The section runs from its header
// ("[name]", the name compared without regard to case) to the next line that starts with '['
// or the end of the file; only the first section of that name counts. tools/sign-version
// writes such a line, and with it "serial=", which the update check uses against replays.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct VersionSection {
    bool bFound = false;
    // The lines the signature covers, as key and value, blanks around both removed.
    std::vector<std::pair<std::string, std::string>> entries;
    std::string strCanonical;  // what is signed
    std::string strSignature;  // the signature line's value; empty when there is none

    // The first value of key (any case), as the platform's profile reader finds it; empty when
    // the key is missing.
    std::string Value(const std::string& key) const;
};

// Reads section (ASCII, any case) of the version file's bytes.
VersionSection ReadVersionSection(const std::string& bytes, const std::string& section);

// A public key as the program pins it: the P-256 point's X and Y coordinates, 32 bytes each,
// big-endian, as 128 hexadecimal digits.
bool IsPublicKeyText(const std::string& key);

enum class SignatureCheck {
    kVerified,     // one of the keys signed exactly these lines
    kUnsigned,     // no signature line
    kMalformed,    // the signature is not 128 hexadecimal digits
    kNotVerified,  // no key signed these lines: tampered, or signed by a key not trusted
};

SignatureCheck VerifyVersionSection(const VersionSection& section,
                                    const std::vector<std::string>& trustedKeys);

// Short English text of a result, for the update log.
const char* SignatureCheckText(SignatureCheck result);

// The keys this program trusts, pinned at build time (at most two, so that a key can be
// rotated). Test programs may add their own before the first check.
std::vector<std::string>& TrustedUpdateKeys();
