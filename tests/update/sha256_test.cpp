// SHA-256 against the published test vectors, fed whole and in pieces, and of files.
#include "app/sha256.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "tests/test_util.h"

TEST(Sha256, PublishedVectors) {
    struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sha256Hex(c.message.data(), c.message.size()), c.digest)
            << c.message.size() << " bytes";
}

// Padding crosses a block boundary at 56 bytes; pieces cross the buffer at every offset.
TEST(Sha256, PiecesGiveTheSameDigestAsTheWhole) {
    std::string data;
    for (int i = 0; i < 300; ++i) data += char(i * 7 + 3);
    for (size_t size : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 300u}) {
        const std::string whole = Sha256Hex(data.data(), size);
        for (size_t piece : {1u, 3u, 63u, 64u, 65u}) {
            Sha256 sha;
            for (size_t at = 0; at < size; at += piece)
                sha.Update(data.data() + at, size - at < piece ? size - at : piece);
            EXPECT_EQ(sha.FinalHex(), whole) << size << " in pieces of " << piece;
        }
    }
    Sha256 reused;
    reused.Update("abc", 3);
    reused.FinalHex();
    EXPECT_EQ(reused.FinalHex(), Sha256Hex("", 0)) << "Final starts afresh";
}

TEST(Sha256, OfFiles) {
    const std::string dir = kovra_test::TempDir("sha256");
    const std::string big(200000, 'x');
    std::ofstream(dir + "/big.bin", std::ios::binary) << big;
    std::string hex = "unchanged";
    ASSERT_TRUE(Sha256OfFile(std::wstring(dir.begin(), dir.end()) + L"/big.bin", hex));
    EXPECT_EQ(hex, Sha256Hex(big.data(), big.size()));

    hex = "unchanged";
    EXPECT_FALSE(Sha256OfFile(std::wstring(dir.begin(), dir.end()) + L"/missing.bin", hex));
    EXPECT_EQ(hex, "unchanged");
}
