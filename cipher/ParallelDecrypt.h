// Decryption of a run of cipher bytes on several threads, giving exactly the bytes and the
// chaining state of the serial buffer calls.
//
// In CBC, block CFB and 8-bit CFB every block's chaining input is a cipher block (or, after a
// portion that ended in a partial block, the encryption of one), so the chaining value at any
// block boundary of a portion, and at any byte in 8-bit CFB, follows from the cipher bytes
// alone. The run is cut at such points, each thread decrypts its part with a copy of the
// cipher set to that point's chaining value, and the cipher ends with the value the last part
// leaves. OFB has no such points: it runs as the serial calls.
//
// A job that would call DecryptFromStream(source, target, 32767) k times instead reads the k
// steps into one buffer and calls
//   std::vector<int32_t> portions;
//   AppendStepPortions(portions, bytesRead, 32767);
//   decryptor.Decrypt(cipher, buffer, buffer, portions);
// A compressed body appends AppendStepPortions(portions, chunkLength, chunkLength) per chunk.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/WorkerPool.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mv::cipher {

// Appends the lengths of the buffer calls that DecryptFromStream (and EncryptFromStream) make
// when they move `length` bytes in calls of stepSize bytes from a source that holds them all:
// each step as portions of StreamBufferSize and a remainder, the last step as far as the bytes
// go. The run starts startInStep bytes into a step, which must be a portion boundary (a multiple
// of StreamBufferSize below stepSize). For a compressed body's chunk, stepSize and length are
// both the chunk's length. Raises std::invalid_argument for a stepSize below 1, a negative
// length or a startInStep that is no portion boundary.
void AppendStepPortions(std::vector<int32_t>& portions, int64_t length, int32_t stepSize,
                        int32_t startInStep = 0);

class TParallelDecryptor
{
public:
    // The run is cut into up to PartsPerThread parts per thread, which the threads take in
    // turn: a thread that starts late, or that another process slows down, leaves its share to
    // the others instead of holding up the call. A part is at least MinPartBytes long (a
    // shorter one is not worth a thread's wake-up), so every part but the first begins well
    // past the run's first block.
    static constexpr size_t PartsPerThread = 4;
    static constexpr size_t MinPartBytes = 8192;

    // threads counts the calling thread; 0 takes std::thread::hardware_concurrency(). The
    // threads are started here and kept until destruction.
    explicit TParallelDecryptor(unsigned threads = 0);

    unsigned Threads() const { return pool.Threads(); }
    // The decryptor's threads, for work that follows a Decrypt on the same bytes (a compressed
    // body inflates its chunks on them).
    TWorkerPool& Pool() { return pool; }

    // Decrypts the run `in` into `out` exactly as cipher.DecryptBuffer called once per entry of
    // portions, in order, over consecutive bytes would, and leaves cipher with the chaining value
    // those calls leave. The run's length is the sum of the positive entries; entries of 0 or
    // less are calls that do nothing. out may be in itself (the jobs decrypt in place) or a
    // buffer that does not overlap it. Raises what the serial calls raise ("Cipher not
    // initialized" on a cipher without a key, before any byte changes). cipher must not be used
    // elsewhere during the call.
    void Decrypt(TMV_blockcipher& cipher, const uint8_t* in, uint8_t* out,
                 std::span<const int32_t> portions);

private:
    TWorkerPool pool;
};

// The same with threads started for this call alone.
void DecryptPortionsParallel(TMV_blockcipher& cipher, const uint8_t* in, uint8_t* out,
                             std::span<const int32_t> portions, unsigned threads);

} // namespace mv::cipher
