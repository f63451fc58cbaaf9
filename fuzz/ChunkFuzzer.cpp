// The chunk inflater without the cipher in front, so mutations reach the deflate decoder itself,
// against zlib as the reference: every stream that zlib inflates completely to the expected
// length with nothing left over must be accepted, and give the same bytes. The other way round
// libdeflate is a little more lenient: it decodes the two reserved length symbols (286, 287) of
// the fixed Huffman code, which zlib refuses; such a stream is still accepted only with the exact
// length and a matching Adler-32, and this target checks that zlib's only objection is such a
// symbol. The first two input bytes give the expected length (at most 32767, a full chunk), the
// rest is the stream.
#include "engine/ChunkCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

using namespace mv;

namespace {

// The decoders are system libraries without coverage instrumentation, so the fuzzer alone would
// see only this file's few branches and keep no stream that gets further than another. These
// counters (libFuzzer's extra counters) stand in: one per zlib result, power-of-two bucket of
// bytes consumed and of bytes produced, so a mutation that carries the decoder deeper into a
// stream, or out of it differently, counts as new coverage.
constexpr int ResultKinds = 8;
constexpr int Buckets = 18;
__attribute__((section("__libfuzzer_extra_counters"), used))
uint8_t extraCounters[ResultKinds * Buckets * Buckets];

int Bucket(size_t n)
{
    int b = 0;
    while (n > 0 && b < Buckets - 1) {
        n >>= 1;
        ++b;
    }
    return b;
}

void Count(int zlibResult, size_t consumed, size_t produced)
{
    const int kind = std::min(std::max(zlibResult + 6, 0), ResultKinds - 1); // Z_VERSION_ERROR..
    uint8_t& counter =
        extraCounters[(kind * Buckets + Bucket(consumed)) * Buckets + Bucket(produced)];
    if (counter < 255)
        ++counter;
}

// zlib's verdict: the plain bytes when the stream is complete, exactly expected long and
// followed by nothing.
bool ZlibInflates(const uint8_t* stream, size_t size, size_t expected, std::vector<uint8_t>& plain,
                  std::string& error)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        std::abort();
    plain.assign(expected + 1, 0);
    z.next_in = const_cast<Bytef*>(stream);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = plain.data();
    z.avail_out = static_cast<uInt>(plain.size());
    const int result = inflate(&z, Z_FINISH);
    const bool complete = result == Z_STREAM_END && z.total_out == expected && z.avail_in == 0;
    Count(result, z.total_in, z.total_out);
    error = z.msg ? z.msg : "";
    inflateEnd(&z);
    plain.resize(expected);
    return complete;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t expected = (size_t{data[0]} << 8 | data[1]) % (engine::JobChunkSize + 1);
    const uint8_t* stream = data + 2;
    const size_t length = size - 2;

    static engine::TChunkInflater inflater;
    std::vector<uint8_t> ours(expected);
    const bool accepted =
        inflater.Inflate(std::span(stream, length), ours) == engine::TInflateResult::Inflated;
    std::vector<uint8_t> reference;
    std::string zlibError;
    const bool zlibAccepts = ZlibInflates(stream, length, expected, reference, zlibError);
    if (zlibAccepts && (!accepted || ours != reference))
        std::abort();
    if (accepted && !zlibAccepts) {
        // libdeflate decodes some malformed streams that zlib refuses (a reserved length symbol
        // of a fixed block, a code-length repeat running past its count). What is accepted must
        // still be exactly the chunk's length and carry the stored Adler-32 (nothing follows an
        // accepted stream, so it is the last 4 bytes).
        const uint32_t stored = uint32_t{stream[length - 4]} << 24 |
                                uint32_t{stream[length - 3]} << 16 |
                                uint32_t{stream[length - 2]} << 8 | stream[length - 1];
        if (adler32(adler32(0, nullptr, 0), ours.data(), static_cast<uInt>(ours.size())) != stored)
            std::abort();
    }
    return 0;
}
