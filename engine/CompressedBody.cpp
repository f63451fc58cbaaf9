#include "engine/CompressedBody.h"

#include "engine/BackgroundIo.h"
#include "engine/JobStatus.h"
#include "engine/Work.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace mv::engine {

namespace {

// The cipher sees a chunk's stream in the portions EncryptFromStream would give it: whole
// buffers of StreamBufferSize, then the remainder, the chaining running on throughout.
template <bool Encrypting>
void InPortions(cipher::TMV_blockcipher& cipher, std::span<uint8_t> bytes)
{
    for (size_t at = 0; at < bytes.size(); at += cipher::StreamBufferSize) {
        const auto n =
            static_cast<int32_t>(std::min<size_t>(cipher::StreamBufferSize, bytes.size() - at));
        if constexpr (Encrypting)
            cipher.EncryptBuffer(bytes.data() + at, bytes.data() + at, n);
        else
            cipher.DecryptBuffer(bytes.data() + at, bytes.data() + at, n);
    }
}

// Reads count bytes unless the stream ends first; returns how many it got.
int64_t ReadFully(platform::TStream& stream, uint8_t* buffer, int64_t count)
{
    int64_t got = 0;
    while (got < count) {
        const int64_t n = stream.Read(buffer + got, count - got);
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

} // namespace

void SetCompressedLayout(TContainerHeader& header, int64_t plainSize)
{
    header.IsCompressed = true;
    header.HasPasswordCheck = true;
    header.LastChunkSize = static_cast<int32_t>(plainSize % JobChunkSize);
    header.ChunkTableSize = static_cast<int32_t>(2 * ChunkCountFor(plainSize));
}

// ---- TCompressedBodyWriter --------------------------------------------------------------------

namespace {

unsigned ThreadsFor(unsigned threads)
{
    return threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
}

// The longest chunk stream a table entry can give.
constexpr size_t MaxStreamBytes = 0xFFFF;

} // namespace

// Chunks between the input and the cipher. The calling thread reads them in order into free
// places; whichever thread is free deflates the oldest chunk not yet taken; the calling thread
// takes them back in order. While it waits for the oldest one it deflates waiting chunks itself,
// so with one thread in all it deflates every chunk as it comes, and with more no core idles
// while chunks wait. Each chunk is a stream of its own, so which thread deflates it does not
// change a byte of it.
class TCompressedBodyWriter::TDeflateQueue
{
public:
    // threads deflate, the calling thread among them; each keeps a compressor of its own.
    explicit TDeflateQueue(unsigned threads)
    {
        // Enough chunks ahead for every thread to have the next one at hand while the calling
        // thread encrypts and writes; one place when that thread does everything itself.
        const size_t placeCount = threads == 1 ? 1 : 2 * size_t{threads} + 2;
        for (size_t i = 0; i < placeCount; ++i)
            places.push_back(std::make_unique<TPlace>());
        compressors.push_back(std::make_unique<TChunkCompressor>());
        try {
            for (unsigned t = 1; t < threads; ++t) {
                compressors.push_back(std::make_unique<TChunkCompressor>());
                workers.push_back(StartQuietThread([this, t] { WorkerLoop(*compressors[t]); }));
            }
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~TDeflateQueue() { Stop(); }
    TDeflateQueue(const TDeflateQueue&) = delete;
    TDeflateQueue& operator=(const TDeflateQueue&) = delete;

    bool Empty() const { return head == tail; }
    bool Full() const { return tail - head == places.size(); }

    // Where the next chunk's plain bytes go; only while not Full.
    uint8_t* NextPlain() { return places[tail % places.size()]->plain.data(); }
    // The next chunk holds plainBytes bytes now: it waits for a thread.
    void Queue(size_t plainBytes)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            places[tail % places.size()]->plainBytes = plainBytes;
            ++tail;
        }
        work.notify_one();
    }

    struct TChunk
    {
        std::span<uint8_t> stream;
        size_t plainBytes;
    };
    // The oldest chunk, deflated; only while not Empty. Raises what deflating it raised.
    TChunk Oldest()
    {
        std::unique_lock<std::mutex> guard(lock);
        TPlace& oldest = *places[head % places.size()];
        while (!oldest.deflated) {
            if (next < tail) {
                TPlace& waiting = *places[next++ % places.size()];
                guard.unlock();
                Deflate(waiting, *compressors.front());
                guard.lock();
                waiting.deflated = true;
                continue;
            }
            done.wait(guard);
        }
        if (oldest.failure)
            std::rethrow_exception(oldest.failure);
        return {oldest.stream.first(oldest.streamBytes), oldest.plainBytes};
    }
    // The oldest chunk's place is free again.
    void Release()
    {
        std::lock_guard<std::mutex> guard(lock);
        TPlace& oldest = *places[head % places.size()];
        oldest.deflated = false;
        oldest.failure = nullptr;
        ++head;
    }

private:
    struct TPlace
    {
        TWipedBuffer plain{JobChunkSize};
        TWipedBuffer stream{MaxStreamBytes};
        size_t plainBytes = 0;
        size_t streamBytes = 0;
        bool deflated = false;
        std::exception_ptr failure;
    };

    static void Deflate(TPlace& place, TChunkCompressor& compressor)
    {
        try {
            const std::span<uint8_t> bytes =
                compressor.Compress(place.plain.first(place.plainBytes));
            std::copy(bytes.begin(), bytes.end(), place.stream.data());
            place.streamBytes = bytes.size();
        } catch (...) {
            place.failure = std::current_exception();
        }
    }

    void WorkerLoop(TChunkCompressor& compressor)
    {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            work.wait(guard, [&] { return stopping || next < tail; });
            if (stopping)
                return;
            TPlace& place = *places[next++ % places.size()];
            guard.unlock();
            Deflate(place, compressor);
            guard.lock();
            place.deflated = true;
            done.notify_one();
        }
    }

    // Each thread ends the chunk it is on; the places, holding plain bytes, are overwritten as
    // they go.
    void Stop()
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        work.notify_all();
        for (std::thread& worker : workers)
            worker.join();
        workers.clear();
    }

    std::vector<std::unique_ptr<TPlace>> places;
    // The calling thread's first, then one per worker.
    std::vector<std::unique_ptr<TChunkCompressor>> compressors;
    std::mutex lock;
    std::condition_variable work;
    std::condition_variable done;
    // Chunk numbers: head is the oldest held, next the oldest no thread has taken, tail the one
    // read next. Changed under lock; head and tail only by the calling thread.
    size_t head = 0;
    size_t next = 0;
    size_t tail = 0;
    bool stopping = false;
    std::vector<std::thread> workers;
};

TCompressedBodyWriter::TCompressedBodyWriter(cipher::TMV_blockcipher& jobCipher,
                                             platform::TStream& source, int64_t total,
                                             platform::TStream& target, const std::string& caption,
                                             unsigned threads)
    : cipher(jobCipher), input(source), output(target), totalBytes(total), rateCaption(caption),
      table(total < 0 ? 0 : static_cast<size_t>(2 * ChunkCountFor(total)))
{
    threads = ThreadsFor(threads);
    // A body of one chunk has nothing to share.
    if (total >= 0 && ChunkCountFor(total) < 2)
        threads = 1;
    queue = std::make_unique<TDeflateQueue>(threads);
}

TCompressedBodyWriter::~TCompressedBodyWriter() = default;

void TCompressedBodyWriter::ReadAhead()
{
    while (!inputEnded && !queue->Full()) {
        int64_t n = 0;
        if (totalBytes < 0) {
            // A stream of unknown length: chunks until one comes short, the table growing with
            // them.
            if (chunksRead >= static_cast<size_t>(MaxChunkCount))
                throw platform::EStreamError(TextTooLargeToCompress);
            n = ReadFully(input, queue->NextPlain(), JobChunkSize);
            table.resize(table.size() + 2);
        } else {
            if (chunksRead >= table.size() / 2)
                throw platform::Exception("Internal error : more chunks than the table holds");
            n = std::min<int64_t>(JobChunkSize, totalBytes - readBytes);
            if (ReadFully(input, queue->NextPlain(), n) != n)
                throw platform::EStreamError(
                    "The input file became shorter while it was being read");
        }
        readBytes += n;
        ++chunksRead;
        inputEnded = n != JobChunkSize;
        queue->Queue(static_cast<size_t>(n));
    }
}

TLoopStep TCompressedBodyWriter::WriteChunk()
{
    ReadAhead();
    if (queue->Empty())
        throw platform::Exception("Internal error : no chunk left to write");
    const TDeflateQueue::TChunk chunk = queue->Oldest();
    // Encrypted where it lies: the plain stream is not needed again.
    InPortions<true>(cipher, chunk.stream);
    output.Write(chunk.stream.data(), static_cast<int64_t>(chunk.stream.size()));
    compressedBytes += static_cast<int64_t>(chunk.stream.size());
    SetChunkTableEntry(table, chunkIndex++, static_cast<uint16_t>(chunk.stream.size()));
    const auto n = static_cast<int64_t>(chunk.plainBytes);
    lastChunkBytes = static_cast<int32_t>(n);
    processedBytes += n;
    queue->Release();
    // The freed place gets the next chunk at once: the other threads deflate it while the loop
    // shows its status.
    ReadAhead();

    return TLoopStep{n, n != JobChunkSize,
                     rateCaption +
                         std::to_string(CompressionRate(compressedBytes, processedBytes)) + " %"};
}

void TCompressedBodyWriter::WriteTable()
{
    // Every pass of the loop wrote one entry; a table with a gap would make the body unreadable.
    if (chunkIndex != table.size() / 2)
        throw platform::Exception("Internal error : the chunk table is incomplete");
    output.Write(table.data(), static_cast<int64_t>(table.size()));
}

// ---- TCompressedBodyReader --------------------------------------------------------------------

TCompressedBodyReader::TCompressedBodyReader(cipher::TMV_blockcipher& jobCipher,
                                             platform::TStream& source,
                                             std::span<const uint8_t> chunkTable, int32_t lastChunk,
                                             platform::TStream& target, unsigned threads)
    : cipher(jobCipher), container(source), output(target), table(chunkTable),
      lastChunkSize(lastChunk),
      // A body of one group has nothing to share: no thread is started for it.
      decryptor(chunkTable.size() / 2 > GroupChunks ? ThreadsFor(threads) : 1),
      stream(GroupChunks * MaxStreamBytes), plain(GroupChunks * JobChunkSize)
{
    for (unsigned t = 0; t < decryptor.Threads(); ++t)
        inflaters.push_back(std::make_unique<TChunkInflater>());
}

size_t TCompressedBodyReader::ExpectedPlain(size_t chunk) const
{
    return chunk + 1 == table.size() / 2 ? static_cast<size_t>(lastChunkSize)
                                         : size_t{JobChunkSize};
}

void TCompressedBodyReader::DecodeGroup()
{
    const size_t first = chunkIndex;
    size_t group = std::min(GroupChunks, table.size() / 2 - first);
    at[0] = 0;
    for (size_t i = 0; i < group; ++i)
        at[i + 1] = at[i] + ChunkTableEntry(table, first + i);

    // The layout was checked against the file's length; a shorter read means the file changed.
    // The chunks read whole are restored before that is said.
    const auto got =
        static_cast<size_t>(ReadFully(container, stream.data(), static_cast<int64_t>(at[group])));
    cutAfterGroup = got != at[group];
    while (at[group] > got)
        --group;

    portions.clear();
    for (size_t i = 0; i < group; ++i) {
        const auto length = static_cast<int32_t>(at[i + 1] - at[i]);
        cipher::AppendStepPortions(portions, length, length);
    }
    decryptor.Decrypt(cipher, stream.data(), stream.data(), portions);
    // Only the body's last chunk is short: chunk i of the group goes JobChunkSize * i bytes in.
    decryptor.Pool().Run(static_cast<unsigned>(group), [&](unsigned i, unsigned thread) {
        results[i] = inflaters[thread]->Inflate(
            std::span(stream.data() + at[i], at[i + 1] - at[i]),
            std::span(plain.data() + size_t{JobChunkSize} * i, ExpectedPlain(first + i)));
    });
    groupBegin = first;
    groupEnd = first + group;
}

TLoopStep TCompressedBodyReader::ReadChunk()
{
    const size_t count = table.size() / 2;
    const std::string where =
        "chunk " + std::to_string(chunkIndex + 1) + " of " + std::to_string(count);
    if (chunkIndex == groupEnd && !cutAfterGroup)
        DecodeGroup();
    if (chunkIndex == groupEnd)
        throw EDamagedContainer(where + " is cut off");

    const size_t i = chunkIndex - groupBegin;
    if (results[i] != TInflateResult::Inflated)
        throw EDamagedContainer(where + ": " + InflateResultText(results[i]));
    output.Write(plain.data() + size_t{JobChunkSize} * i,
                 static_cast<int64_t>(ExpectedPlain(chunkIndex)));
    ++chunkIndex;
    return TLoopStep{static_cast<int64_t>(at[i + 1] - at[i]), chunkIndex == count, {}};
}

} // namespace mv::engine
