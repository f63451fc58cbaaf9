#include "cipher/Blowfish.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/blowfish.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>
#include <memory>
#include <new>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::EMV_cipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_blowfish;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(8);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

Bytes CryptoppEncrypt(const Bytes& key, const Bytes& block)
{
    CryptoPP::BlowfishEncryption enc(key.data(), key.size());
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

TEST(Blowfish, KnownAnswerVectors)
{
    TMV_blowfish cipher;
    // 33 vectors with 64-bit keys and 24 with keys of 1 to 24 bytes.
    EXPECT_EQ(mv::test::CheckVectorFile("blowfish.vec", cipher), 57);
}

TEST(Blowfish, SelfTestPasses)
{
    EXPECT_TRUE(TMV_blowfish::RunSelfTest());
}

TEST(Blowfish, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_blowfish>();
    EXPECT_EQ(cipher->Id(), 5);
    EXPECT_EQ(cipher->Algorithm(), "Blowfish");
    EXPECT_EQ(cipher->MaxKeySize(), 448);
    EXPECT_EQ(cipher->BlockSize(), 64);
    EXPECT_EQ(cipher->BlockBytes(), 8);
}

// Every key length both implementations accept (4 to 56 bytes, the 20 bytes of a password key
// among them), random keys and blocks, both directions.
TEST(Blowfish, MatchesCryptoppAtEveryKeyLength)
{
    TMV_blowfish ours;
    for (size_t length = 4; length <= 56; ++length) {
        for (uint64_t trial = 0; trial < 3; ++trial) {
            const uint64_t seed = length * 1000 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes data = PseudoRandomBytes(8 * 8, seed + 500);
            CryptoPP::BlowfishEncryption enc(key.data(), length);
            CryptoPP::BlowfishDecryption dec(key.data(), length);
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

TEST(Blowfish, PasswordKeyIsTheTwentyByteDigest)
{
    const std::string password = "correct horse battery staple";
    uint8_t digest[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(digest, reinterpret_cast<const uint8_t*>(password.data()),
                                     password.size());
    const Bytes key(digest, digest + sizeof digest);
    TMV_blowfish ours;
    ours.SetPassword(password);
    const Bytes block = PseudoRandomBytes(8, 7);
    EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(key, block)));
    // Without a chaining value, the key's own encryption of the zero block starts the chain.
    EXPECT_EQ(ToHex(ours.StartChain(), 8), ToHex(CryptoppEncrypt(key, Bytes(8, 0))));
}

// A key of n bytes is read cyclically, so it must act exactly as the key repeated to any
// multiple of n bytes; this also reaches the lengths below 4 bytes that Crypto++ refuses.
TEST(Blowfish, ShortKeysAreReadCyclically)
{
    struct TCase
    {
        size_t keyBytes, repeatedTo;
    };
    const TCase cases[] = {{1, 4}, {1, 56}, {2, 8}, {3, 12}, {3, 54}, {5, 40}, {20, 40}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.keyBytes) + " bytes as " + std::to_string(c.repeatedTo));
        const Bytes key = PseudoRandomBytes(c.keyBytes, c.keyBytes);
        Bytes repeated;
        while (repeated.size() < c.repeatedTo)
            repeated.insert(repeated.end(), key.begin(), key.end());
        TMV_blowfish ours;
        ours.SetKey(key.data(), static_cast<int32_t>(c.keyBytes * 8));
        const Bytes block = PseudoRandomBytes(8, c.repeatedTo);
        EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(repeated, block)));
    }
}

// Sizes that are not whole bytes use keyBits / 8 bytes; the rest are refused.
TEST(Blowfish, KeySizes)
{
    struct TCase
    {
        int32_t keyBits;
        int32_t actsAs; // 0: refused with "Invalid key size"
    };
    const TCase cases[] = {{12, 8}, {20, 16}, {164, 160}, {444, 440}, {4, 0},
                           {0, 0},  {-8, 0},  {6, 0},     {452, 0},   {1024, 0}};
    const Bytes key = PseudoRandomBytes(128, 99);
    for (const TCase& c : cases) {
        if (c.actsAs == 0) {
            for (const bool wasReady : {false, true}) {
                SCOPED_TRACE(std::to_string(c.keyBits) + (wasReady ? " after a key" : " fresh"));
                TMV_blowfish cipher;
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
                EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
                EXPECT_TRUE(ChainsWiped(cipher));
            }
            continue;
        }
        SCOPED_TRACE(std::to_string(c.keyBits) + " as " + std::to_string(c.actsAs));
        TMV_blowfish a, b;
        a.SetKey(key.data(), c.keyBits);
        b.SetKey(key.data(), c.actsAs);
        EXPECT_TRUE(std::ranges::equal(a.ScheduleBytes(), b.ScheduleBytes()));
        EXPECT_EQ(ToHex(a.StartChain(), 8), ToHex(b.StartChain(), 8));
    }
}

TEST(Blowfish, InitialChainIsTakenAsGiven)
{
    const Bytes key = PseudoRandomBytes(16, 3), chain = PseudoRandomBytes(8, 4);
    TMV_blowfish cipher;
    cipher.SetKey(key.data(), 128, chain.data());
    EXPECT_EQ(ToHex(cipher.StartChain(), 8), ToHex(chain));
    EXPECT_EQ(ToHex(cipher.Chain(), 8), ToHex(chain));
}

TEST(Blowfish, WipeLeavesOnlyTheFillByte)
{
    const Bytes key = PseudoRandomBytes(56, 6);
    TMV_blowfish cipher;
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    cipher.SetKey(key.data(), 448);
    EXPECT_FALSE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    EXPECT_TRUE(ChainsWiped(cipher));
}

// CBC decryption runs the two-block DecryptRawN and block-CFB decryption the two-block
// EncryptRawN, over runs of odd and even length and across their batches of 16 blocks; both
// must agree with chaining single blocks by hand.
TEST(Blowfish, InterleavedBlocksAgreeWithSingleBlocks)
{
    const Bytes key = PseudoRandomBytes(20, 21), chain = PseudoRandomBytes(8, 22);
    TMV_blowfish cipher;
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
