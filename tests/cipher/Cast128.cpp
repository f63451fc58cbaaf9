#include "cipher/Cast128.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/cast.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>
#include <memory>
#include <new>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::EMV_cipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_cast128;
using mv::test::Hex;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(8);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

// Crypto++ takes keys of 5 to 16 bytes and picks 12 rounds up to 10 bytes, as the standard does.
Bytes CryptoppEncrypt(const Bytes& key, const Bytes& block)
{
    CryptoPP::CAST128::Encryption enc(key.data(), key.size());
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

TEST(Cast128, KnownAnswerVectors)
{
    TMV_cast128 cipher;
    EXPECT_EQ(mv::test::CheckVectorFile("cast128.vec", cipher), 3);
}

TEST(Cast128, SelfTestPasses)
{
    EXPECT_TRUE(TMV_cast128::RunSelfTest());
}

// RFC 2144 Appendix B.2: a and b, each two blocks, keyed by each other a million times. Every
// iteration runs both key schedules, so this reaches S5..S8 far beyond the single vectors.
TEST(Cast128, FullMaintenanceTest)
{
    Bytes a = Hex("0123456712345678234567893456789A");
    Bytes b = a;
    TMV_cast128 cipher;
    for (int i = 0; i < 1000000; ++i) {
        cipher.SetKey(b.data(), 128);
        cipher.EncryptBlock(a.data(), a.data());
        cipher.EncryptBlock(a.data() + 8, a.data() + 8);
        cipher.SetKey(a.data(), 128);
        cipher.EncryptBlock(b.data(), b.data());
        cipher.EncryptBlock(b.data() + 8, b.data() + 8);
    }
    EXPECT_EQ(ToHex(a), ToHex(Hex("EEA9D0A249FD3BA6B3436FB89D6DCA92")));
    EXPECT_EQ(ToHex(b), ToHex(Hex("B2C95EB00C31AD7180AC05B8E83D696E")));
}

TEST(Cast128, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_cast128>();
    EXPECT_EQ(cipher->Id(), 7);
    EXPECT_EQ(cipher->Algorithm(), "Cast128");
    EXPECT_EQ(cipher->MaxKeySize(), 128);
    EXPECT_EQ(cipher->BlockSize(), 64);
    EXPECT_EQ(cipher->BlockBytes(), 8);
}

// Every key length both implementations accept (5 to 16 bytes: 12 rounds up to 10 bytes, 16
// from 11), random keys and blocks, both directions.
TEST(Cast128, MatchesCryptoppAtEveryKeyLength)
{
    TMV_cast128 ours;
    for (size_t length = 5; length <= 16; ++length) {
        for (uint64_t trial = 0; trial < 20; ++trial) {
            const uint64_t seed = length * 1000 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes data = PseudoRandomBytes(8 * 8, seed + 500);
            CryptoPP::CAST128::Encryption enc(key.data(), length);
            CryptoPP::CAST128::Decryption dec(key.data(), length);
            ours.SetKey(key.data(), static_cast<int32_t>(length * 8));
            EXPECT_EQ(ours.Rounds(), length <= 10 ? 12 : 16);
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

// The only cipher with a key limit below 160 bits takes the first 16 digest bytes.
TEST(Cast128, PasswordKeyIsTheDigestsFirstSixteenBytes)
{
    const std::string password = "correct horse battery staple";
    uint8_t digest[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(digest, reinterpret_cast<const uint8_t*>(password.data()),
                                     password.size());
    const Bytes key(digest, digest + 16);
    TMV_cast128 ours;
    ours.SetPassword(password);
    EXPECT_EQ(ours.Rounds(), 16);
    const Bytes block = PseudoRandomBytes(8, 7);
    EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(key, block)));
    // Without a chaining value, the key's own encryption of the zero block starts the chain.
    EXPECT_EQ(ToHex(ours.StartChain(), 8), ToHex(CryptoppEncrypt(key, Bytes(8, 0))));
}

// Sizes that are not whole bytes use keyBits / 8 bytes, and that byte count picks the rounds:
// 84 bits is 10 bytes and 12 rounds, 88 bits 11 bytes and 16. 4 bits copies no byte: the
// all-zero key with 12 rounds. The rest are refused.
TEST(Cast128, KeySizes)
{
    struct TCase
    {
        int32_t keyBits;
        int32_t actsAs; // -1: refused with "Invalid key size"
        int32_t rounds;
    };
    const TCase cases[] = {{4, 0, 12},   {12, 8, 12},    {44, 40, 12},   {84, 80, 12}, {88, 88, 16},
                           {92, 88, 16}, {124, 120, 16}, {128, 128, 16}, {0, -1, 0},   {-8, -1, 0},
                           {6, -1, 0},   {132, -1, 0},   {160, -1, 0},   {256, -1, 0}};
    const Bytes key = PseudoRandomBytes(16, 99);
    for (const TCase& c : cases) {
        if (c.actsAs < 0) {
            for (const bool wasReady : {false, true}) {
                SCOPED_TRACE(std::to_string(c.keyBits) + (wasReady ? " after a key" : " fresh"));
                TMV_cast128 cipher;
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
                EXPECT_EQ(cipher.Rounds(), 0);
                EXPECT_TRUE(ChainsWiped(cipher));
            }
            continue;
        }
        SCOPED_TRACE(std::to_string(c.keyBits) + " as " + std::to_string(c.actsAs));
        TMV_cast128 cipher;
        cipher.SetKey(key.data(), c.keyBits);
        EXPECT_EQ(cipher.Rounds(), c.rounds);
        // Crypto++ refuses keys under 5 bytes; zero bytes appended up to 5 change neither the
        // padded key nor its 12 rounds.
        Bytes used(key.begin(), key.begin() + c.actsAs / 8);
        if (used.size() < 5)
            used.resize(5, 0);
        const Bytes block = PseudoRandomBytes(8, static_cast<uint64_t>(c.keyBits));
        EXPECT_EQ(ToHex(EncryptOne(cipher, block)), ToHex(CryptoppEncrypt(used, block)));
    }
}

TEST(Cast128, InitialChainIsTakenAsGiven)
{
    const Bytes key = PseudoRandomBytes(16, 3), chain = PseudoRandomBytes(8, 4);
    TMV_cast128 cipher;
    cipher.SetKey(key.data(), 128, chain.data());
    EXPECT_EQ(ToHex(cipher.StartChain(), 8), ToHex(chain));
    EXPECT_EQ(ToHex(cipher.Chain(), 8), ToHex(chain));
}

TEST(Cast128, InPlaceBlocks)
{
    for (const int32_t keyBits : {80, 128}) {
        SCOPED_TRACE(keyBits);
        const Bytes key = PseudoRandomBytes(16, 11), plain = PseudoRandomBytes(8, 12);
        TMV_cast128 cipher;
        cipher.SetKey(key.data(), keyBits);
        Bytes apart(8), buffer = plain;
        cipher.EncryptBlock(plain.data(), apart.data());
        cipher.EncryptBlock(buffer.data(), buffer.data());
        EXPECT_EQ(ToHex(buffer), ToHex(apart));
        cipher.DecryptBlock(buffer.data(), buffer.data());
        EXPECT_EQ(ToHex(buffer), ToHex(plain));
    }
}

TEST(Cast128, WipeLeavesOnlyTheFillByte)
{
    const Bytes key = PseudoRandomBytes(16, 6);
    TMV_cast128 cipher;
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    EXPECT_EQ(cipher.Rounds(), 0);
    cipher.SetKey(key.data(), 128);
    EXPECT_FALSE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_EQ(cipher.ScheduleBytes().size(), 128u);
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    EXPECT_EQ(cipher.Rounds(), 0);
    EXPECT_TRUE(ChainsWiped(cipher));
}

// CBC decryption runs the two-block DecryptRawN and block-CFB decryption the two-block
// EncryptRawN, over runs of odd and even length and across their batches of 16 blocks, with
// 12 and 16 rounds; both must agree with chaining single blocks by hand.
TEST(Cast128, InterleavedBlocksAgreeWithSingleBlocks)
{
    for (const int32_t keyBits : {80, 128}) {
        const Bytes key = PseudoRandomBytes(16, 21), chain = PseudoRandomBytes(8, 22);
        TMV_cast128 cipher;
        cipher.SetKey(key.data(), keyBits, chain.data());
        for (const size_t blocks : {1, 2, 3, 4, 5, 15, 16, 17, 33}) {
            SCOPED_TRACE(std::to_string(keyBits) + " bits, " + std::to_string(blocks) + " blocks");
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
            cipher.CfbBlockDecrypt(buffer.data(), buffer.data(),
                                   static_cast<int32_t>(buffer.size()));
            EXPECT_EQ(ToHex(buffer), ToHex(cfb));
        }
    }
}

} // namespace
