#include "cipher/Gost.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/gost.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>
#include <memory>
#include <new>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::EMV_cipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_gost;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(8);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

// Crypto++ takes only 256-bit keys; a shorter key of ours is that key with zero bytes after it.
Bytes Padded(const Bytes& key)
{
    Bytes full(32, 0);
    std::copy(key.begin(), key.end(), full.begin());
    return full;
}

Bytes CryptoppEncrypt(const Bytes& key, const Bytes& block)
{
    const Bytes full = Padded(key);
    CryptoPP::GOST::Encryption enc(full.data(), full.size());
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

TEST(Gost, KnownAnswerVectors)
{
    TMV_gost cipher;
    // Ten 256-bit keys and the short keys of 160, 128, 8 and 12 bits.
    EXPECT_EQ(mv::test::CheckVectorFile("gost.vec", cipher), 14);
}

TEST(Gost, SelfTestPasses)
{
    EXPECT_TRUE(TMV_gost::RunSelfTest());
}

TEST(Gost, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_gost>();
    EXPECT_EQ(cipher->Id(), 8);
    EXPECT_EQ(cipher->Algorithm(), "Gost");
    EXPECT_EQ(cipher->MaxKeySize(), 256);
    EXPECT_EQ(cipher->BlockSize(), 64);
    EXPECT_EQ(cipher->BlockBytes(), 8);
}

// Crypto++'s GOST has the same S-boxes (those of the GOST R 34.11-94 test parameters), reads
// key and block words little-endian and writes N2 before N1, so it must agree block for block:
// at 256 bits directly, and at every shorter whole-byte size (the 160 bits of a password key
// among them) through the zero padding.
TEST(Gost, MatchesCryptoppAtEveryKeyLength)
{
    TMV_gost ours;
    for (size_t length = 1; length <= 32; ++length) {
        for (uint64_t trial = 0; trial < (length == 32 ? 40u : 2u); ++trial) {
            const uint64_t seed = length * 1000 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes full = Padded(key);
            const Bytes data = PseudoRandomBytes(8 * 8, seed + 500);
            CryptoPP::GOST::Encryption enc(full.data(), full.size());
            CryptoPP::GOST::Decryption dec(full.data(), full.size());
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

TEST(Gost, PasswordKeyFillsFiveKeyWords)
{
    const std::string password = "correct horse battery staple";
    uint8_t digest[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(digest, reinterpret_cast<const uint8_t*>(password.data()),
                                     password.size());
    const Bytes key(digest, digest + sizeof digest);
    TMV_gost ours;
    ours.SetPassword(password);
    // K0..K4 are the digest as it stands (little-endian words), K5..K7 zero.
    const auto schedule = ours.ScheduleBytes();
    EXPECT_EQ(ToHex(schedule.data(), 20), ToHex(key));
    EXPECT_TRUE(AllBytesAre(schedule.subspan(20), 0x00));
    const Bytes block = PseudoRandomBytes(8, 7);
    EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(key, block)));
    // Without a chaining value, the key's own encryption of the zero block starts the chain.
    EXPECT_EQ(ToHex(ours.StartChain(), 8), ToHex(CryptoppEncrypt(key, Bytes(8, 0))));
}

// Sizes that are not whole bytes use keyBits / 8 bytes (4 bits: none, the all-zero key); the
// rest are refused.
TEST(Gost, KeySizes)
{
    struct TCase
    {
        int32_t keyBits;
        int32_t actsAs; // -1: refused with "Invalid key size"
    };
    const TCase cases[] = {{4, 0},   {12, 8}, {20, 16},  {164, 160}, {252, 248}, {0, -1},
                           {-8, -1}, {6, -1}, {260, -1}, {264, -1},  {1024, -1}};
    const Bytes key = PseudoRandomBytes(128, 99);
    for (const TCase& c : cases) {
        if (c.actsAs < 0) {
            for (const bool wasReady : {false, true}) {
                SCOPED_TRACE(std::to_string(c.keyBits) + (wasReady ? " after a key" : " fresh"));
                TMV_gost cipher;
                if (wasReady)
                    cipher.SetKey(key.data(), 256);
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
        TMV_gost cipher;
        cipher.SetKey(key.data(), c.keyBits);
        const Bytes used(key.begin(), key.begin() + c.actsAs / 8);
        // The used bytes in place, zero bytes after them.
        EXPECT_EQ(ToHex(cipher.ScheduleBytes().data(), 32), ToHex(Padded(used)));
        const Bytes block = PseudoRandomBytes(8, static_cast<uint64_t>(c.keyBits));
        EXPECT_EQ(ToHex(EncryptOne(cipher, block)), ToHex(CryptoppEncrypt(used, block)));
    }
}

TEST(Gost, InitialChainIsTakenAsGiven)
{
    const Bytes key = PseudoRandomBytes(32, 3), chain = PseudoRandomBytes(8, 4);
    TMV_gost cipher;
    cipher.SetKey(key.data(), 256, chain.data());
    EXPECT_EQ(ToHex(cipher.StartChain(), 8), ToHex(chain));
    EXPECT_EQ(ToHex(cipher.Chain(), 8), ToHex(chain));
}

TEST(Gost, WipeLeavesOnlyZeroBytes)
{
    const Bytes key = PseudoRandomBytes(32, 6);
    TMV_gost cipher;
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    cipher.SetKey(key.data(), 256);
    EXPECT_EQ(ToHex(cipher.ScheduleBytes().data(), 32), ToHex(key));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    EXPECT_TRUE(ChainsWiped(cipher));
}

// CBC decryption runs the two-block DecryptRawN and block-CFB decryption the two-block
// EncryptRawN, over runs of odd and even length and across their batches of 16 blocks; both
// must agree with chaining single blocks by hand.
TEST(Gost, InterleavedBlocksAgreeWithSingleBlocks)
{
    const Bytes key = PseudoRandomBytes(32, 21), chain = PseudoRandomBytes(8, 22);
    TMV_gost cipher;
    cipher.SetKey(key.data(), 256, chain.data());
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
