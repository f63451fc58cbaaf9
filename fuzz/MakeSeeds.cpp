// Writes the seed corpora of the fuzz targets into DIR/reader and DIR/chunk:
//   reader: containers of every cipher and mode, written by the engine's own jobs with the fuzz
//           password, as plain bodies (with and without check value and CRC-32) and compressed
//           bodies (one chunk, and two chunks with an empty last one);
//   chunk:  zlib streams of text, random and repeated bytes at several levels and strategies,
//           each behind its expected length.
// Usage: fuzz_make_seeds DIR
#include "engine/ChunkCodec.h"
#include "engine/Work.h"
#include "fuzz/FuzzHost.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace mv;

namespace {

std::vector<uint8_t> Text(size_t count)
{
    const std::string line = "0042 the quick brown fox jumps over the lazy dog\n";
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(line[i % line.size()]);
    return bytes;
}

std::vector<uint8_t> Random(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

const char* const CipherNames[] = {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"};
const char* const ModeNames[] = {"cbc", "cfb8", "cfb", "ofb"};

int ReaderSeeds(const fs::path& directory, const fs::path& work)
{
    int count = 0;
    fuzz::TFuzzHost host;
    for (uint8_t algorithm = 0; algorithm < 6; ++algorithm) {
        for (uint8_t mode = 0; mode < 4; ++mode) {
            struct TKind
            {
                const char* name;
                bool compressed, pass, crc;
                std::vector<uint8_t> plain;
            };
            const TKind kinds[] = {
                {"plain", false, true, true, Random(200, algorithm * 4 + mode)},
                {"plain-nocheck", false, false, false, Text(100)},
                {"compressed", true, true, true, Text(1000)},
                {"compressed-2chunks", true, false, true, Text(32767)},
            };
            for (const TKind& kind : kinds) {
                // Only Twofish CBC carries the larger two-chunk body; the rest stay small.
                if (kind.plain.size() > 10000 && (algorithm != 0 || mode != 0))
                    continue;
                const fs::path input = work / "s.bin";
                Write(input, kind.plain);
                engine::TJobOptions options;
                options.AlgorithmIndex = algorithm;
                options.CipherModeIndex = mode;
                options.IncludePass = kind.pass;
                options.IncludeCRC = kind.crc;
                const fs::path output = directory / (std::string(CipherNames[algorithm]) + "-" +
                                                     ModeNames[mode] + "-" + kind.name + ".mvx");
                fs::remove(output);
                const engine::TJobResult result =
                    kind.compressed ? engine::EncryptCompressedFile(host, options, input, output)
                                    : engine::EncryptFile(host, options, input, output);
                if (result.Outcome != engine::TJobOutcome::Finished)
                    throw std::runtime_error("cannot write " + output.string());
                ++count;
            }
        }
    }
    return count;
}

int ChunkSeeds(const fs::path& directory)
{
    int count = 0;
    const std::vector<std::vector<uint8_t>> plains = {{},
                                                      Text(1),
                                                      Text(1000),
                                                      Text(32767),
                                                      Random(300, 1),
                                                      Random(4000, 2),
                                                      std::vector<uint8_t>(32767, 0)};
    const int parameters[][2] = {{9, Z_DEFAULT_STRATEGY},
                                 {0, Z_DEFAULT_STRATEGY},
                                 {1, Z_DEFAULT_STRATEGY},
                                 {6, Z_FILTERED},
                                 {9, Z_HUFFMAN_ONLY},
                                 {9, Z_RLE},
                                 {9, Z_FIXED}};
    for (size_t p = 0; p < plains.size(); ++p) {
        for (const auto& parameter : parameters) {
            const auto& plain = plains[p];
            std::vector<uint8_t> seed = {static_cast<uint8_t>(plain.size() >> 8),
                                         static_cast<uint8_t>(plain.size())};
            uLongf length = compressBound(static_cast<uLong>(plain.size()));
            std::vector<uint8_t> stream(length);
            z_stream z{};
            deflateInit2(&z, parameter[0], Z_DEFLATED, 15, 8, parameter[1]);
            z.next_in = const_cast<Bytef*>(plain.data());
            z.avail_in = static_cast<uInt>(plain.size());
            z.next_out = stream.data();
            z.avail_out = static_cast<uInt>(stream.size());
            deflate(&z, Z_FINISH);
            stream.resize(z.total_out);
            deflateEnd(&z);
            seed.insert(seed.end(), stream.begin(), stream.end());
            Write(directory / ("zlib-" + std::to_string(p) + "-" + std::to_string(parameter[0]) +
                               "-" + std::to_string(parameter[1])),
                  seed);
            ++count;
        }
    }
    engine::TChunkCompressor compressor;
    for (size_t p = 0; p < plains.size(); ++p) {
        const auto stream = compressor.Compress(plains[p]);
        std::vector<uint8_t> seed = {static_cast<uint8_t>(plains[p].size() >> 8),
                                     static_cast<uint8_t>(plains[p].size())};
        seed.insert(seed.end(), stream.begin(), stream.end());
        Write(directory / ("chunk-" + std::to_string(p)), seed);
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds DIR\n");
        return 2;
    }
    try {
        const fs::path root = argv[1];
        fs::create_directories(root / "reader");
        fs::create_directories(root / "chunk");
        const fs::path work = root / "work";
        fs::create_directories(work);
        const int readers = ReaderSeeds(root / "reader", work);
        const int chunks = ChunkSeeds(root / "chunk");
        fs::remove_all(work);
        std::printf("%d reader seeds, %d chunk seeds in %s\n", readers, chunks, argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
