#include "cipher/Sha1.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <cryptopp/sha.h>
#include <gtest/gtest.h>

using namespace mv::cipher;
using mv::test::ToHex;

namespace {

std::string Digest(const std::vector<uint8_t>& message, size_t split,
                   TMV_sha1::TPath path = TMV_sha1::TPath::Automatic)
{
    TMV_sha1 hash(path);
    hash.Start();
    const size_t first = std::min(split, message.size());
    hash.AddBytes(message.data(), static_cast<int32_t>(first));
    hash.AddBytes(message.data() + first, static_cast<int32_t>(message.size() - first));
    uint8_t digest[20];
    hash.Finish(digest);
    return ToHex(digest, 20);
}

std::string OracleDigest(const std::vector<uint8_t>& message)
{
    uint8_t digest[20];
    CryptoPP::SHA1().CalculateDigest(digest, message.data(), message.size());
    return ToHex(digest, 20);
}

} // namespace

TEST(Sha1, KnownAnswerFile)
{
    TMV_sha1 hash;
    EXPECT_EQ(mv::test::CheckHashVectorFile("sha1.vec", hash), 5);
}

TEST(Sha1, SelfTestPasses)
{
    EXPECT_TRUE(TMV_sha1::RunSelfTest());
}

TEST(Sha1, ClassConstants)
{
    TMV_sha1 hash;
    EXPECT_EQ(hash.AlgorithmId(), 2);
    EXPECT_EQ(hash.AlgorithmName(), "SHA1");
    EXPECT_EQ(hash.DigestBits(), 160);
}

// Every length around the padding boundaries (55/56/64 bytes and their multiples), each cut
// at several places, against an independent implementation.
TEST(Sha1, AgreesWithOracleAcrossPaddingBoundaries)
{
    for (size_t length = 0; length <= 200; ++length) {
        const auto message = mv::test::PseudoRandomBytes(length, length);
        const std::string expected = OracleDigest(message);
        for (size_t split : {size_t{0}, size_t{1}, length / 2, size_t{63}, size_t{64}, length}) {
            SCOPED_TRACE("length " + std::to_string(length) + " split " + std::to_string(split));
            EXPECT_EQ(Digest(message, split), expected);
        }
    }
}

// Both compressions (the SHA instructions where the processor has them, and the portable rounds)
// against the oracle: every length around the padding boundaries, and long runs of many blocks
// given in pieces that do not fall on block boundaries.
class Sha1Paths : public testing::TestWithParam<TMV_sha1::TPath>
{
};

INSTANTIATE_TEST_SUITE_P(BothCompressions, Sha1Paths,
                         testing::Values(TMV_sha1::TPath::Automatic, TMV_sha1::TPath::Portable));

TEST_P(Sha1Paths, AgreeWithTheOracle)
{
    for (size_t length = 0; length <= 200; ++length) {
        const auto message = mv::test::PseudoRandomBytes(length, length + 1000);
        for (size_t split : {size_t{0}, size_t{1}, length / 2, size_t{64}, length})
            EXPECT_EQ(Digest(message, split, GetParam()), OracleDigest(message))
                << length << " split " << split;
    }
    for (size_t length : {size_t{4096}, size_t{100003}, size_t{1} << 20}) {
        const auto message = mv::test::PseudoRandomBytes(length, length);
        TMV_sha1 hash(GetParam());
        hash.Start();
        for (size_t done = 0, piece = 1; done < length; done += piece, piece = piece * 3 + 7) {
            piece = std::min(piece, length - done);
            hash.AddBytes(message.data() + done, static_cast<int32_t>(piece));
        }
        uint8_t digest[20];
        hash.Finish(digest);
        EXPECT_EQ(ToHex(digest, 20), OracleDigest(message)) << length;
    }
}

TEST(Sha1, ThreeCallsEqualOne)
{
    TMV_sha1 hash;
    hash.Start();
    hash.AddString("a");
    hash.AddString("b");
    hash.AddString("");
    hash.AddString("c");
    uint8_t digest[20];
    hash.Finish(digest);
    EXPECT_EQ(ToHex(digest, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, NotReadyRaises)
{
    TMV_sha1 hash;
    uint8_t digest[20] = {};
    EXPECT_FALSE(hash.Ready());
    try {
        hash.AddBytes("x", 1);
        FAIL() << "AddBytes before Start must raise";
    } catch (const EMV_hash& e) {
        EXPECT_STREQ(e.what(), "Hash not initialized");
    }
    hash.Start();
    EXPECT_TRUE(hash.Ready());
    hash.Finish(digest);
    EXPECT_FALSE(hash.Ready());
    EXPECT_THROW(hash.AddBytes("x", 1), EMV_hash);
    EXPECT_THROW(hash.Finish(digest), EMV_hash);
    // Started again, the object digests afresh.
    hash.Start();
    hash.AddString("abc");
    hash.Finish(digest);
    EXPECT_EQ(ToHex(digest, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, StartDiscardsDigestInProgress)
{
    TMV_sha1 hash;
    hash.Start();
    hash.AddString("something else entirely");
    hash.Start();
    hash.AddString("abc");
    uint8_t digest[20];
    hash.Finish(digest);
    EXPECT_EQ(ToHex(digest, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}
