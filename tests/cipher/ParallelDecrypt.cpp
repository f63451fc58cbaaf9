// Parallel decryption against the serial buffer calls: the same bytes and the same chaining
// state afterwards, for every cipher and mode, every thread count, and runs that begin and end
// anywhere in the job's steps and portions.
#include "cipher/ParallelDecrypt.h"
#include "cipher/CipherIds.h"
#include "platform/MemoryStream.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <numeric>
#include <stdexcept>
#include <thread>

using namespace mv::cipher;
using mv::platform::TMemoryStream;
using mv::test::PseudoRandomBytes;
using mv::test::ToHex;
using Bytes = std::vector<uint8_t>;
using Portions = std::vector<int32_t>;

namespace {

constexpr int32_t JobStep = 32767;
const char* const CipherNames[] = {"Twofish", "Rijndael", "RC2", "Gost", "Cast128", "Blowfish"};
const char* const ModeNames[] = {"CBC", "CFB8", "CFB", "OFB"};

unsigned HardwareThreads()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

std::unique_ptr<TMV_blockcipher> Keyed(int index, TMV_ciphermode mode)
{
    auto cipher = CreateCipher(index);
    cipher->SetPassword("parallel decryption");
    cipher->CipherMode = mode;
    return cipher;
}

Bytes ChainOf(const TMV_blockcipher& c)
{
    return Bytes(c.Chain(), c.Chain() + c.BlockBytes());
}

// The serial path: one DecryptBuffer per portion, in place.
Bytes SerialDecrypt(TMV_blockcipher& cipher, Bytes data, const Portions& portions)
{
    size_t at = 0;
    for (const int32_t n : portions) {
        cipher.DecryptBuffer(data.data() + at, data.data() + at, n);
        if (n > 0)
            at += static_cast<size_t>(n);
    }
    return data;
}

size_t TotalOf(const Portions& portions)
{
    size_t total = 0;
    for (const int32_t n : portions)
        total += n > 0 ? static_cast<size_t>(n) : 0;
    return total;
}

Portions StepPortions(int64_t length, int32_t stepSize, int32_t startInStep = 0)
{
    Portions portions;
    AppendStepPortions(portions, length, stepSize, startInStep);
    return portions;
}

// Runs whose cuts fall where the chaining value has to be worked out: after partial blocks,
// after calls shorter than a block, at the start of a call and inside one.
struct TRun
{
    const char* name;
    Portions portions;
};

std::vector<TRun> Runs()
{
    std::vector<TRun> runs;
    runs.push_back({"four job steps", StepPortions(4 * int64_t{JobStep}, JobStep)});
    runs.push_back({"from the second portion, odd length", StepPortions(100003, JobStep, 8192)});
    runs.push_back({"from the last portion of a step", StepPortions(70001, JobStep, 24576)});
    runs.push_back({"short last step", StepPortions(3 * int64_t{JobStep} + 7233, JobStep)});
    // Cut halfway, exactly where the last call begins, after two calls shorter than any block
    // that follow a call ending in a partial block.
    runs.push_back({"cut after short calls", {30001, 3, 5, 30009}});
    // Cuts (halfway among them) at calls that follow only calls shorter than a block: their
    // chaining value is the first one encrypted once per call.
    Portions tiny(5000, 7);
    tiny.push_back(35000);
    runs.push_back({"cut after 5000 calls of 7 bytes", tiny});
    // Compressed chunks: each chunk's own length cut into portions.
    Portions chunks;
    for (int32_t chunk : {17001, 32767, 9, 24576, 40000 - 8192, 12345})
        AppendStepPortions(chunks, chunk, chunk);
    runs.push_back({"compressed chunks", chunks});
    // Calls that do nothing, and lengths that are multiples of nothing.
    runs.push_back({"empty calls between", {0, 20011, -5, 0, 16385, 1, 24007, 0}});
    // Pseudo-random lengths from 1 to 3000 bytes.
    Portions odd;
    const Bytes lengths = PseudoRandomBytes(200, 77);
    for (size_t i = 0; i + 1 < lengths.size(); i += 2)
        odd.push_back(1 + ((lengths[i] << 8) | lengths[i + 1]) % 3000);
    runs.push_back({"random call lengths", odd});
    return runs;
}

} // namespace

// ---- the portions of the stream operations ----------------------------------------------------

TEST(StepPortions, AreTheStreamOperationsBufferCalls)
{
    struct TCase
    {
        int64_t length;
        int32_t step, start;
        Portions expected;
    };
    const TCase cases[] = {
        {0, JobStep, 0, {}},
        {32767, JobStep, 0, {8192, 8192, 8192, 8191}},
        {40000, JobStep, 0, {8192, 8192, 8192, 8191, 7233}},
        {30000, JobStep, 0, {8192, 8192, 8192, 5424}},
        {65534, JobStep, 0, {8192, 8192, 8192, 8191, 8192, 8192, 8192, 8191}},
        {20000, JobStep, 16384, {8192, 8191, 3617}},
        {8191, JobStep, 24576, {8191}},
        {8192, JobStep, 24576, {8191, 1}},
        {20000, 20000, 0, {8192, 8192, 3616}},
        {5, 5, 0, {5}},
        {16384, 16384, 8192, {8192, 8192}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepPortions(c.length, c.step, c.start), c.expected)
            << c.length << " " << c.step << " " << c.start;
}

TEST(StepPortions, MatchTheStreamOperation)
{
    // What DecryptFromStream cuts is seen through a cipher in OFB, whose key stream continues
    // only across calls of whole blocks: equal output means equal calls.
    const Bytes data = PseudoRandomBytes(3 * JobStep + 1000, 5);
    auto streamed = Keyed(0, cmOFB);
    TMemoryStream source(data), target;
    while (streamed->DecryptFromStream(source, target, JobStep) == JobStep) {
    }
    auto called = Keyed(0, cmOFB);
    EXPECT_EQ(SerialDecrypt(*called, data, StepPortions(data.size(), JobStep)), target.Bytes());
}

TEST(StepPortions, RefuseWhatIsNoRunOfPortions)
{
    Portions p;
    EXPECT_THROW(AppendStepPortions(p, 10, 0), std::invalid_argument);
    EXPECT_THROW(AppendStepPortions(p, -1, JobStep), std::invalid_argument);
    EXPECT_THROW(AppendStepPortions(p, 10, JobStep, 100), std::invalid_argument);
    EXPECT_THROW(AppendStepPortions(p, 10, JobStep, JobStep), std::invalid_argument);
    EXPECT_THROW(AppendStepPortions(p, 10, JobStep, -8192), std::invalid_argument);
    EXPECT_TRUE(p.empty());
}

// ---- parallel against serial ------------------------------------------------------------------

class ParallelDecrypt : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

TEST_P(ParallelDecrypt, EqualsTheSerialCallsAndContinuesLikeThem)
{
    const auto [index, modeValue] = GetParam();
    const auto mode = static_cast<TMV_ciphermode>(modeValue);
    for (const unsigned threads : {1u, 2u, 3u, HardwareThreads()}) {
        TParallelDecryptor decryptor(threads);
        for (const auto& run : Runs()) {
            SCOPED_TRACE(std::string(run.name) + ", " + std::to_string(threads) + " threads");
            const Bytes data = PseudoRandomBytes(TotalOf(run.portions), 1000 + threads);
            auto serial = Keyed(index, mode);
            auto parallel = Keyed(index, mode);
            // The jobs decrypt the 8-byte check value first: a partial block for 16-byte
            // ciphers, so the run starts from a chaining value that is no cipher block.
            const Bytes check = PseudoRandomBytes(8, 3);
            Bytes checkSerial = check, checkParallel = check;
            serial->DecryptBuffer(checkSerial.data(), checkSerial.data(), 8);
            parallel->DecryptBuffer(checkParallel.data(), checkParallel.data(), 8);

            const Bytes expected = SerialDecrypt(*serial, data, run.portions);
            Bytes inPlace = data;
            decryptor.Decrypt(*parallel, inPlace.data(), inPlace.data(), run.portions);
            ASSERT_EQ(inPlace, expected);
            EXPECT_EQ(ToHex(ChainOf(*parallel)), ToHex(ChainOf(*serial)));

            // The next call goes on from the state the serial calls left.
            const Bytes more = PseudoRandomBytes(3 * 8192 + 11, 9);
            Bytes a = more, b = more;
            serial->DecryptBuffer(a.data(), a.data(), static_cast<int32_t>(a.size()));
            parallel->DecryptBuffer(b.data(), b.data(), static_cast<int32_t>(b.size()));
            EXPECT_EQ(a, b);
        }
    }
}

TEST_P(ParallelDecrypt, SeparateTargetLeavesTheSourceAlone)
{
    const auto [index, modeValue] = GetParam();
    const auto mode = static_cast<TMV_ciphermode>(modeValue);
    const Portions portions = StepPortions(2 * int64_t{JobStep} + 999, JobStep);
    const Bytes data = PseudoRandomBytes(TotalOf(portions), 21);
    auto serial = Keyed(index, mode);
    auto parallel = Keyed(index, mode);
    const Bytes expected = SerialDecrypt(*serial, data, portions);
    Bytes out(data.size(), 0xEE);
    DecryptPortionsParallel(*parallel, data.data(), out.data(), portions, 2);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(data, PseudoRandomBytes(data.size(), 21));
    EXPECT_EQ(ToHex(ChainOf(*parallel)), ToHex(ChainOf(*serial)));
}

// The job's pattern: one decryptor over the whole body, four steps per call, against
// DecryptFromStream step by step.
TEST_P(ParallelDecrypt, StepGroupsEqualTheStreamOperation)
{
    const auto [index, modeValue] = GetParam();
    const auto mode = static_cast<TMV_ciphermode>(modeValue);
    const Bytes body = PseudoRandomBytes(11 * JobStep + 4321, 31);
    auto serial = Keyed(index, mode);
    TMemoryStream source(body), restored;
    while (serial->DecryptFromStream(source, restored, JobStep) == JobStep) {
    }
    for (const unsigned threads : {1u, 2u, 3u, HardwareThreads()}) {
        SCOPED_TRACE(threads);
        auto parallel = Keyed(index, mode);
        TParallelDecryptor decryptor(threads);
        Bytes buffer = body;
        for (size_t at = 0; at < buffer.size(); at += 4 * JobStep) {
            const size_t n = std::min<size_t>(4 * JobStep, buffer.size() - at);
            const Portions portions = StepPortions(static_cast<int64_t>(n), JobStep);
            decryptor.Decrypt(*parallel, buffer.data() + at, buffer.data() + at, portions);
        }
        EXPECT_EQ(buffer, restored.Bytes());
        EXPECT_EQ(ToHex(ChainOf(*parallel)), ToHex(ChainOf(*serial)));
    }
}

TEST_P(ParallelDecrypt, WithoutAKeyRaisesBeforeChangingAnything)
{
    const auto [index, modeValue] = GetParam();
    auto cipher = CreateCipher(index);
    cipher->CipherMode = static_cast<TMV_ciphermode>(modeValue);
    const Portions portions = StepPortions(2 * int64_t{JobStep}, JobStep);
    Bytes data(TotalOf(portions), 0x11);
    try {
        DecryptPortionsParallel(*cipher, data.data(), data.data(), portions, 2);
        ADD_FAILURE() << "must raise";
    } catch (const EMV_blockcipher& e) {
        EXPECT_STREQ(e.what(), "Cipher not initialized");
    }
    EXPECT_EQ(data, Bytes(data.size(), 0x11));
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info)
{
    return std::string(CipherNames[std::get<0>(info.param)]) + "_" +
           ModeNames[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAllModes, ParallelDecrypt,
                         ::testing::Combine(::testing::Range(0, AlgorithmCount),
                                            ::testing::Range(0, 4)),
                         CaseName);

TEST(ParallelDecryptOther, UnknownModeChangesNothingLikeTheSerialCalls)
{
    auto cipher = Keyed(0, static_cast<TMV_ciphermode>(7));
    const Bytes before = ChainOf(*cipher);
    const Portions portions = StepPortions(3 * int64_t{JobStep}, JobStep);
    Bytes data(TotalOf(portions), 0x42);
    DecryptPortionsParallel(*cipher, data.data(), data.data(), portions, 3);
    EXPECT_EQ(data, Bytes(data.size(), 0x42));
    EXPECT_EQ(ChainOf(*cipher), before);
}

TEST(ParallelDecryptOther, ThreadCountZeroTakesTheMachinesThreads)
{
    EXPECT_EQ(TParallelDecryptor(0).Threads(), HardwareThreads());
    EXPECT_EQ(TParallelDecryptor(3).Threads(), 3u);
    EXPECT_EQ(TParallelDecryptor(1).Threads(), 1u);
}
