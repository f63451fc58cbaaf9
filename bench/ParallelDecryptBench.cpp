// Parallel against serial decryption of an 8 MiB body in CBC, cut as the jobs cut it (steps of
// 32767 bytes, each as portions of 8192, 8192, 8192 and 8191). Serial: one buffer call per
// portion, as DecryptFromStream makes them. Parallel: a TParallelDecryptor kept for the whole
// body, given four steps per call (what a job would hand over between two looks at its Stop
// button) or the whole body at once. Wall-clock speed and the processor time of all threads; a
// table of ratios to the serial run at the end.
//
//   build/bin/parallel_decrypt_bench
//   build/bin/parallel_decrypt_bench --benchmark_filter=Twofish
//   build/bin/parallel_decrypt_bench --alternating=21     serial and 2-thread passes in turn
#include "cipher/CipherIds.h"
#include "cipher/ParallelDecrypt.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

using namespace mv::cipher;

namespace {

constexpr int32_t JobStep = 32767;
constexpr size_t BodyBytes = 8 << 20;

struct TCipherCase
{
    const char* name;
    int index;
};
const TCipherCase Ciphers[] = {{"Twofish", 0}, {"Cast128", 4}, {"Blowfish", 5}, {"Rijndael", 1}};

std::unique_ptr<TMV_blockcipher> Keyed(int index)
{
    auto cipher = CreateCipher(index);
    cipher->SetPassword("benchmark password");
    cipher->CipherMode = cmCBC;
    return cipher;
}

void Serial(benchmark::State& state, int index)
{
    auto cipher = Keyed(index);
    std::vector<uint8_t> body(BodyBytes, 0x5C);
    std::vector<int32_t> portions;
    AppendStepPortions(portions, static_cast<int64_t>(body.size()), JobStep);
    for (auto _ : state) {
        size_t at = 0;
        for (const int32_t n : portions) {
            cipher->DecryptBuffer(body.data() + at, body.data() + at, n);
            at += static_cast<size_t>(n);
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

// stepsPerCall 0: the whole body in one call.
void Parallel(benchmark::State& state, int index, unsigned threads, size_t stepsPerCall)
{
    auto cipher = Keyed(index);
    TParallelDecryptor decryptor(threads);
    std::vector<uint8_t> body(BodyBytes, 0x5C);
    const size_t group = stepsPerCall == 0 ? body.size() : stepsPerCall * JobStep;
    std::vector<std::vector<int32_t>> calls;
    for (size_t at = 0; at < body.size(); at += group) {
        calls.emplace_back();
        AppendStepPortions(calls.back(), static_cast<int64_t>(std::min(group, body.size() - at)),
                           JobStep);
    }
    for (auto _ : state) {
        size_t at = 0;
        for (const auto& portions : calls) {
            decryptor.Decrypt(*cipher, body.data() + at, body.data() + at, portions);
            for (const int32_t n : portions)
                at += static_cast<size_t>(n);
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

// Keeps each run's wall-clock speed and its processor time (all threads of the process) so the
// ratios to the serial run can be printed at the end. The processor time shows what the
// parallel path costs beyond the serial one, also on a machine whose cores are busy with other
// work, where the wall-clock figures say little.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                figures[run.benchmark_name()] = {it->second.value, run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Each run against the serial run of the same cipher; with --benchmark_repetitions, the
    // medians against the median.
    void PrintRatios() const
    {
        std::printf("\n%-44s %10s %10s %8s %14s\n", "cipher/way", "MB/s", "serial", "ratio",
                    "cpu vs serial");
        for (const auto& [name, figure] : figures) {
            // cipher/way/process_time/real_time and an aggregate's suffix.
            const std::string tail = name.substr(name.find("/process_time"));
            const std::string suffix = tail.substr(tail.find("real_time") + 9);
            if (suffix != "" && suffix != "_median")
                continue;
            const std::string cipher = name.substr(0, name.find('/'));
            const auto serial = figures.find(cipher + "/Serial" + tail);
            if (serial == figures.end() || serial->first == name)
                continue;
            std::printf("%-44s %10.1f %10.1f %8.2f %14.2f\n", name.c_str(), figure.speed / 1e6,
                        serial->second.speed / 1e6, figure.speed / serial->second.speed,
                        figure.cpuTime / serial->second.cpuTime);
        }
    }

private:
    struct TFigure
    {
        double speed;
        double cpuTime;
    };
    std::map<std::string, TFigure> figures;
};

// Serial and parallel passes over the body in turn, each pair close in time, so that on a
// machine shared with other work both see about the same load: per cipher the median of the
// speeds and of the ratio within each pair, wall-clock and processor time of all threads.
double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Alternating(int rounds)
{
    std::printf("%-10s %12s %12s %14s %16s\n", "cipher", "serial MB/s", "2 thr MB/s", "wall ratio",
                "cpu vs serial");
    for (const auto& c : Ciphers) {
        auto serialCipher = Keyed(c.index);
        auto parallelCipher = Keyed(c.index);
        TParallelDecryptor decryptor(2);
        std::vector<uint8_t> body(BodyBytes, 0x5C);
        std::vector<int32_t> all;
        AppendStepPortions(all, static_cast<int64_t>(body.size()), JobStep);
        std::vector<std::vector<int32_t>> groups;
        for (size_t at = 0; at < body.size(); at += 4 * JobStep) {
            groups.emplace_back();
            AppendStepPortions(
                groups.back(),
                static_cast<int64_t>(std::min<size_t>(4 * JobStep, body.size() - at)), JobStep);
        }
        std::vector<double> serialSpeed, parallelSpeed, wallRatio, cpuRatio;
        for (int round = 0; round < rounds; ++round) {
            double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
            size_t at = 0;
            for (const int32_t n : all) {
                serialCipher->DecryptBuffer(body.data() + at, body.data() + at, n);
                at += static_cast<size_t>(n);
            }
            const double serialWall = Seconds(CLOCK_MONOTONIC) - wall;
            const double serialCpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
            wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
            at = 0;
            for (const auto& portions : groups) {
                decryptor.Decrypt(*parallelCipher, body.data() + at, body.data() + at, portions);
                for (const int32_t n : portions)
                    at += static_cast<size_t>(n);
            }
            const double parallelWall = Seconds(CLOCK_MONOTONIC) - wall;
            const double parallelCpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
            serialSpeed.push_back(static_cast<double>(body.size()) / serialWall / 1e6);
            parallelSpeed.push_back(static_cast<double>(body.size()) / parallelWall / 1e6);
            wallRatio.push_back(serialWall / parallelWall);
            cpuRatio.push_back(parallelCpu / serialCpu);
        }
        std::printf("%-10s %12.1f %12.1f %14.2f %16.2f\n", c.name, Median(serialSpeed),
                    Median(parallelSpeed), Median(wallRatio), Median(cpuRatio));
    }
}

} // namespace

int main(int argc, char** argv)
{
    // --alternating[=rounds]: the paired passes instead of the benchmark library's runs.
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--alternating", 13) == 0) {
            Alternating(argv[i][13] == '=' ? std::atoi(argv[i] + 14) : 15);
            return 0;
        }
    for (const auto& c : Ciphers) {
        const std::string name = c.name;
        benchmark::RegisterBenchmark((name + "/Serial").c_str(), Serial, c.index)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        for (const unsigned threads : {1u, 2u})
            benchmark::RegisterBenchmark(
                (name + "/Parallel" + std::to_string(threads) + "/FourSteps").c_str(), Parallel,
                c.index, threads, size_t{4})
                ->UseRealTime()
                ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark((name + "/Parallel2/WholeBody").c_str(), Parallel, c.index, 2u,
                                     size_t{0})
            ->UseRealTime()
            ->MeasureProcessCPUTime();
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
