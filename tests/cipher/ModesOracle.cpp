// Every cipher in every chaining mode against an independent implementation (Crypto++), with
// the key a password gives and the initial chaining value as the IV.
#include "cipher/CipherIds.h"
#include "cipher/Sha1.h"

#include "tests/support/TestSupport.h"

#include <cryptopp/aes.h>
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/filters.h>
#include <cryptopp/gost.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>

using namespace mv::cipher;
using Bytes = std::vector<uint8_t>;

namespace {

struct TOracle
{
    std::unique_ptr<CryptoPP::BlockCipher> encryption, decryption;
};

template <class C>
TOracle Make(const Bytes& key,
             const CryptoPP::NameValuePairs& params = CryptoPP::g_nullNameValuePairs)
{
    TOracle o;
    o.encryption = std::make_unique<typename C::Encryption>();
    o.decryption = std::make_unique<typename C::Decryption>();
    o.encryption->SetKey(key.data(), key.size(), params);
    o.decryption->SetKey(key.data(), key.size(), params);
    return o;
}

// The key our cipher derives from a password, in the form the oracle accepts: the short keys are
// filled up with zero bytes exactly as our schedules fill them.
TOracle OracleFor(int algorithmIndex, const std::string& password)
{
    uint8_t digest[20];
    TMV_sha1 hash;
    hash.Start();
    hash.AddString(password);
    hash.Finish(digest);
    Bytes key(digest, digest + 20);
    switch (algorithmIndex) {
    case 0:
        key.resize(24, 0);
        return Make<CryptoPP::Twofish>(key);
    case 1:
        key.resize(24, 0);
        return Make<CryptoPP::AES>(key);
    case 2:
        return Make<CryptoPP::RC2>(
            key, CryptoPP::MakeParameters(CryptoPP::Name::EffectiveKeyLength(), 1024));
    case 3:
        key.resize(32, 0);
        return Make<CryptoPP::GOST>(key);
    case 4:
        key.resize(16);
        return Make<CryptoPP::CAST128>(key);
    default:
        return Make<CryptoPP::Blowfish>(key);
    }
}

Bytes Transform(CryptoPP::StreamTransformation& t, const Bytes& in)
{
    Bytes out(in.size());
    t.ProcessData(out.data(), in.data(), in.size());
    return out;
}

// Oracle results for one mode: (encrypted, decrypted-of-input) with IV.
std::pair<Bytes, Bytes> OracleRun(TOracle& o, TMV_ciphermode mode, const Bytes& iv,
                                  const Bytes& data)
{
    using namespace CryptoPP;
    switch (mode) {
    case cmCBC: {
        CBC_Mode_ExternalCipher::Encryption e(*o.encryption, iv.data());
        CBC_Mode_ExternalCipher::Decryption d(*o.decryption, iv.data());
        return {Transform(e, data), Transform(d, data)};
    }
    case cmCFB8bit: {
        CFB_Mode_ExternalCipher::Encryption e(*o.encryption, iv.data(), 1);
        CFB_Mode_ExternalCipher::Decryption d(*o.encryption, iv.data(), 1);
        return {Transform(e, data), Transform(d, data)};
    }
    case cmCFBblock: {
        CFB_Mode_ExternalCipher::Encryption e(*o.encryption, iv.data());
        CFB_Mode_ExternalCipher::Decryption d(*o.encryption, iv.data());
        return {Transform(e, data), Transform(d, data)};
    }
    default: {
        OFB_Mode_ExternalCipher::Encryption e(*o.encryption, iv.data());
        OFB_Mode_ExternalCipher::Decryption d(*o.encryption, iv.data());
        return {Transform(e, data), Transform(d, data)};
    }
    }
}

} // namespace

class ModesOracle : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

TEST_P(ModesOracle, WholeBlocksAgree)
{
    const auto [index, modeValue] = GetParam();
    const auto mode = static_cast<TMV_ciphermode>(modeValue);
    auto cipher = CreateCipher(index);
    ASSERT_TRUE(cipher);
    for (int trial = 0; trial < 4; ++trial) {
        const std::string password = "oracle password " + std::to_string(trial);
        cipher->SetPassword(password);
        cipher->CipherMode = mode;
        const auto b = static_cast<size_t>(cipher->BlockBytes());
        const Bytes iv(cipher->StartChain(), cipher->StartChain() + b);
        TOracle oracle = OracleFor(index, password);

        // Whole blocks in several calls (multiples of the block size, so the oracle's one
        // stream is the same stream), long enough for every interleaved batch size.
        const Bytes data = mv::test::PseudoRandomBytes(b * 97, 100 + trial);
        const auto [expectEnc, expectDec] = OracleRun(oracle, mode, iv, data);
        Bytes enc(data.size()), dec(data.size());
        const size_t cuts[] = {0, b, 4 * b, 33 * b, 97 * b};
        for (size_t i = 0; i + 1 < std::size(cuts); ++i)
            cipher->EncryptBuffer(data.data() + cuts[i], enc.data() + cuts[i],
                                  static_cast<int32_t>(cuts[i + 1] - cuts[i]));
        cipher->RestartChain();
        for (size_t i = 0; i + 1 < std::size(cuts); ++i)
            cipher->DecryptBuffer(data.data() + cuts[i], dec.data() + cuts[i],
                                  static_cast<int32_t>(cuts[i + 1] - cuts[i]));
        EXPECT_EQ(mv::test::ToHex(enc), mv::test::ToHex(expectEnc)) << "encrypt, trial " << trial;
        EXPECT_EQ(mv::test::ToHex(dec), mv::test::ToHex(expectDec)) << "decrypt, trial " << trial;
    }
}

// Decryption of every run length from 1 to 40 blocks in one call, so that each batch size and
// remainder of the multi-block kernels meets the independent implementation.
TEST_P(ModesOracle, EveryBatchOfBlocksAgrees)
{
    const auto [index, modeValue] = GetParam();
    const auto mode = static_cast<TMV_ciphermode>(modeValue);
    auto cipher = CreateCipher(index);
    const std::string password = "batches of blocks";
    cipher->SetPassword(password);
    cipher->CipherMode = mode;
    const auto b = static_cast<size_t>(cipher->BlockBytes());
    const Bytes iv(cipher->StartChain(), cipher->StartChain() + b);
    TOracle oracle = OracleFor(index, password);
    for (size_t blocks = 1; blocks <= 40; ++blocks) {
        const Bytes data = mv::test::PseudoRandomBytes(blocks * b, 500 + blocks);
        const Bytes expected = OracleRun(oracle, mode, iv, data).second;
        Bytes out = data;
        cipher->RestartChain();
        cipher->DecryptBuffer(out.data(), out.data(), static_cast<int32_t>(out.size()));
        EXPECT_EQ(mv::test::ToHex(out), mv::test::ToHex(expected)) << blocks << " blocks";
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info)
{
    static const char* const modes[] = {"CBC", "CFB8", "CFB", "OFB"};
    static const char* const names[] = {"Twofish", "Rijndael", "RC2",
                                        "Gost",    "Cast128",  "Blowfish"};
    return std::string(names[std::get<0>(info.param)]) + "_" + modes[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAllModes, ModesOracle,
                         ::testing::Combine(::testing::Range(0, AlgorithmCount),
                                            ::testing::Range(0, 4)),
                         CaseName);

TEST(AlgorithmList, IdsAndFactory)
{
    const int expected[] = {6, 9, 1, 8, 7, 5};
    for (int i = 0; i < AlgorithmCount; ++i) {
        auto c = CreateCipher(i);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->AlgorithmId(), expected[i]);
        EXPECT_EQ(AlgorithmIndexOfId(expected[i]), i);
        EXPECT_EQ(CreateCipherById(expected[i])->AlgorithmId(), expected[i]);
        EXPECT_FALSE(c->Ready());
        EXPECT_EQ(c->CipherMode, cmCBC);
    }
    for (int id : {0, 2, 3, 4, 10, 262, -1})
        EXPECT_EQ(CreateCipherById(id), nullptr) << id;
    EXPECT_EQ(CreateCipher(6), nullptr);
    EXPECT_EQ(CreateCipher(-1), nullptr);
}

TEST(AlgorithmList, EverySelfTestPasses)
{
    for (const auto& entry : SelfTests)
        EXPECT_TRUE(entry.run()) << entry.name;
}
