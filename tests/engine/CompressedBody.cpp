// The compressed body on several threads: the writer's bytes do not depend on how many threads
// deflate, the reader restores the same bytes and fails at the same chunk, with the same
// message, however many threads decrypt and inflate.
#include "engine/CompressedBody.h"

#include "cipher/CipherIds.h"
#include "platform/MemoryStream.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv::engine {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::TMemoryStream;

constexpr size_t Chunk = JobChunkSize;

std::unique_ptr<cipher::TMV_blockcipher> Keyed(int index, cipher::TMV_ciphermode mode)
{
    auto c = cipher::CreateCipher(index);
    c->SetPassword("compressed body");
    c->CipherMode = mode;
    return c;
}

// Stretches of text and of random bytes, so chunks deflate at very different speeds and the
// threads finish out of order.
Bytes MixedBytes(size_t count, uint64_t seed)
{
    const Bytes noise = test::PseudoRandomBytes(count, seed);
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] =
            (i / 50000) % 3 == 1 ? noise[i] : static_cast<uint8_t>("the cat sat\n"[noise[i] % 12]);
    return bytes;
}

struct TBody
{
    Bytes chunks; // the cipher bytes of the chunks
    Bytes table;
    int32_t lastChunkBytes = 0;
};

// input is read as a file of known length, or as a pipe when stream is set.
TBody Write(int index, cipher::TMV_ciphermode mode, const Bytes& plain, bool stream,
            unsigned threads)
{
    auto c = Keyed(index, mode);
    TMemoryStream input(plain);
    TMemoryStream output;
    TCompressedBodyWriter writer(*c, input, stream ? -1 : static_cast<int64_t>(plain.size()),
                                 output, "", threads);
    for (bool last = false; !last;)
        last = writer.WriteChunk().Last;
    writer.WriteTable();
    const Bytes& all = output.Bytes();
    const size_t tableBytes = static_cast<size_t>(writer.ChunkTableBytes());
    EXPECT_EQ(writer.CompressedBytes(), static_cast<int64_t>(all.size() - tableBytes));
    EXPECT_EQ(writer.PlainBytes(), static_cast<int64_t>(plain.size()));
    return {Bytes(all.begin(), all.end() - static_cast<std::ptrdiff_t>(tableBytes)),
            Bytes(all.end() - static_cast<std::ptrdiff_t>(tableBytes), all.end()),
            writer.LastChunkBytes()};
}

struct TRead
{
    Bytes restored;
    size_t steps = 0;
    std::string failure;
};

TRead Read(int index, cipher::TMV_ciphermode mode, const TBody& body, unsigned threads)
{
    auto c = Keyed(index, mode);
    TMemoryStream container(body.chunks);
    TMemoryStream output;
    TCompressedBodyReader reader(*c, container, body.table, body.lastChunkBytes, output, threads);
    TRead read;
    try {
        for (bool last = false; !last; ++read.steps)
            last = reader.ReadChunk().Last;
    } catch (const EDamagedContainer& e) {
        read.failure = e.what();
    }
    read.restored = output.Bytes();
    return read;
}

// ---- The writer -----------------------------------------------------------------------------

struct TWriteCase
{
    size_t size;
    bool stream;
};

class CompressedBodyThreads : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

TEST_P(CompressedBodyThreads, TheBodyIsTheSameOnOneTwoAndThreeThreads)
{
    const auto [index, modeIndex] = GetParam();
    const auto mode = static_cast<cipher::TMV_ciphermode>(modeIndex);
    const TWriteCase cases[] = {
        {0, false},          {Chunk - 1, false},       {Chunk, false},     {3 * Chunk + 5, false},
        {40 * Chunk, false}, {40 * Chunk + 777, true}, {17 * Chunk, true},
    };
    for (const TWriteCase& c : cases) {
        const Bytes plain = MixedBytes(c.size, c.size + 1);
        const TBody one = Write(index, mode, plain, c.stream, 1);
        ASSERT_EQ(one.table.size(), 2 * ChunkCountFor(static_cast<int64_t>(c.size))) << c.size;
        for (const unsigned threads : {2u, 3u}) {
            const TBody more = Write(index, mode, plain, c.stream, threads);
            EXPECT_EQ(more.chunks, one.chunks) << c.size << " bytes, " << threads << " threads";
            EXPECT_EQ(more.table, one.table) << c.size;
            EXPECT_EQ(more.lastChunkBytes, one.lastChunkBytes) << c.size;
        }
        for (const unsigned threads : {1u, 2u, 3u}) {
            const TRead read = Read(index, mode, one, threads);
            EXPECT_EQ(read.failure, "") << c.size << " bytes, " << threads << " threads";
            EXPECT_EQ(read.restored, plain) << c.size << " bytes, " << threads << " threads";
            EXPECT_EQ(read.steps, one.table.size() / 2) << "one step per chunk";
        }
    }
}

// Twofish, AES, CAST-128 and Blowfish in every mode: block sizes of 16 and 8 bytes, and OFB,
// which the reader decrypts serially while it inflates in parallel.
INSTANTIATE_TEST_SUITE_P(Ciphers, CompressedBodyThreads,
                         ::testing::Combine(::testing::Values(0, 1, 4, 5), ::testing::Range(0, 4)));

// ---- The reader's failures --------------------------------------------------------------------

struct TDamageCase
{
    const char* what;
    size_t chunk;     // 0-based chunk that is damaged
    bool cut;         // the container ends inside it; else a byte in its middle is changed
    const char* text; // the message's end
};

TEST(CompressedBodyReader, ADamagedChunkStopsTheBodyAtThatChunkOnAnyNumberOfThreads)
{
    const Bytes plain = MixedBytes(30 * Chunk + 100, 7);
    const TBody good = Write(0, cipher::cmCBC, plain, false, 1);
    const size_t count = good.table.size() / 2;
    std::vector<size_t> offsets{0};
    for (size_t k = 0; k < count; ++k)
        offsets.push_back(offsets.back() + ChunkTableEntry(good.table, k));

    const TDamageCase cases[] = {
        {"first chunk", 0, false, ""},
        {"first of the second group", TCompressedBodyReader::GroupChunks, false, ""},
        {"inside the second group", TCompressedBodyReader::GroupChunks + 3, false, ""},
        {"last chunk", count - 1, false, ""},
        {"cut inside the second group", TCompressedBodyReader::GroupChunks + 2, true,
         " is cut off"},
        {"cut at the last chunk", count - 1, true, " is cut off"},
    };
    for (const TDamageCase& c : cases) {
        TBody body = good;
        if (c.cut)
            body.chunks.resize(offsets[c.chunk] + (offsets[c.chunk + 1] - offsets[c.chunk]) / 2);
        else
            body.chunks[(offsets[c.chunk] + offsets[c.chunk + 1]) / 2] ^= 0x5A;
        const std::string where =
            "chunk " + std::to_string(c.chunk + 1) + " of " + std::to_string(count);
        for (const unsigned threads : {1u, 2u, 3u}) {
            const TRead read = Read(0, cipher::cmCBC, body, threads);
            EXPECT_EQ(read.steps, c.chunk) << c.what << ", " << threads << " threads";
            // Everything before the damaged chunk, nothing of it.
            EXPECT_EQ(read.restored, Bytes(plain.begin(), plain.begin() + c.chunk * Chunk))
                << c.what << ", " << threads << " threads";
            EXPECT_EQ(read.failure.rfind(where + (c.cut ? c.text : ": "), 0), 0u)
                << c.what << ", " << threads << " threads: " << read.failure;
        }
    }
}

} // namespace
} // namespace mv::engine
