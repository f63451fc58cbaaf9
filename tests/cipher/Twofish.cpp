#include "cipher/Twofish.h"

#include "tests/support/TestSupport.h"
#include "tests/support/Vectors.h"

#include <algorithm>
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>
#include <memory>

namespace {

using mv::cipher::EMV_blockcipher;
using mv::cipher::TMV_blockcipher;
using mv::cipher::TMV_twofish;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

Bytes EncryptOne(TMV_blockcipher& cipher, const Bytes& block)
{
    Bytes out(16);
    cipher.EncryptBlock(block.data(), out.data());
    return out;
}

// Crypto++ takes only the defined lengths 16, 24 and 32: shorter keys are zero-padded to
// paddedLength first.
Bytes CryptoppEncrypt(Bytes key, size_t paddedLength, const Bytes& block)
{
    key.resize(paddedLength, 0);
    CryptoPP::Twofish::Encryption enc(key.data(), key.size());
    Bytes out(16);
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

TEST(Twofish, KnownAnswerVectors)
{
    TMV_twofish cipher;
    // Three intermediate-value vectors and four rows of the chained table per key length.
    EXPECT_EQ(mv::test::CheckVectorFile("twofish.vec", cipher), 15);
}

TEST(Twofish, SelfTestPasses)
{
    EXPECT_TRUE(TMV_twofish::RunSelfTest());
}

TEST(Twofish, IdentitySeenThroughTheBase)
{
    const std::unique_ptr<TMV_blockcipher> cipher = std::make_unique<TMV_twofish>();
    EXPECT_EQ(cipher->Id(), 6);
    EXPECT_EQ(cipher->Algorithm(), "Twofish");
    EXPECT_EQ(cipher->MaxKeySize(), 256);
    EXPECT_EQ(cipher->BlockSize(), 128);
    EXPECT_EQ(cipher->BlockBytes(), 16);
}

// Random keys and blocks at the three defined lengths, both directions, several blocks per key.
TEST(Twofish, MatchesCryptoppAtTheDefinedKeyLengths)
{
    TMV_twofish ours;
    for (const size_t length : {16, 24, 32}) {
        for (uint64_t trial = 0; trial < 8; ++trial) {
            const uint64_t seed = length * 100 + trial;
            const Bytes key = PseudoRandomBytes(length, seed);
            const Bytes data = PseudoRandomBytes(16 * 4, seed + 50);
            SCOPED_TRACE("key " + ToHex(key));
            CryptoPP::Twofish::Encryption enc(key.data(), key.size());
            CryptoPP::Twofish::Decryption dec(key.data(), key.size());
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

// Every whole-byte key size: the schedule length follows keyBits (up to 128 bits a 128-bit key,
// up to 192 a 192-bit one, else 256), the missing bytes zero. Crypto++ refuses 20-byte keys, so
// the 160-bit password key is compared with its explicit zero-padded 24-byte form.
TEST(Twofish, ShortKeysAreZeroPaddedToTheScheduleLength)
{
    TMV_twofish ours;
    for (int32_t keyBits = 8; keyBits <= 256; keyBits += 8) {
        const size_t padded = keyBits <= 128 ? 16 : keyBits <= 192 ? 24 : 32;
        const Bytes key = PseudoRandomBytes(static_cast<size_t>(keyBits / 8), 7000 + keyBits);
        const Bytes block = PseudoRandomBytes(16, 8000 + keyBits);
        SCOPED_TRACE("keyBits " + std::to_string(keyBits));
        ours.SetKey(key.data(), keyBits);
        EXPECT_EQ(ToHex(EncryptOne(ours, block)), ToHex(CryptoppEncrypt(key, padded, block)));
    }
}

// Sizes that are not whole bytes: the half byte is ignored, the schedule still follows keyBits.
TEST(Twofish, KeySizeEquivalences)
{
    struct TCase
    {
        int32_t keyBits;
        size_t keyBytesUsed;
        size_t paddedLength;
    };
    const TCase cases[] = {
        {4, 0, 16},    // no key byte: the all-zero 128-bit key
        {12, 1, 16},   // as 8 bits
        {132, 16, 24}, // the 16 bytes of 128 bits, but the 192-bit schedule
        {196, 24, 32}, // the 24 bytes of 192 bits, but the 256-bit schedule
        {252, 31, 32},
    };
    const Bytes key = PseudoRandomBytes(32, 42);
    const Bytes block = PseudoRandomBytes(16, 43);
    TMV_twofish ours;
    for (const auto& c : cases) {
        SCOPED_TRACE("keyBits " + std::to_string(c.keyBits));
        ours.SetKey(key.data(), c.keyBits);
        const Bytes used(key.begin(), key.begin() + static_cast<ptrdiff_t>(c.keyBytesUsed));
        EXPECT_EQ(ToHex(EncryptOne(ours, block)),
                  ToHex(CryptoppEncrypt(used, c.paddedLength, block)));
    }
    // 132 and 128 bits read the same bytes yet give different ciphertexts.
    ours.SetKey(key.data(), 128);
    const Bytes at128 = EncryptOne(ours, block);
    ours.SetKey(key.data(), 132);
    EXPECT_NE(ToHex(EncryptOne(ours, block)), ToHex(at128));
}

TEST(Twofish, RefusedKeySizesLeaveTheObjectWipedAndNotReady)
{
    const Bytes key = PseudoRandomBytes(40, 1);
    for (const int32_t keyBits : {0, -8, 6, 2, 260, 512}) {
        SCOPED_TRACE("keyBits " + std::to_string(keyBits));
        for (const bool keyedBefore : {false, true}) {
            TMV_twofish cipher;
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
            EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
            EXPECT_TRUE(ChainsWiped(cipher));
        }
    }
}

TEST(Twofish, WipeLeavesOnlyTheFillByte)
{
    TMV_twofish cipher;
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    EXPECT_EQ(cipher.ScheduleBytes().size(), 160u + 4096u);
    const Bytes key = PseudoRandomBytes(20, 3);
    cipher.SetPassword("secret");
    EXPECT_FALSE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    cipher.WipeKey();
    EXPECT_FALSE(cipher.Ready());
    EXPECT_TRUE(AllBytesAre(cipher.ScheduleBytes(), 0xFF));
    EXPECT_TRUE(ChainsWiped(cipher));
    // A new key after a wipe works as on a fresh object.
    cipher.SetKey(key.data(), 160);
    TMV_twofish fresh;
    fresh.SetKey(key.data(), 160);
    const Bytes block = PseudoRandomBytes(16, 4);
    EXPECT_EQ(ToHex(EncryptOne(cipher, block)), ToHex(EncryptOne(fresh, block)));
}

TEST(Twofish, InPlaceBlocksRoundTrip)
{
    TMV_twofish cipher;
    const Bytes key = PseudoRandomBytes(32, 5);
    cipher.SetKey(key.data(), 256);
    for (uint64_t seed = 0; seed < 16; ++seed) {
        const Bytes plain = PseudoRandomBytes(16, 100 + seed);
        Bytes block = plain;
        cipher.EncryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(EncryptOne(cipher, plain)));
        cipher.DecryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(plain));
    }
}

// The last step of SetKey: the given chaining value, or the encryption of a zero block.
TEST(Twofish, SetKeyInstallsTheFirstChainingValue)
{
    const Bytes key = PseudoRandomBytes(24, 6);
    const Bytes iv = PseudoRandomBytes(16, 7);
    TMV_twofish cipher;
    cipher.SetKey(key.data(), 192, iv.data());
    EXPECT_EQ(ToHex(cipher.StartChain(), 16), ToHex(iv));
    EXPECT_EQ(ToHex(cipher.Chain(), 16), ToHex(iv));
    cipher.SetKey(key.data(), 192);
    const Bytes zeroCipher = CryptoppEncrypt(key, 24, Bytes(16, 0));
    EXPECT_EQ(ToHex(cipher.StartChain(), 16), ToHex(zeroCipher));
    EXPECT_EQ(ToHex(cipher.Chain(), 16), ToHex(zeroCipher));
}

} // namespace
