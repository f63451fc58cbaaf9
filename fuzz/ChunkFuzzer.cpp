// The chunk inflater without the cipher in front, so mutations reach the deflate decoder itself,
// against zlib as the reference: a stream is accepted exactly when zlib inflates it completely to
// the expected length with nothing left over, and then to the same bytes. The first two input
// bytes give the expected length (at most 32767, a full chunk), the rest is the stream.
#include "engine/ChunkCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <zlib.h>

using namespace mv;

namespace {

// zlib's verdict: the plain bytes when the stream is complete, exactly expected long and
// followed by nothing.
bool ZlibInflates(const uint8_t* stream, size_t size, size_t expected, std::vector<uint8_t>& plain)
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
    const bool zlibAccepts = ZlibInflates(stream, length, expected, reference);
    if (accepted != zlibAccepts || (accepted && ours != reference))
        std::abort();
    return 0;
}
