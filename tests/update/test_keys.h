// The public halves of tests/update/test_key.pem and test_key2.pem (tools/sign-version
// --public), which only test programs trust.
#pragma once

namespace update_test {

inline constexpr char kTestKey[] =
    "674c478de66984babc05c9410064b6830fc6e11626ec081cd47c0858ff1f2289"
    "c61d63b13e8fc1831bc777b4d806baaa23d3b1ba780d19224104818678d8d223";
inline constexpr char kTestKey2[] =
    "568571bbb570a6e30f6ccc5ebefe36fc0b558eaef0776ebb2d327cd516a28650"
    "09ade2ee74c5175893be61a29cb58625fb112bfd9b1d285e033b4d633c432834";

}  // namespace update_test
