#include "cipher/Rijndael.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/aes.h>
#include <gtest/gtest.h>
#include <memory>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_ciphermode;
using mv::cipher::TMV_rijndael;
using mv::cipher::TRijndaelAesNi;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;
using TPath = TMV_rijndael::TPath;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(16);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

// Crypto++ takes only 16, 24 and 32 bytes: shorter keys are zero-padded to paddedLength first.
Bytes CryptoppEncrypt(Bytes key, size_t paddedLength, const Bytes& block)
{
    key.resize(paddedLength, 0);
    CryptoPP::AES::Encryption enc(key.data(), key.size());
    Bytes out(16);
    enc.ProcessBlock(block.data(), out.data());
    return out;
}

bool AllBytesAre(std::span<const uint8_t> bytes, uint8_t value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](uint8_t b) { return b == value; });
}

std::string PathName(TPath path)
{
    return path == TPath::TableOnly ? "tables" : "automatic";
}

// Every block-level test runs on both implementations; on a processor without AES instructions
// the two are the same and the comparison tests skip.
class RijndaelPaths : public testing::TestWithParam<TPath>
{
};

INSTANTIATE_TEST_SUITE_P(Rijndael, RijndaelPaths,
                         testing::Values(TPath::Automatic, TPath::TableOnly),
                         [](const auto& info) { return PathName(info.param); });

TEST_P(RijndaelPaths, KnownAnswerVectors)
{
    TMV_rijndael cipher(GetParam());
    // FIPS-197 Appendix B and the three vectors of Appendix C.
    EXPECT_EQ(mv::test::CheckVectorFile("rijndael.vec", cipher), 4);
}

// Random keys and blocks at the three AES lengths, both directions.
TEST_P(RijndaelPaths, MatchesCryptoppAtTheAesKeyLengths)
{
    TMV_rijndael ours(GetParam());
    for (const size_t length : {16, 24, 32}) {
        for (uint64_t trial = 0; trial < 8; ++trial) {
            const uint64_t seed = length * 100 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes data = PseudoRandomBytes(16 * 4, seed + 50);
            SCOPED_TRACE("key " + ToHex(key));
            CryptoPP::AES::Encryption enc(key.data(), key.size());
            CryptoPP::AES::Decryption dec(key.data(), key.size());
            ours.SetKey(key.data(), static_cast<int32_t>(length * 8));
            for (size_t i = 0; i < data.size(); i += 16) {
                uint8_t expected[16], got[16];
                enc.ProcessBlock(data.data() + i, expected);
                ours.EncryptBlock(data.data() + i, got);
                EXPECT_EQ(ToHex(got, 16), ToHex(expected, 16));
                dec.ProcessBlock(data.data() + i, expected);
                ours.DecryptBlock(data.data() + i, got);
                EXPECT_EQ(ToHex(got, 16), ToHex(expected, 16));
            }
        }
    }
}

// The variant follows the byte count keyBits / 8 (up to 16 AES-128, up to 24 AES-192, else
// AES-256), missing bytes zero. Crypto++ refuses the 20-byte password key, so it is compared with
// its explicit zero-padded 24-byte form.
TEST_P(RijndaelPaths, KeySizesChooseTheVariantFromTheByteCount)
{
    struct TCase
    {
        int32_t keyBits;
        size_t keyBytesUsed;
        size_t paddedLength;
        int32_t rounds;
    };
    const TCase cases[] = {
        {4, 0, 16, 10},    {8, 1, 16, 10},    {120, 15, 16, 10}, {128, 16, 16, 10},
        {132, 16, 16, 10}, {136, 17, 24, 12}, {160, 20, 24, 12}, {192, 24, 24, 12},
        {196, 24, 24, 12}, {200, 25, 32, 14}, {252, 31, 32, 14}, {256, 32, 32, 14},
    };
    const Bytes key = PseudoRandomBytes(32, 42);
    TMV_rijndael ours(GetParam());
    for (const auto& c : cases) {
        SCOPED_TRACE("keyBits " + std::to_string(c.keyBits));
        const Bytes block = PseudoRandomBytes(16, 1000 + c.keyBits);
        ours.SetKey(key.data(), c.keyBits);
        EXPECT_EQ(ours.Rounds(), c.rounds);
        const Bytes used(key.begin(), key.begin() + static_cast<ptrdiff_t>(c.keyBytesUsed));
        const Bytes expected = CryptoppEncrypt(used, c.paddedLength, block);
        const Bytes got = EncryptOne(ours, block);
        EXPECT_EQ(ToHex(got), ToHex(expected));
        Bytes back(16);
        ours.DecryptBlock(got.data(), back.data());
        EXPECT_EQ(ToHex(back), ToHex(block));
    }
}

TEST_P(RijndaelPaths, InPlaceBlocksRoundTrip)
{
    TMV_rijndael cipher(GetParam());
    const Bytes key = PseudoRandomBytes(24, 5);
    cipher.SetKey(key.data(), 192);
    for (uint64_t seed = 0; seed < 16; ++seed) {
        const Bytes plain = PseudoRandomBytes(16, 100 + seed);
        Bytes block = plain;
        cipher.EncryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(EncryptOne(cipher, plain)));
        cipher.DecryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(plain));
    }
}

TEST(Rijndael, SelfTestPasses)
{
    EXPECT_TRUE(TMV_rijndael::RunSelfTest());
}

TEST(Rijndael, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_rijndael>();
    EXPECT_EQ(cipher->Id(), 9);
    EXPECT_EQ(cipher->Algorithm(), "Rijndael");
    EXPECT_EQ(cipher->MaxKeySize(), 256);
    EXPECT_EQ(cipher->BlockSize(), 128);
    EXPECT_EQ(cipher->BlockBytes(), 16);
}

TEST(Rijndael, AutomaticPathUsesTheProcessorsInstructionsWhenPresent)
{
    EXPECT_EQ(TMV_rijndael().UsesAesNi(), TRijndaelAesNi::Supported());
    EXPECT_FALSE(TMV_rijndael(TPath::TableOnly).UsesAesNi());
}

TEST(Rijndael, RefusedKeySizesLeaveTheObjectWipedAndNotReady)
{
    const Bytes key = PseudoRandomBytes(40, 1);
    for (const int32_t keyBits : {0, -8, 6, 2, 260, 512}) {
        SCOPED_TRACE("keyBits " + std::to_string(keyBits));
        for (const bool keyedBefore : {false, true}) {
            TMV_rijndael cipher;
            if (keyedBefore)
                cipher.SetKey(key.data(), 256);
            try {
                cipher.SetKey(key.data(), keyBits);
                ADD_FAILURE() << "accepted";
            } catch (const mv::platform::Exception& e) {
                EXPECT_EQ(std::string(e.what()), "Invalid key size");
                EXPECT_EQ(dynamic_cast<const EMV_blockcipher*>(&e), nullptr);
            }
            EXPECT_FALSE(cipher.Ready());
            EXPECT_EQ(cipher.Rounds(), 0);
            EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
        }
    }
}

TEST(Rijndael, WipeZeroesBothRoundKeyArrays)
{
    TMV_rijndael cipher;
    EXPECT_EQ(cipher.Rounds(), 0);
    EXPECT_EQ(cipher.ScheduleBytes().size(), 2u * 480u);
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    cipher.SetPassword("secret");
    EXPECT_EQ(cipher.Rounds(), 12);
    EXPECT_FALSE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_EQ(cipher.Rounds(), 0);
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0x00));
    EXPECT_TRUE(AllBytesAre({cipher.Chain(), 16}, 0xFF));
    EXPECT_TRUE(AllBytesAre({cipher.StartChain(), 16}, 0xFF));
}

// The last step of SetKey: the given chaining value, or the encryption of a zero block.
TEST(Rijndael, SetKeyInstallsTheFirstChainingValue)
{
    const Bytes key = PseudoRandomBytes(32, 6);
    const Bytes iv = PseudoRandomBytes(16, 7);
    TMV_rijndael cipher;
    cipher.SetKey(key.data(), 256, iv.data());
    EXPECT_EQ(ToHex(cipher.StartChain(), 16), ToHex(iv));
    EXPECT_EQ(ToHex(cipher.Chain(), 16), ToHex(iv));
    cipher.SetKey(key.data(), 256);
    const Bytes zeroCipher = CryptoppEncrypt(key, 32, Bytes(16, 0));
    EXPECT_EQ(ToHex(cipher.StartChain(), 16), ToHex(zeroCipher));
    EXPECT_EQ(ToHex(cipher.Chain(), 16), ToHex(zeroCipher));
}

// The AES-instruction kernels against the table ones: every mode, both directions, runs of calls
// of odd and even lengths (whole blocks, partial blocks, single bytes, several 8-block batches)
// so the chaining value carries across calls, at every key length.
TEST(Rijndael, InstructionAndTablePathsGiveIdenticalBytes)
{
    if (!TRijndaelAesNi::Supported())
        GTEST_SKIP() << "no AES instructions on this processor";
    const int32_t calls[] = {1, 15, 16, 17, 31, 48, 127, 128, 129, 200, 4096 + 5, 8191, 0, 33};
    size_t total = 0;
    for (const int32_t n : calls)
        total += static_cast<size_t>(n);
    for (const int32_t keyBits : {128, 160, 192, 256}) {
        for (const TMV_ciphermode mode : {mv::cipher::cmCBC, mv::cipher::cmCFB8bit,
                                          mv::cipher::cmCFBblock, mv::cipher::cmOFB}) {
            SCOPED_TRACE("keyBits " + std::to_string(keyBits) + " mode " + std::to_string(mode));
            const Bytes key = PseudoRandomBytes(32, 300 + static_cast<uint64_t>(keyBits));
            const Bytes plain = PseudoRandomBytes(total, 400 + mode);
            TMV_rijndael fast(TPath::Automatic), tables(TPath::TableOnly);
            ASSERT_TRUE(fast.UsesAesNi());
            for (TMV_rijndael* c : {&fast, &tables}) {
                c->SetKey(key.data(), keyBits);
                c->CipherMode = mode;
            }
            // The instruction path in place, the table path from a separate buffer.
            Bytes inPlace = plain, separate(total);
            size_t at = 0;
            for (const int32_t n : calls) {
                fast.EncryptBuffer(inPlace.data() + at, inPlace.data() + at, n);
                tables.EncryptBuffer(plain.data() + at, separate.data() + at, n);
                ASSERT_EQ(ToHex(inPlace.data() + at, static_cast<size_t>(n)),
                          ToHex(separate.data() + at, static_cast<size_t>(n)))
                    << "encrypting at " << at;
                ASSERT_EQ(ToHex(fast.Chain(), 16), ToHex(tables.Chain(), 16));
                at += static_cast<size_t>(n);
            }
            EXPECT_NE(ToHex(inPlace), ToHex(plain));
            fast.RestartChain();
            tables.RestartChain();
            Bytes back(total);
            at = 0;
            for (const int32_t n : calls) {
                fast.DecryptBuffer(inPlace.data() + at, inPlace.data() + at, n);
                tables.DecryptBuffer(separate.data() + at, back.data() + at, n);
                ASSERT_EQ(ToHex(inPlace.data() + at, static_cast<size_t>(n)),
                          ToHex(back.data() + at, static_cast<size_t>(n)))
                    << "decrypting at " << at;
                ASSERT_EQ(ToHex(fast.Chain(), 16), ToHex(tables.Chain(), 16));
                at += static_cast<size_t>(n);
            }
            EXPECT_EQ(ToHex(inPlace), ToHex(plain));
        }
    }
}

} // namespace
