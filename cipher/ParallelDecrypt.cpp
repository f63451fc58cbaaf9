#include "cipher/ParallelDecrypt.h"

#include "cipher/BitOps.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace mv::cipher {

void AppendStepPortions(std::vector<int32_t>& portions, int64_t length, int32_t stepSize,
                        int32_t startInStep)
{
    if (stepSize < 1 || length < 0 || startInStep < 0 || startInStep >= stepSize ||
        startInStep % StreamBufferSize != 0)
        throw std::invalid_argument("AppendStepPortions: no run of stream portions");
    int64_t pos = startInStep;
    while (length > 0) {
        const int64_t portionEnd = std::min<int64_t>(pos + StreamBufferSize, stepSize);
        const int64_t n = std::min(portionEnd - pos, length);
        portions.push_back(static_cast<int32_t>(n));
        length -= n;
        pos += n;
        if (pos == stepSize)
            pos = 0;
    }
}

namespace {

// One buffer call of the run: its first byte's offset and its length (positive).
struct TCall
{
    size_t start;
    size_t length;
    size_t End() const { return start + length; }
};

// Chaining values copied out of a cipher; wiped when they go.
class TChainStore
{
public:
    TChainStore(size_t count, size_t blockBytes) : bytes(count * blockBytes), b(blockBytes) {}
    ~TChainStore() { SecureFill(bytes.data(), bytes.size(), 0); }
    TChainStore(const TChainStore&) = delete;
    TChainStore& operator=(const TChainStore&) = delete;
    uint8_t* operator[](size_t k) { return bytes.data() + k * b; }

private:
    std::vector<uint8_t> bytes;
    size_t b;
};

void SerialCalls(TMV_blockcipher& cipher, const uint8_t* in, uint8_t* out,
                 std::span<const int32_t> portions)
{
    size_t at = 0;
    for (const int32_t n : portions) {
        cipher.DecryptBuffer(in + at, out + at, n);
        if (n > 0)
            at += static_cast<size_t>(n);
    }
}

// The chaining value the serial calls hold when call p begins, in a block mode (CBC or block
// CFB): after a call with whole blocks it is that call's last cipher block, and a final partial
// block replaces it by its encryption. Calls shorter than a block only encrypt it once more, so
// the walk goes back to the last call with a whole block (or to the run's start).
void ChainBeforeCall(TMV_blockcipher& cipher, const std::vector<TCall>& calls, size_t p,
                     const uint8_t* in, uint8_t* chain)
{
    const size_t b = static_cast<size_t>(cipher.BlockBytes());
    size_t from = 0;
    std::memcpy(chain, cipher.Chain(), b);
    for (size_t q = p; q-- > 0;) {
        if (calls[q].length >= b) {
            std::memcpy(chain, in + calls[q].start + (calls[q].length / b - 1) * b, b);
            if (calls[q].length % b != 0)
                cipher.EncryptBlock(chain, chain);
            from = q + 1;
            break;
        }
    }
    for (size_t q = from; q < p; ++q)
        cipher.EncryptBlock(chain, chain);
}

} // namespace

TParallelDecryptor::TParallelDecryptor(unsigned threads) : pool(threads) {}

void TParallelDecryptor::Decrypt(TMV_blockcipher& cipher, const uint8_t* in, uint8_t* out,
                                 std::span<const int32_t> portions)
{
    const TMV_ciphermode mode = cipher.CipherMode;
    const bool splittable = mode == cmCBC || mode == cmCFBblock || mode == cmCFB8bit;

    std::vector<TCall> calls;
    size_t total = 0;
    for (const int32_t n : portions)
        if (n > 0) {
            calls.push_back({total, static_cast<size_t>(n)});
            total += static_cast<size_t>(n);
        }
    const size_t wanted =
        Threads() < 2 ? 1 : std::min<size_t>(Threads() * PartsPerThread, total / MinPartBytes);
    if (!splittable || !cipher.Ready() || wanted < 2) {
        SerialCalls(cipher, in, out, portions);
        return;
    }

    // Where each part begins, and the call that holds that byte. In the block modes a part
    // begins on a block boundary of its call, so that no call is cut inside a block.
    const size_t b = static_cast<size_t>(cipher.BlockBytes());
    std::vector<size_t> starts{0}, firstCall{0};
    size_t p = 0;
    for (size_t k = 1; k < wanted; ++k) {
        const size_t target = total / wanted * k + total % wanted * k / wanted;
        while (calls[p].End() <= target)
            ++p;
        size_t start = target;
        if (mode != cmCFB8bit)
            start = calls[p].start + (target - calls[p].start) / b * b;
        if (start <= starts.back())
            continue;
        starts.push_back(start);
        firstCall.push_back(p);
    }
    const size_t parts = starts.size();
    if (parts < 2) {
        SerialCalls(cipher, in, out, portions);
        return;
    }
    starts.push_back(total);

    // Every part's chaining value comes from the cipher bytes before any thread writes a plain
    // byte, which is what lets out be in.
    TChainStore chains(parts, b);
    std::memcpy(chains[0], cipher.Chain(), b);
    for (size_t k = 1; k < parts; ++k) {
        const size_t s = starts[k];
        if (mode == cmCFB8bit || s > calls[firstCall[k]].start) {
            // The shift register holds the last B cipher bytes; a part inside a call begins
            // after a whole cipher block of that call.
            std::memcpy(chains[k], in + s - b, b);
        } else {
            ChainBeforeCall(cipher, calls, firstCall[k], in, chains[k]);
        }
    }

    // The calling thread runs its parts on the cipher itself, every other thread on a copy of
    // its own, wiped when it goes; each part first sets the chaining value it begins with. The
    // last part's final value is what the cipher keeps.
    std::vector<std::unique_ptr<TMV_blockcipher>> copies(Threads());
    for (size_t t = 1; t < copies.size(); ++t)
        copies[t] = cipher.Clone();
    TChainStore last(1, b);
    pool.Run(static_cast<unsigned>(parts), [&](unsigned k, unsigned thread) {
        TMV_blockcipher& c = thread == 0 ? cipher : *copies[thread];
        c.SetChain(chains[k]);
        const size_t s = starts[k], e = starts[k + 1];
        for (size_t q = firstCall[k]; q < calls.size() && calls[q].start < e; ++q) {
            const size_t from = std::max(calls[q].start, s);
            const size_t to = std::min(calls[q].End(), e);
            c.DecryptBuffer(in + from, out + from, static_cast<int32_t>(to - from));
        }
        if (k + 1 == parts)
            std::memcpy(last[0], c.Chain(), b);
    });
    cipher.SetChain(last[0]);
}

void DecryptPortionsParallel(TMV_blockcipher& cipher, const uint8_t* in, uint8_t* out,
                             std::span<const int32_t> portions, unsigned threads)
{
    TParallelDecryptor(threads).Decrypt(cipher, in, out, portions);
}

} // namespace mv::cipher
