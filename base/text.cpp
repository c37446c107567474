// Text helpers: widening, formatting and locale-free decimal reading.
#include "base/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwctype>

namespace kovra {

std::wstring WidenBytes(const char* p, size_t n) {
    std::wstring out(n, L'\0');
    for (size_t i = 0; i < n; ++i) out[i] = wchar_t(uint8_t(p[i]));
    return out;
}

std::string NarrowToBytes(const std::wstring& s, size_t* replaced) {
    std::string out(s.size(), '\0');
    size_t bad = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = uint32_t(s[i]);
        if (c < 256) {
            out[i] = char(c);
        } else {
            out[i] = '?';
            ++bad;
        }
    }
    if (replaced) *replaced = bad;
    return out;
}

std::string Format(const char* fmt, ...) {
    char stackBuf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(stackBuf, sizeof stackBuf, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    if (size_t(n) < sizeof stackBuf) return std::string(stackBuf, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(&out[0], out.size(), fmt, ap);
    va_end(ap);
    out.resize(size_t(n));
    return out;
}

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

double ParseDecimalReal(const std::wstring& text) {
    // Collect the longest prefix that is a decimal number, then let strtod convert that
    // ASCII copy: the result is correctly rounded and independent of hex, "inf" or "nan"
    // forms, which a partner field never means.
    size_t i = 0, n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    std::string num;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) num += char(text[i++]);
    size_t digits = 0;
    while (i < n && IsDigit(text[i])) num += char(text[i++]), ++digits;
    if (i < n && text[i] == L'.') {
        num += '.';
        ++i;
        while (i < n && IsDigit(text[i])) num += char(text[i++]), ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < n && (text[i] == L'e' || text[i] == L'E')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < n && (text[j] == L'+' || text[j] == L'-')) exp += char(text[j++]);
        if (j < n && IsDigit(text[j])) {
            while (j < n && IsDigit(text[j])) exp += char(text[j++]);
            num += exp;
        }
    }
    return std::strtod(num.c_str(), nullptr);
}

int32_t ParseDecimalInt(const std::wstring& text) {
    size_t i = 0, n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t v = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;  // saturate, keep reading
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return int32_t(v);
}

}  // namespace kovra
