#include "cipher/Base64.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace mv::cipher;

TEST(Base64, Rfc4648Vectors)
{
    // RFC 4648 section 10.
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : cases) {
        SCOPED_TRACE(plain);
        EXPECT_EQ(EncodeBase64Text(plain), encoded);
        EXPECT_EQ(DecodeBase64Text(encoded), plain);
    }
}

TEST(Base64, RoundTripsEveryByteValueAndLength)
{
    for (size_t length = 0; length < 70; ++length) {
        const auto bytes = mv::test::PseudoRandomBytes(length, 77 + length);
        const std::string plain(bytes.begin(), bytes.end());
        const std::string text = EncodeBase64Text(plain);
        EXPECT_EQ(text.size(), (length + 2) / 3 * 4);
        EXPECT_EQ(DecodeBase64Text(text), plain);
    }
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(DecodeBase64Text(EncodeBase64Text(all)), all);
}

TEST(Base64, GroupsAndShortInput)
{
    EXPECT_EQ(DecodeBase64Text("QQ==").size(), 1u);
    EXPECT_EQ(DecodeBase64Text("QUI=").size(), 2u);
    EXPECT_EQ(DecodeBase64Text("QUJD").size(), 3u);
    EXPECT_EQ(DecodeBase64Text("QUJ"), "");
    EXPECT_EQ(DecodeBase64Text("QUJDR"), "ABC"); // trailing characters beyond a group are ignored
    char out[4];
    EXPECT_EQ(DecodeBase64("QQ", out, 2), 0);
    EXPECT_EQ(EncodeBase64("", nullptr, 0), 0);
}

TEST(Base64, JoinedTextsDecodeToJoinedBytes)
{
    // Decoding goes on after a padded group.
    EXPECT_EQ(DecodeBase64Text(EncodeBase64Text("f") + EncodeBase64Text("oob")), "foob");
    EXPECT_EQ(DecodeBase64Text(EncodeBase64Text("fo") + EncodeBase64Text("obar")), "foobar");
}
