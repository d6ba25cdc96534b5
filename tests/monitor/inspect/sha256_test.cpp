// SHA-256 through the platform's implementation (our own code, or CNG under Wine).
#include "monitor/inspect/sha256.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(Sha256, KnownVectorsAndFilesInBlocks) {
    EXPECT_EQ(monitor::Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(monitor::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(monitor::Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Padding at the block boundaries: 55, 56 and 64 bytes.
    EXPECT_EQ(monitor::Sha256Hex(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(monitor::Sha256Hex(std::string(56, 'a')),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(monitor::Sha256Hex(std::string(64, 'a')),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    EXPECT_EQ(monitor::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

    // A million 'a': the standard long vector, read across a block border.
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.path() / "a.bin", std::string(1000000, 'a') + std::string(100000, 'b'));
    testsupport::WriteBytes(dir.path() / "m.bin", std::string(1000000, 'a'));
    int blocks = 0;
    const auto digest = monitor::FileSha256((dir.path() / "m.bin").string(), [&] { ++blocks; });
    ASSERT_TRUE(digest);
    EXPECT_EQ(*digest, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(blocks, 0); // smaller than one block
    const auto longer = monitor::FileSha256((dir.path() / "a.bin").string(), [&] { ++blocks; });
    ASSERT_TRUE(longer);
    EXPECT_EQ(*longer, monitor::Sha256Hex(std::string(1000000, 'a') + std::string(100000, 'b')));
    EXPECT_EQ(blocks, 1);

    const auto missing = monitor::FileSha256((dir.path() / "none.bin").string());
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.Error().Text.find("none.bin"), std::string::npos);
    EXPECT_NE(missing.Error().Number, 0) << "the platform's error code";
}

} // namespace
