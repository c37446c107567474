// XML escaping with UTF-8 repair.
#include "exchange/xml_text.h"

#include <cstdint>

namespace exchange {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at p (at most n bytes there) and its code
// point; 0 when the bytes are not one.
size_t DecodeUtf8(const unsigned char* p, size_t n, uint32_t* cp) {
    const unsigned char c = p[0];
    size_t len;
    uint32_t min;
    if (c < 0x80) {
        *cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, min = 0x80, *cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, min = 0x800, *cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, *cp = c & 0x07;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        *cp = *cp << 6 | (p[i] & 0x3F);
    }
    if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp < 0xE000)) return 0;
    return len;
}

bool XmlAllows(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp != 0xFFFE && cp != 0xFFFF);
}

}  // namespace

void AppendXmlText(std::string& out, const std::string& utf8) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(p + i, n - i, &cp);
        if (len == 0 || !XmlAllows(cp)) {
            out += kReplacement;
            i += len ? len : 1;
            continue;
        }
        switch (cp) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out.append(utf8, i, len);
                break;
        }
        i += len;
    }
}

std::string XmlText(const std::string& utf8) {
    std::string out;
    AppendXmlText(out, utf8);
    return out;
}

}  // namespace exchange
