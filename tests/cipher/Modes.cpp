// Chaining-mode properties that every cipher must show, whatever its block size.
#include "cipher/Base64.h"
#include "cipher/Blowfish.h"
#include "cipher/Cast128.h"
#include "cipher/Gost.h"
#include "cipher/RC2.h"
#include "cipher/Rijndael.h"
#include "cipher/Sha1.h"
#include "cipher/Twofish.h"
#include "platform/MemoryStream.h"

#include "tests/support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <numeric>

using namespace mv::cipher;
using mv::platform::TMemoryStream;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;

template <class T> class ModeProperties : public ::testing::Test
{
protected:
    void SetUp() override { cipher.SetPassword("mode properties"); }

    Bytes Encrypt(TMV_ciphermode mode, const Bytes& plain, std::initializer_list<size_t> cuts)
    {
        return Run(mode, plain, cuts, true);
    }
    Bytes Decrypt(TMV_ciphermode mode, const Bytes& data, std::initializer_list<size_t> cuts)
    {
        return Run(mode, data, cuts, false);
    }
    // One buffer call per piece, the pieces ending at the given cut offsets; from a fresh chain.
    Bytes Run(TMV_ciphermode mode, const Bytes& in, std::initializer_list<size_t> cuts,
              bool encrypting)
    {
        cipher.CipherMode = mode;
        cipher.RestartChain();
        Bytes out(in.size());
        size_t from = 0;
        std::vector<size_t> ends(cuts);
        ends.push_back(in.size());
        for (size_t end : ends) {
            const auto n = static_cast<int32_t>(end - from);
            if (encrypting)
                cipher.EncryptBuffer(in.data() + from, out.data() + from, n);
            else
                cipher.DecryptBuffer(in.data() + from, out.data() + from, n);
            from = end;
        }
        return out;
    }

    size_t B() const { return static_cast<size_t>(cipher.BlockBytes()); }
    Bytes ChainNow() const { return Bytes(cipher.Chain(), cipher.Chain() + B()); }

    T cipher;
};

using AllCiphers =
    ::testing::Types<TMV_twofish, TMV_rijndael, TMV_rc2, TMV_gost, TMV_cast128, TMV_blowfish>;
TYPED_TEST_SUITE(ModeProperties, AllCiphers);

constexpr TMV_ciphermode AllModes[] = {cmCBC, cmCFB8bit, cmCFBblock, cmOFB};
constexpr TMV_ciphermode BlockModes[] = {cmCBC, cmCFBblock, cmOFB};

TYPED_TEST(ModeProperties, FirstChainIsTheEncryptedZeroBlock)
{
    Bytes zero(this->B(), 0);
    this->cipher.EncryptBlock(zero.data(), zero.data());
    EXPECT_EQ(ToHex(this->ChainNow()), ToHex(zero));
    EXPECT_EQ(ToHex(this->cipher.StartChain(), this->B()), ToHex(zero));
    // RestartChain returns to it after any number of calls.
    Bytes data = PseudoRandomBytes(100, 1);
    this->cipher.EncryptBuffer(data.data(), data.data(), 100);
    EXPECT_NE(ToHex(this->ChainNow()), ToHex(zero));
    this->cipher.RestartChain();
    EXPECT_EQ(ToHex(this->ChainNow()), ToHex(zero));
}

TYPED_TEST(ModeProperties, EveryModeRoundTripsInPlaceAndOutOfPlace)
{
    const Bytes plain = PseudoRandomBytes(1000, 2);
    for (auto mode : AllModes) {
        SCOPED_TRACE(int(mode));
        const Bytes encrypted = this->Encrypt(mode, plain, {});
        EXPECT_NE(encrypted, plain);
        EXPECT_EQ(this->Decrypt(mode, encrypted, {}), plain);
        Bytes inPlace = plain;
        this->cipher.RestartChain();
        this->cipher.EncryptBuffer(inPlace.data(), inPlace.data(), 1000);
        EXPECT_EQ(inPlace, encrypted);
        this->cipher.RestartChain();
        this->cipher.DecryptBuffer(inPlace.data(), inPlace.data(), 1000);
        EXPECT_EQ(inPlace, plain);
    }
}

TYPED_TEST(ModeProperties, BlockModesDependOnCallBoundaries)
{
    const size_t b = this->B();
    const Bytes plain = PseudoRandomBytes(4 * b, 3);
    for (auto mode : BlockModes) {
        SCOPED_TRACE(int(mode));
        const Bytes whole = this->Encrypt(mode, plain, {});
        // Cuts on block boundaries change nothing.
        EXPECT_EQ(this->Encrypt(mode, plain, {b, 3 * b}), whole);
        // A cut inside a block ends that call with a partial block: the bytes before the cut's
        // block agree, the rest differ, and the same cut decrypts them.
        const size_t cut = b + b / 2 + 1;
        const Bytes split = this->Encrypt(mode, plain, {cut});
        EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + b, split.begin()));
        EXPECT_FALSE(std::equal(whole.begin() + 2 * b, whole.end(), split.begin() + 2 * b));
        EXPECT_EQ(this->Decrypt(mode, split, {cut}), plain);
    }
}

TYPED_TEST(ModeProperties, Cfb8DoesNotDependOnCallBoundaries)
{
    const Bytes plain = PseudoRandomBytes(77, 4);
    const Bytes whole = this->Encrypt(cmCFB8bit, plain, {});
    EXPECT_EQ(this->Encrypt(cmCFB8bit, plain, {3}), whole);
    EXPECT_EQ(this->Encrypt(cmCFB8bit, plain, {1, 2, 40, 76}), whole);
    EXPECT_EQ(this->Decrypt(cmCFB8bit, whole, {5, 9}), plain);
}

// The final partial block is an output-feedback step in every block mode: C := E(C), then the
// bytes are XORed with the first r bytes of C, and the next call goes on from that C.
TYPED_TEST(ModeProperties, PartialBlockIsAnOutputFeedbackStep)
{
    const size_t b = this->B();
    const Bytes plain = PseudoRandomBytes(5 + b, 5);
    for (auto mode : BlockModes) {
        for (bool encrypting : {true, false}) {
            SCOPED_TRACE(std::to_string(int(mode)) + (encrypting ? " encrypt" : " decrypt"));
            this->cipher.CipherMode = mode;
            this->cipher.RestartChain();
            Bytes c = this->ChainNow();
            this->cipher.EncryptBlock(c.data(), c.data());
            Bytes out(5);
            if (encrypting)
                this->cipher.EncryptBuffer(plain.data(), out.data(), 5);
            else
                this->cipher.DecryptBuffer(plain.data(), out.data(), 5);
            for (size_t i = 0; i < 5; ++i)
                EXPECT_EQ(out[i], plain[i] ^ c[i]) << i;
            EXPECT_EQ(ToHex(this->ChainNow()), ToHex(c));
        }
    }
    // In OFB the following whole block uses E(E(C)).
    this->cipher.CipherMode = cmOFB;
    this->cipher.RestartChain();
    Bytes c = this->ChainNow();
    this->cipher.EncryptBlock(c.data(), c.data());
    this->cipher.EncryptBlock(c.data(), c.data());
    Bytes out(plain.size());
    this->cipher.EncryptBuffer(plain.data(), out.data(), 5);
    this->cipher.EncryptBuffer(plain.data() + 5, out.data() + 5, static_cast<int32_t>(b));
    for (size_t i = 0; i < b; ++i)
        EXPECT_EQ(out[5 + i], plain[5 + i] ^ c[i]) << i;
}

TYPED_TEST(ModeProperties, OfbEncryptEqualsDecrypt)
{
    const Bytes data = PseudoRandomBytes(333, 6);
    EXPECT_EQ(this->Encrypt(cmOFB, data, {100}), this->Decrypt(cmOFB, data, {100}));
}

TYPED_TEST(ModeProperties, UnknownModeAndZeroCountChangeNothing)
{
    const Bytes plain = PseudoRandomBytes(64, 7);
    for (int mode : {4, 255}) {
        this->cipher.CipherMode = static_cast<TMV_ciphermode>(mode);
        this->cipher.RestartChain();
        Bytes target(64, 0xAB);
        this->cipher.EncryptBuffer(plain.data(), target.data(), 64);
        EXPECT_EQ(target, Bytes(64, 0xAB));
        this->cipher.DecryptBuffer(plain.data(), target.data(), 64);
        EXPECT_EQ(target, Bytes(64, 0xAB));
        EXPECT_EQ(ToHex(this->ChainNow()), ToHex(this->cipher.StartChain(), this->B()));
    }
    for (auto mode : AllModes) {
        this->cipher.CipherMode = mode;
        this->cipher.RestartChain();
        Bytes target(8, 0xAB);
        this->cipher.EncryptBuffer(plain.data(), target.data(), 0);
        EXPECT_EQ(target, Bytes(8, 0xAB));
        EXPECT_EQ(ToHex(this->ChainNow()), ToHex(this->cipher.StartChain(), this->B()));
    }
}

// The job pattern: 32767-byte steps through the stream operation are portions of 8192, 8192,
// 8192 and 8191 bytes, each one buffer call; a short source reads 0 for the later portions.
TYPED_TEST(ModeProperties, StreamOperationCutsTheJobPortions)
{
    const Bytes plain = PseudoRandomBytes(40000, 8);
    for (auto mode : AllModes) {
        SCOPED_TRACE(int(mode));
        this->cipher.CipherMode = mode;
        this->cipher.RestartChain();
        TMemoryStream source(plain), target;
        EXPECT_EQ(this->cipher.EncryptFromStream(source, target, 32767), 32767);
        EXPECT_EQ(this->cipher.EncryptFromStream(source, target, 32767), 7233);
        EXPECT_EQ(this->cipher.EncryptFromStream(source, target, 32767), 0);
        const Bytes expected = this->Encrypt(mode, plain, {8192, 16384, 24576, 32767});
        EXPECT_EQ(target.Bytes(), expected);

        this->cipher.RestartChain();
        TMemoryStream cipherSource(target.Bytes()), restored;
        EXPECT_EQ(this->cipher.DecryptFromStream(cipherSource, restored, 32767), 32767);
        EXPECT_EQ(this->cipher.DecryptFromStream(cipherSource, restored, 32767), 7233);
        EXPECT_EQ(restored.Bytes(), plain);
    }
    TMemoryStream empty, sink;
    EXPECT_EQ(this->cipher.EncryptFromStream(empty, sink, 0), 0);
    EXPECT_EQ(sink.Size(), 0);
}

TYPED_TEST(ModeProperties, PasswordKeyIsTheSha1Prefix)
{
    uint8_t digest[20];
    TMV_sha1 hash;
    hash.Start();
    hash.AddString("mode properties");
    hash.Finish(digest);
    TypeParam direct;
    const int32_t bits = TypeParam::MaxKeySize >= 160 ? 160 : TypeParam::MaxKeySize;
    direct.SetKey(digest, bits);
    EXPECT_EQ(ToHex(direct.StartChain(), this->B()), ToHex(this->cipher.StartChain(), this->B()));
    Bytes a = PseudoRandomBytes(2 * this->B(), 9), b = a;
    direct.EncryptBlock(a.data(), a.data());
    this->cipher.EncryptBlock(b.data(), b.data());
    EXPECT_EQ(a, b);
    // An empty password is the digest of no bytes.
    TypeParam empty;
    empty.SetPassword("");
    const Bytes none = mv::test::Hex("da39a3ee5e6b4b0d3255bfef95601890afd80709");
    direct.SetKey(none.data(), bits);
    EXPECT_EQ(ToHex(direct.StartChain(), this->B()), ToHex(empty.StartChain(), this->B()));
}

TYPED_TEST(ModeProperties, KeySizeRefusalsLeaveTheObjectWiped)
{
    const Bytes key(256, 0x5A);
    for (int32_t bits : {0, -8, 6, TypeParam::MaxKeySize + 4}) {
        SCOPED_TRACE(bits);
        EXPECT_TRUE(this->cipher.Ready());
        try {
            this->cipher.SetKey(key.data(), bits);
            FAIL() << "must refuse";
        } catch (const mv::platform::Exception& e) {
            EXPECT_STREQ(e.what(), "Invalid key size");
        }
        EXPECT_FALSE(this->cipher.Ready());
        EXPECT_EQ(ToHex(this->cipher.Chain(), this->B()), ToHex(Bytes(this->B(), 0xFF)));
        this->cipher.SetKey(key.data(), 128 <= TypeParam::MaxKeySize ? 128 : 64);
    }
    EXPECT_NO_THROW(this->cipher.SetKey(key.data(), 12));
    EXPECT_NO_THROW(this->cipher.SetKey(key.data(), TypeParam::MaxKeySize));
}

TYPED_TEST(ModeProperties, NotReadyRaisesBeforeChangingAnything)
{
    TypeParam fresh;
    EXPECT_FALSE(fresh.Ready());
    Bytes buf(32, 0x11);
    auto expectRefusal = [&](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "must raise";
        } catch (const EMV_blockcipher& e) {
            EXPECT_STREQ(e.what(), "Cipher not initialized");
        }
        EXPECT_EQ(buf, Bytes(32, 0x11));
    };
    for (int round = 0; round < 2; ++round) {
        for (auto mode : AllModes) {
            fresh.CipherMode = mode;
            expectRefusal([&] { fresh.EncryptBuffer(buf.data(), buf.data(), 32); });
            expectRefusal([&] { fresh.DecryptBuffer(buf.data(), buf.data(), 32); });
        }
        expectRefusal([&] { fresh.EncryptBlock(buf.data(), buf.data()); });
        expectRefusal([&] { fresh.DecryptBlock(buf.data(), buf.data()); });
        // Also into a separate target, which stays as it was.
        Bytes out(32, 0x22);
        expectRefusal([&] { fresh.EncryptBlock(buf.data(), out.data()); });
        expectRefusal([&] { fresh.DecryptBlock(buf.data(), out.data()); });
        EXPECT_EQ(out, Bytes(32, 0x22));
        expectRefusal([&] { fresh.RestartChain(); });
        // The same once a key was set and wiped again.
        fresh.SetPassword("x");
        fresh.WipeKey();
        EXPECT_EQ(ToHex(fresh.Chain(), this->B()), ToHex(Bytes(this->B(), 0xFF)));
        EXPECT_EQ(ToHex(fresh.StartChain(), this->B()), ToHex(Bytes(this->B(), 0xFF)));
    }
}

TYPED_TEST(ModeProperties, BlocksWorkInPlace)
{
    const size_t b = this->B();
    for (uint64_t seed = 0; seed < 8; ++seed) {
        const Bytes plain = PseudoRandomBytes(b, 200 + seed);
        Bytes apart(b), buffer = plain;
        this->cipher.EncryptBlock(plain.data(), apart.data());
        this->cipher.EncryptBlock(buffer.data(), buffer.data());
        EXPECT_EQ(ToHex(buffer), ToHex(apart));
        EXPECT_NE(ToHex(buffer), ToHex(plain));
        this->cipher.DecryptBlock(buffer.data(), buffer.data());
        EXPECT_EQ(ToHex(buffer), ToHex(plain));
    }
}

TYPED_TEST(ModeProperties, TextFormsUseEightBitFeedback)
{
    this->cipher.CipherMode = cmCBC;
    this->cipher.RestartChain();
    EXPECT_EQ(this->cipher.EncryptText(""), "");
    EXPECT_EQ(ToHex(this->ChainNow()), ToHex(this->cipher.StartChain(), this->B()));

    const std::string text = "Attack at dawn, bring 17 apples.";
    const std::string encoded = this->cipher.EncryptText(text);
    const Bytes plain(text.begin(), text.end());
    const Bytes cfb8 = this->Encrypt(cmCFB8bit, plain, {});
    EXPECT_EQ(DecodeBase64Text(encoded), std::string(cfb8.begin(), cfb8.end()));
    this->cipher.CipherMode = cmOFB; // the text forms ignore the mode
    this->cipher.RestartChain();
    EXPECT_EQ(this->cipher.DecryptText(encoded), text);
}

// Destroying a keyed object leaves its storage as an unkeyed object's: no schedule byte stays
// behind in released memory.
TYPED_TEST(ModeProperties, DestructionWipesTheSchedule)
{
    alignas(TypeParam) unsigned char unkeyed1[sizeof(TypeParam)];
    alignas(TypeParam) unsigned char unkeyed2[sizeof(TypeParam)];
    alignas(TypeParam) unsigned char keyed[sizeof(TypeParam)];
    auto image = [](unsigned char* storage, bool key) {
        // The same pattern under every object, so padding bytes compare equal.
        std::memset(storage, 0xA5, sizeof(TypeParam));
        auto* c = new (storage) TypeParam();
        if (key)
            c->SetPassword("a secret worth wiping");
        c->~TypeParam();
        std::vector<unsigned char> bytes(sizeof(TypeParam));
        const volatile unsigned char* seen = storage;
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = seen[i];
        return bytes;
    };
    const auto w1 = image(unkeyed1, false), w2 = image(unkeyed2, false), d = image(keyed, true);
    size_t compared = 0;
    for (size_t i = 0; i < sizeof(TypeParam); ++i) {
        if (w1[i] != w2[i])
            continue; // pointers to the objects' own chain buffers
        ++compared;
        EXPECT_EQ(int(d[i]), int(w1[i])) << "byte " << i << " of " << sizeof(TypeParam);
    }
    EXPECT_GT(compared, sizeof(TypeParam) / 2);
}

// ---- the kernels against the chaining rules, block by block ----------------------------------

namespace {

// The rules of the modes written out over the single-block operations, with none of the
// kernels: one block, one call of EncryptBlock or DecryptBlock at a time. calls are the buffer
// calls' lengths; chain is updated as the cipher's would be.
Bytes ModelDecrypt(TMV_blockcipher& c, TMV_ciphermode mode, Bytes& chain, const Bytes& in,
                   const std::vector<size_t>& calls)
{
    const size_t b = static_cast<size_t>(c.BlockBytes());
    Bytes out(in.size()), block(b), stream(b);
    size_t at = 0;
    for (const size_t n : calls) {
        if (mode == cmCFB8bit) {
            for (size_t i = at; i < at + n; ++i) {
                c.EncryptBlock(chain.data(), stream.data());
                out[i] = in[i] ^ stream[0];
                chain.erase(chain.begin());
                chain.push_back(in[i]);
            }
            at += n;
            continue;
        }
        size_t i = at;
        for (; i + b <= at + n; i += b) {
            std::copy(in.begin() + i, in.begin() + i + b, block.begin());
            if (mode == cmCBC) {
                c.DecryptBlock(block.data(), stream.data());
                for (size_t j = 0; j < b; ++j)
                    out[i + j] = stream[j] ^ chain[j];
                chain = block;
            } else if (mode == cmCFBblock) {
                c.EncryptBlock(chain.data(), stream.data());
                for (size_t j = 0; j < b; ++j)
                    out[i + j] = block[j] ^ stream[j];
                chain = block;
            } else {
                c.EncryptBlock(chain.data(), chain.data());
                for (size_t j = 0; j < b; ++j)
                    out[i + j] = block[j] ^ chain[j];
            }
        }
        if (i < at + n) {
            // The final partial block: an output-feedback step in every block mode.
            c.EncryptBlock(chain.data(), chain.data());
            for (size_t j = 0; i + j < at + n; ++j)
                out[i + j] = in[i + j] ^ chain[j];
        }
        at += n;
    }
    return out;
}

// Call lengths of every batch remainder of the multi-block kernels (up to 16 blocks of 8 bytes
// or 8 of 16, then 8, 4, 3, 2 and 1 at a time), with and without a partial block, and the
// job's portions.
std::vector<std::vector<size_t>> KernelCalls(size_t b)
{
    std::vector<std::vector<size_t>> cases;
    for (size_t blocks = 0; blocks <= 40; ++blocks)
        for (size_t extra : {size_t{0}, size_t{1}, b - 1})
            if (blocks * b + extra != 0)
                cases.push_back({blocks * b + extra});
    cases.push_back({8192, 8192, 8192, 8191, 7233});
    cases.push_back({3, 5 * b, 1, 17 * b + 2, b, 33 * b, 2 * b - 1});
    return cases;
}

} // namespace

TYPED_TEST(ModeProperties, DecryptionKernelsFollowTheBlockByBlockRules)
{
    const size_t b = this->B();
    for (auto mode : AllModes) {
        this->cipher.CipherMode = mode;
        for (const auto& calls : KernelCalls(b)) {
            const size_t total = std::accumulate(calls.begin(), calls.end(), size_t{0});
            SCOPED_TRACE(std::to_string(int(mode)) + ", first call " + std::to_string(calls[0]) +
                         ", " + std::to_string(calls.size()) + " calls");
            const Bytes data = PseudoRandomBytes(total, total + mode);
            this->cipher.RestartChain();
            Bytes chain = this->ChainNow();
            const Bytes expected = ModelDecrypt(this->cipher, mode, chain, data, calls);

            // In place, as the jobs call it, and into a separate target.
            Bytes inPlace = data, apart(total, 0xEE);
            for (bool separate : {false, true}) {
                this->cipher.RestartChain();
                size_t at = 0;
                for (const size_t n : calls) {
                    uint8_t* target = separate ? apart.data() : inPlace.data();
                    const uint8_t* source = separate ? data.data() : inPlace.data();
                    this->cipher.DecryptBuffer(source + at, target + at, static_cast<int32_t>(n));
                    at += n;
                }
                EXPECT_EQ(ToHex(this->ChainNow()), ToHex(chain)) << "separate " << separate;
            }
            ASSERT_EQ(ToHex(inPlace), ToHex(expected));
            ASSERT_EQ(ToHex(apart), ToHex(expected));
        }
    }
}

// ---- copies of a keyed cipher -----------------------------------------------------------------

TYPED_TEST(ModeProperties, CloneCarriesKeyModeAndChainAndIsIndependent)
{
    const Bytes data = PseudoRandomBytes(1000, 41);
    for (auto mode : AllModes) {
        SCOPED_TRACE(int(mode));
        this->cipher.CipherMode = mode;
        this->cipher.RestartChain();
        Bytes head = data;
        this->cipher.DecryptBuffer(head.data(), head.data(), 13);
        const auto copy = this->cipher.Clone();
        EXPECT_TRUE(copy->Ready());
        EXPECT_EQ(copy->CipherMode, mode);
        EXPECT_EQ(ToHex(copy->Chain(), this->B()), ToHex(this->ChainNow()));
        EXPECT_EQ(ToHex(copy->StartChain(), this->B()),
                  ToHex(this->cipher.StartChain(), this->B()));
        // The same bytes from here on, and moving one leaves the other where it was.
        Bytes a = data, b = data;
        const Bytes before = this->ChainNow();
        copy->DecryptBuffer(b.data(), b.data(), 1000);
        EXPECT_EQ(ToHex(this->ChainNow()), ToHex(before));
        this->cipher.DecryptBuffer(a.data(), a.data(), 1000);
        EXPECT_EQ(a, b);
        const Bytes mine = this->ChainNow();
        copy->RestartChain();
        EXPECT_EQ(ToHex(this->ChainNow()), ToHex(mine));
        // Wiping the original leaves the copy's key in place.
        this->cipher.WipeKey();
        EXPECT_TRUE(copy->Ready());
        Bytes c = data;
        copy->DecryptBuffer(c.data(), c.data(), 100);
        this->cipher.SetPassword("mode properties");
        this->cipher.CipherMode = mode;
        Bytes d = data;
        this->cipher.DecryptBuffer(d.data(), d.data(), 100);
        EXPECT_EQ(c, d);
    }
    // A copy of a cipher without a key has none either.
    TypeParam fresh;
    const auto none = fresh.Clone();
    EXPECT_FALSE(none->Ready());
    Bytes buf(16, 0);
    EXPECT_THROW(none->DecryptBuffer(buf.data(), buf.data(), 16), EMV_blockcipher);
}

TYPED_TEST(ModeProperties, SetChainContinuesFromTheGivenValue)
{
    const size_t b = this->B();
    const Bytes data = PseudoRandomBytes(5 * b + 3, 43);
    for (auto mode : AllModes) {
        SCOPED_TRACE(int(mode));
        this->cipher.CipherMode = mode;
        this->cipher.RestartChain();
        Bytes whole = data;
        this->cipher.DecryptBuffer(whole.data(), whole.data(), static_cast<int32_t>(b * 2));
        const Bytes midway = this->ChainNow();
        this->cipher.DecryptBuffer(whole.data() + 2 * b, whole.data() + 2 * b,
                                   static_cast<int32_t>(data.size() - 2 * b));
        // Another object, set to the chaining value at 2 blocks, gives the rest.
        TypeParam other;
        other.SetPassword("mode properties");
        other.CipherMode = mode;
        other.SetChain(midway.data());
        EXPECT_EQ(ToHex(other.StartChain(), b), ToHex(this->cipher.StartChain(), b));
        Bytes rest(data.begin() + 2 * static_cast<long>(b), data.end());
        other.DecryptBuffer(rest.data(), rest.data(), static_cast<int32_t>(rest.size()));
        EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + 2 * static_cast<long>(b)));
        EXPECT_EQ(ToHex(other.Chain(), b), ToHex(this->ChainNow()));
    }
    TypeParam fresh;
    const Bytes value(b, 0x77);
    EXPECT_THROW(fresh.SetChain(value.data()), EMV_blockcipher);
    EXPECT_EQ(ToHex(fresh.Chain(), b), ToHex(Bytes(b, 0xFF)));
}
