// Text helpers shared by every module: byte widening, printf-style formatting, decimal reading.
#pragma once

#include <cstdint>
#include <string>

namespace kovra {

// 8-bit text to wide text, one code unit per byte of the same value (no code page).
std::wstring WidenBytes(const char* p, size_t n);
inline std::wstring WidenBytes(const std::string& s) { return WidenBytes(s.data(), s.size()); }

// Wide text to 8-bit text, each code unit below 256 as the byte of the same value; any other
// unit becomes '?'. Returns how many units had to be replaced through *replaced.
std::string NarrowToBytes(const std::wstring& s, size_t* replaced = nullptr);

// printf into a std::string; the C locale's decimal point is used on every platform.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Decimal reading as the C library's conversions do it: leading white space, an optional
// sign, digits; reading stops at the first other character and no digits gives 0.
// The real form also takes a decimal point, more digits and an exponent. Integers beyond
// the 32-bit range are clamped to it.
double ParseDecimalReal(const std::wstring& text);
int32_t ParseDecimalInt(const std::wstring& text);

}  // namespace kovra
