#include "cipher/RC2.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/rc2.h>
#include <cryptopp/sha.h>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <new>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::EMV_cipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_rc2;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

// This RC2 always expands its key with the effective key length 1024 bits.
constexpr int EffectiveBits = 1024;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(8);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

Bytes CryptoppEncrypt(const Bytes& key, const Bytes& block)
{
    CryptoPP::RC2::Encryption enc(key.data(), key.size(), EffectiveBits);
    Bytes out(8);
    enc.ProcessBlock(block.data(), out.data());
    return out;
}

bool AllBytesAre(std::span<const uint8_t> bytes, uint8_t value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](uint8_t b) { return b == value; });
}

bool ChainsWiped(const TMV_blockcipher& cipher)
{
    const auto n = static_cast<size_t>(cipher.BlockBytes());
    return AllBytesAre({cipher.Chain(), n}, 0xFF) && AllBytesAre({cipher.StartChain(), n}, 0xFF);
}

TEST(RC2, KnownAnswerVectors)
{
    TMV_rc2 cipher;
    EXPECT_EQ(mv::test::CheckVectorFile("rc2.vec", cipher), 10);
}

TEST(RC2, SelfTestPasses)
{
    EXPECT_TRUE(TMV_rc2::RunSelfTest());
}

TEST(RC2, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_rc2>();
    EXPECT_EQ(cipher->Id(), 1);
    EXPECT_EQ(cipher->Algorithm(), "RC2");
    EXPECT_EQ(cipher->MaxKeySize(), 1024);
    EXPECT_EQ(cipher->BlockSize(), 64);
    EXPECT_EQ(cipher->BlockBytes(), 8);
}

// Every key length both accept (1 to 128 bytes, the 20 bytes of a password key among them),
// random keys and blocks, both directions. The key schedule runs every key byte and every
// expanded byte through PITABLE, so these keys reach all of its entries.
TEST(RC2, MatchesCryptoppAtEveryKeyLength)
{
    TMV_rc2 ours;
    for (size_t length = 1; length <= 128; ++length) {
        for (uint64_t trial = 0; trial < 3; ++trial) {
            const uint64_t seed = length * 1000 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes data = PseudoRandomBytes(8 * 8, seed + 500);
            CryptoPP::RC2::Encryption enc(key.data(), length, EffectiveBits);
            CryptoPP::RC2::Decryption dec(key.data(), length, EffectiveBits);
            ours.SetKey(key.data(), static_cast<int32_t>(length * 8));
            for (size_t at = 0; at < data.size(); at += 8) {
                SCOPED_TRACE("key " + ToHex(key) + " block " + std::to_string(at / 8));
                uint8_t expected[8], actual[8];
                enc.ProcessBlock(data.data() + at, expected);
                ours.EncryptBlock(data.data() + at, actual);
                EXPECT_EQ(ToHex(actual, 8), ToHex(expected, 8));
                dec.ProcessBlock(data.data() + at, expected);
                ours.DecryptBlock(data.data() + at, actual);
                EXPECT_EQ(ToHex(actual, 8), ToHex(expected, 8));
            }
        }
    }
}

TEST(RC2, PasswordKeyIsTheTwentyByteDigest)
{
    const std::string password = "correct horse battery staple";
    uint8_t digest[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(digest, reinterpret_cast<const uint8_t*>(password.data()),
                                     password.size());
    const Bytes key(digest, digest + sizeof digest);
    TMV_rc2 ours;
    ours.SetPassword(password);
    const Bytes block = PseudoRandomBytes(8, 7);
    EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(key, block)));
    // Without a chaining value, the key's own encryption of the zero block starts the chain.
    EXPECT_EQ(ToHex(ours.StartChain(), 8), ToHex(CryptoppEncrypt(key, Bytes(8, 0))));
}

// The effective key length stays 1024 bits whatever the key's length: the same keys give other
// blocks at the RFC's usual effective lengths.
TEST(RC2, EffectiveKeyLengthIsAlways1024)
{
    const Bytes key = PseudoRandomBytes(16, 31), block = PseudoRandomBytes(8, 32);
    TMV_rc2 ours;
    ours.SetKey(key.data(), 128);
    const Bytes actual = EncryptOne(ours, block);
    for (const int effective : {64, 128, 1023}) {
        CryptoPP::RC2::Encryption other(key.data(), key.size(), effective);
        Bytes out(8);
        other.ProcessBlock(block.data(), out.data());
        EXPECT_NE(ToHex(actual), ToHex(out)) << "effective length " << effective;
    }
}

// Sizes that are not whole bytes use keyBits / 8 bytes; the rest are refused.
TEST(RC2, KeySizes)
{
    struct TCase
    {
        int32_t keyBits;
        int32_t actsAs; // 0: refused with "Invalid key size"
    };
    const TCase cases[] = {{12, 8}, {20, 16}, {164, 160}, {1020, 1016}, {4, 0},
                           {0, 0},  {-8, 0},  {6, 0},     {1028, 0},    {2048, 0}};
    const Bytes key = PseudoRandomBytes(256, 99);
    for (const TCase& c : cases) {
        if (c.actsAs == 0) {
            for (const bool wasReady : {false, true}) {
                SCOPED_TRACE(std::to_string(c.keyBits) + (wasReady ? " after a key" : " fresh"));
                TMV_rc2 cipher;
                if (wasReady)
                    cipher.SetKey(key.data(), 128);
                try {
                    cipher.SetKey(key.data(), c.keyBits);
                    ADD_FAILURE() << "accepted";
                } catch (const mv::platform::Exception& e) {
                    EXPECT_STREQ(e.what(), "Invalid key size");
                    // The platform's own class, not a cipher error.
                    EXPECT_EQ(dynamic_cast<const EMV_cipher*>(&e), nullptr);
                }
                EXPECT_FALSE(cipher.Ready());
                EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
                EXPECT_TRUE(ChainsWiped(cipher));
            }
            continue;
        }
        SCOPED_TRACE(std::to_string(c.keyBits) + " as " + std::to_string(c.actsAs));
        TMV_rc2 a, b;
        a.SetKey(key.data(), c.keyBits);
        b.SetKey(key.data(), c.actsAs);
        EXPECT_TRUE(std::ranges::equal(a.ScheduleBytes(), b.ScheduleBytes()));
        EXPECT_EQ(ToHex(a.StartChain(), 8), ToHex(b.StartChain(), 8));
    }
}

// With a 128-byte key nothing is expanded: the schedule is the key itself, except that its first
// byte has passed through PITABLE (whose entry 0 is 0xD9).
TEST(RC2, FullLengthKeyReplacesOnlyTheFirstByte)
{
    Bytes key = PseudoRandomBytes(128, 41);
    key[0] = 0x00;
    TMV_rc2 cipher;
    cipher.SetKey(key.data(), 1024);
    Bytes expected = key;
    expected[0] = 0xD9;
    const auto schedule = cipher.ScheduleBytes();
    // The words are little-endian: byte 2i is the low byte of K[i], as the bytes of L.
    Bytes actual(128);
    for (size_t i = 0; i < 64; ++i) {
        uint16_t word;
        std::memcpy(&word, schedule.data() + 2 * i, 2);
        actual[2 * i] = static_cast<uint8_t>(word);
        actual[2 * i + 1] = static_cast<uint8_t>(word >> 8);
    }
    EXPECT_EQ(ToHex(actual), ToHex(expected));
}

TEST(RC2, WipeLeavesOnlyTheFillByte)
{
    const Bytes key = PseudoRandomBytes(128, 6);
    TMV_rc2 cipher;
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    cipher.SetKey(key.data(), 1024);
    EXPECT_FALSE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    EXPECT_TRUE(ChainsWiped(cipher));
}

// CBC decryption runs the two-block DecryptRawN and block-CFB decryption the two-block
// EncryptRawN, over runs of odd and even length and across their batches of 16 blocks; both
// must agree with chaining single blocks by hand.
TEST(RC2, InterleavedBlocksAgreeWithSingleBlocks)
{
    const Bytes key = PseudoRandomBytes(20, 21), chain = PseudoRandomBytes(8, 22);
    TMV_rc2 cipher;
    cipher.SetKey(key.data(), 160, chain.data());
    for (const size_t blocks : {1, 2, 3, 4, 5, 15, 16, 17, 33}) {
        SCOPED_TRACE(std::to_string(blocks) + " blocks");
        const Bytes data = PseudoRandomBytes(blocks * 8, blocks);
        Bytes cbc(data.size()), cfb(data.size());
        Bytes prev = chain, stream(8);
        for (size_t at = 0; at < data.size(); at += 8) {
            cipher.DecryptBlock(data.data() + at, cbc.data() + at);
            cipher.EncryptBlock(prev.data(), stream.data());
            for (size_t i = 0; i < 8; ++i) {
                cbc[at + i] ^= prev[i];
                cfb[at + i] = static_cast<uint8_t>(data[at + i] ^ stream[i]);
            }
            prev.assign(data.data() + at, data.data() + at + 8);
        }
        Bytes buffer = data;
        cipher.RestartChain();
        cipher.CbcDecrypt(buffer.data(), buffer.data(), static_cast<int32_t>(buffer.size()));
        EXPECT_EQ(ToHex(buffer), ToHex(cbc));
        buffer = data;
        cipher.RestartChain();
        cipher.CfbBlockDecrypt(buffer.data(), buffer.data(), static_cast<int32_t>(buffer.size()));
        EXPECT_EQ(ToHex(buffer), ToHex(cfb));
    }
}

} // namespace
