// Cipher throughput over one job step (32767 bytes as portions of 8192, 8192, 8192 and 8191, the
// way the jobs cut it), every cipher in every mode, and Crypto++'s implementation of the same
// cipher and mode over the same bytes in the same run. At the end a table gives our speed as a
// ratio of Crypto++'s.
//
//   build/bin/cipher_bench                       all of it
//   build/bin/cipher_bench --benchmark_filter=Twofish
#include "cipher/CipherIds.h"
#include "cipher/Rijndael.h"
#include "cipher/Sha1.h"

#include <benchmark/benchmark.h>
#include <cryptopp/aes.h>
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/gost.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/twofish.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace mv::cipher;

namespace {

constexpr int32_t JobStep = 32767;
const char* const CipherNames[] = {"Twofish", "Rijndael", "RC2", "Gost", "Cast128", "Blowfish"};
const char* const ModeNames[] = {"CBC", "CFB8", "CFB", "OFB"};
const char* const Password = "benchmark password";

std::vector<uint8_t> Key(int index)
{
    uint8_t digest[20];
    TMV_sha1 hash;
    hash.Start();
    hash.AddString(Password);
    hash.Finish(digest);
    std::vector<uint8_t> key(digest, digest + 20);
    if (index == 0 || index == 1)
        key.resize(24, 0);
    else if (index == 3)
        key.resize(32, 0);
    else if (index == 4)
        key.resize(16);
    return key;
}

template <class C>
std::unique_ptr<CryptoPP::BlockCipher> MakeCipher(bool encryption, const std::vector<uint8_t>& key,
                                                  const CryptoPP::NameValuePairs& params)
{
    std::unique_ptr<CryptoPP::BlockCipher> c;
    if (encryption)
        c = std::make_unique<typename C::Encryption>();
    else
        c = std::make_unique<typename C::Decryption>();
    c->SetKey(key.data(), key.size(), params);
    return c;
}

std::unique_ptr<CryptoPP::BlockCipher> OracleCipher(int index, bool encryption)
{
    const auto key = Key(index);
    switch (index) {
    case 0:
        return MakeCipher<CryptoPP::Twofish>(encryption, key, CryptoPP::g_nullNameValuePairs);
    case 1:
        return MakeCipher<CryptoPP::AES>(encryption, key, CryptoPP::g_nullNameValuePairs);
    case 2:
        return MakeCipher<CryptoPP::RC2>(
            encryption, key, CryptoPP::MakeParameters(CryptoPP::Name::EffectiveKeyLength(), 1024));
    case 3:
        return MakeCipher<CryptoPP::GOST>(encryption, key, CryptoPP::g_nullNameValuePairs);
    case 4:
        return MakeCipher<CryptoPP::CAST128>(encryption, key, CryptoPP::g_nullNameValuePairs);
    default:
        return MakeCipher<CryptoPP::Blowfish>(encryption, key, CryptoPP::g_nullNameValuePairs);
    }
}

void Ours(benchmark::State& state, int index, int mode, bool encrypting, bool tables)
{
    auto cipher = tables ? std::make_unique<TMV_rijndael>(TMV_rijndael::TPath::TableOnly)
                         : CreateCipher(index);
    cipher->SetPassword(Password);
    cipher->CipherMode = static_cast<TMV_ciphermode>(mode);
    std::vector<uint8_t> buffer(JobStep, 0x5C);
    for (auto _ : state) {
        for (int32_t offset = 0; offset < JobStep; offset += 8192) {
            const int32_t n = std::min<int32_t>(8192, JobStep - offset);
            if (encrypting)
                cipher->EncryptBuffer(buffer.data() + offset, buffer.data() + offset, n);
            else
                cipher->DecryptBuffer(buffer.data() + offset, buffer.data() + offset, n);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * JobStep);
}

void Theirs(benchmark::State& state, int index, int mode, bool encrypting)
{
    using namespace CryptoPP;
    // CBC in Crypto++ takes whole blocks only: the last portion is cut to a block multiple.
    auto block = OracleCipher(index, encrypting || mode != 0);
    const size_t b = block->BlockSize();
    std::vector<uint8_t> iv(b, 0x33);
    std::unique_ptr<StreamTransformation> t;
    switch (mode) {
    case 0:
        if (encrypting)
            t = std::make_unique<CBC_Mode_ExternalCipher::Encryption>(*block, iv.data());
        else
            t = std::make_unique<CBC_Mode_ExternalCipher::Decryption>(*block, iv.data());
        break;
    case 1:
        if (encrypting)
            t = std::make_unique<CFB_Mode_ExternalCipher::Encryption>(*block, iv.data(), 1);
        else
            t = std::make_unique<CFB_Mode_ExternalCipher::Decryption>(*block, iv.data(), 1);
        break;
    case 2:
        if (encrypting)
            t = std::make_unique<CFB_Mode_ExternalCipher::Encryption>(*block, iv.data());
        else
            t = std::make_unique<CFB_Mode_ExternalCipher::Decryption>(*block, iv.data());
        break;
    default:
        t = std::make_unique<OFB_Mode_ExternalCipher::Encryption>(*block, iv.data());
        break;
    }
    const size_t total = mode == 0 ? JobStep / b * b : JobStep;
    std::vector<uint8_t> buffer(JobStep, 0x5C);
    for (auto _ : state) {
        for (size_t offset = 0; offset < total; offset += 8192) {
            const size_t n = std::min<size_t>(8192, total - offset);
            t->ProcessData(buffer.data() + offset, buffer.data() + offset, n);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void SetPassword(benchmark::State& state, int index)
{
    auto cipher = CreateCipher(index);
    for (auto _ : state)
        cipher->SetPassword(Password);
}

// Keeps each run's speed so the ratios can be printed once everything has run.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                speeds[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        std::printf("\n%-34s %12s %12s %8s\n", "cipher/mode/direction", "ours MB/s", "Crypto++",
                    "ratio");
        for (const auto& [name, speed] : speeds) {
            if (name.rfind("Ours/", 0) != 0)
                continue;
            const std::string rest = name.substr(5);
            const auto theirs = speeds.find("CryptoPP/" + rest);
            if (theirs == speeds.end())
                continue;
            std::printf("%-34s %12.1f %12.1f %8.2f\n", rest.c_str(), speed / 1e6,
                        theirs->second / 1e6, speed / theirs->second);
        }
    }

private:
    std::map<std::string, double> speeds;
};

} // namespace

int main(int argc, char** argv)
{
    for (int index = 0; index < AlgorithmCount; ++index) {
        for (int mode = 0; mode < 4; ++mode) {
            for (bool encrypting : {true, false}) {
                const std::string name = std::string(CipherNames[index]) + "/" + ModeNames[mode] +
                                         "/" + (encrypting ? "Encrypt" : "Decrypt");
                benchmark::RegisterBenchmark(("Ours/" + name).c_str(), Ours, index, mode,
                                             encrypting, false);
                benchmark::RegisterBenchmark(("CryptoPP/" + name).c_str(), Theirs, index, mode,
                                             encrypting);
                if (index == 1)
                    benchmark::RegisterBenchmark(("Tables/" + name).c_str(), Ours, index, mode,
                                                 encrypting, true);
            }
        }
        benchmark::RegisterBenchmark(
            (std::string("SetPassword/") + CipherNames[index]).c_str(), SetPassword, index);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
