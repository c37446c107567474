// Decimal reading, byte widening and UTF-8 conversion.
#include <gtest/gtest.h>

#include <cmath>

#include "base/file_io.h"
#include "base/text.h"

namespace {

TEST(Text, DecimalRealReadsTheLongestNumberPrefix) {
    struct {
        const wchar_t* text;
        double value;
    } cases[] = {
        {L"55.755814", 55.755814}, {L"  -12.5", -12.5}, {L"+3", 3},      {L"1e3", 1000},
        {L"1E-2x", 0.01},          {L"2e", 2},          {L"2e+", 2},    {L".5", 0.5},
        {L"5.", 5},                {L"abc", 0},         {L"", 0},       {L"-", 0},
        {L".", 0},                 {L"- 5", 0},         {L"0x10", 0},   {L"inf", 0},
        {L"nan", 0},               {L"1,5", 1},         {L"\t\r\n7", 7}, {L"12abc34", 12},
    };
    for (const auto& t : cases) EXPECT_EQ(kovra::ParseDecimalReal(t.text), t.value) << kovra::ToUtf8(t.text);
    EXPECT_TRUE(std::isinf(kovra::ParseDecimalReal(L"1e999")));
}

TEST(Text, DecimalIntClampsAndStopsAtTheFirstOtherCharacter) {
    struct {
        const wchar_t* text;
        int32_t value;
    } cases[] = {
        {L"42", 42},
        {L"  -7km", -7},
        {L"+0", 0},
        {L"3.9", 3},
        {L"abc", 0},
        {L"", 0},
        {L"2147483647", INT32_MAX},
        {L"2147483648", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"-99999999999999999999999", INT32_MIN},
        {L"99999999999999999999999", INT32_MAX},
    };
    for (const auto& t : cases) EXPECT_EQ(kovra::ParseDecimalInt(t.text), t.value) << kovra::ToUtf8(t.text);
}

TEST(Text, BytesWidenOneToOneAndNarrowBack) {
    const char raw[] = {'A', char(0x80), char(0xFF), 0, 'z'};
    std::wstring w = kovra::WidenBytes(raw, sizeof raw);
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(w[1], wchar_t(0x80));
    EXPECT_EQ(w[2], wchar_t(0xFF));
    EXPECT_EQ(w[3], wchar_t(0));
    size_t replaced = 99;
    EXPECT_EQ(kovra::NarrowToBytes(w, &replaced), std::string(raw, sizeof raw));
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(kovra::NarrowToBytes(L"a\u0416b", &replaced), "a?b");
    EXPECT_EQ(replaced, 1u);
}

TEST(Text, Utf8RoundTrip) {
    const std::wstring w = L"Kovra \u00e9\u0416\u20ac";
    EXPECT_EQ(kovra::ToUtf8(w), "Kovra \xc3\xa9\xd0\x96\xe2\x82\xac");
    EXPECT_EQ(kovra::FromUtf8(kovra::ToUtf8(w)), w);
    EXPECT_EQ(kovra::FromUtf8("\xff" "a"), std::wstring(L"\ufffd" L"a"));
    EXPECT_EQ(kovra::FromUtf8("\xe2\x82"), std::wstring(L"\ufffd"));
}

TEST(Text, FormatUsesAPointAndGrows) {
    EXPECT_EQ(kovra::Format("%10.6lf", 55.755814), " 55.755814");
    EXPECT_EQ(kovra::Format("%f", -0.5), "-0.500000");
    std::string big = kovra::Format("%0300d", 1);
    EXPECT_EQ(big.size(), 300u);
    EXPECT_EQ(big.back(), '1');
}

}  // namespace
