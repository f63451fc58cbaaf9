// The AES-instruction kernels. This is the only file compiled for those instructions; nothing here
// runs unless TRijndaelAesNi::Supported() said yes, and every helper has internal linkage so no
// instruction-set-specific copy of a shared inline function can leak into the rest of the program.
#include "cipher/RijndaelAesNi.h"

#include "cipher/ModeKernels.h"

#include <immintrin.h>

namespace mv::cipher {

namespace {

inline __m128i Load(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void Store(void* p, __m128i v)
{
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// The encryption direction with its round keys loaded once per kernel call. The serial kernels
// (CBC and CFB encryption, OFB, 8-bit CFB encryption) depend on one block after the other, so
// they are written here to keep the chaining value in a register; the independent-block kernels
// come from TModeKernels through EncryptRawN, which keeps eight blocks in flight.
template <int Nr> struct TAesNiEncrypt
{
    __m128i K[Nr + 1];

    explicit TAesNiEncrypt(const TRijndaelSchedule& s)
    {
        for (int r = 0; r <= Nr; ++r)
            K[r] = Load(s.EncKeys[r]);
    }
    ~TAesNiEncrypt() { SecureFill(K, sizeof K, 0); }
    TAesNiEncrypt(const TAesNiEncrypt&) = delete;
    TAesNiEncrypt& operator=(const TAesNiEncrypt&) = delete;

    // Rounds 1..Nr-1 of a state that is already whitened with round key 0.
    __m128i Middle(__m128i x) const
    {
#pragma GCC unroll 16
        for (int r = 1; r < Nr; ++r)
            x = _mm_aesenc_si128(x, K[r]);
        return x;
    }
    __m128i Encrypt(__m128i x) const
    {
        return _mm_aesenclast_si128(Middle(_mm_xor_si128(x, K[0])), K[Nr]);
    }

    void EncryptRaw(const uint8_t* in, uint8_t* out) const
    {
        Store(out, Encrypt(Load(in)));
    }

    template <int W> void EncryptWide(const uint8_t* in, uint8_t* out) const
    {
        __m128i b[W];
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            b[w] = _mm_xor_si128(Load(in + 16 * w), K[0]);
#pragma GCC unroll 16
        for (int r = 1; r < Nr; ++r)
#pragma GCC unroll 8
            for (int w = 0; w < W; ++w)
                b[w] = _mm_aesenc_si128(b[w], K[r]);
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            Store(out + 16 * w, _mm_aesenclast_si128(b[w], K[Nr]));
    }

    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const
    {
        for (; n >= 8; n -= 8, in += 128, out += 128)
            EncryptWide<8>(in, out);
        if (n >= 4) {
            EncryptWide<4>(in, out);
            n -= 4, in += 64, out += 64;
        }
        for (; n != 0; --n, in += 16, out += 16)
            EncryptRaw(in, out);
    }
};

template <int Nr> struct TAesNiDecrypt
{
    __m128i K[Nr + 1];

    explicit TAesNiDecrypt(const TRijndaelSchedule& s)
    {
        for (int r = 0; r <= Nr; ++r)
            K[r] = Load(s.DecKeys[r]);
    }
    ~TAesNiDecrypt() { SecureFill(K, sizeof K, 0); }
    TAesNiDecrypt(const TAesNiDecrypt&) = delete;
    TAesNiDecrypt& operator=(const TAesNiDecrypt&) = delete;

    template <int W> void DecryptWide(const uint8_t* in, uint8_t* out) const
    {
        __m128i b[W];
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            b[w] = _mm_xor_si128(Load(in + 16 * w), K[Nr]);
#pragma GCC unroll 16
        for (int r = Nr - 1; r > 0; --r)
#pragma GCC unroll 8
            for (int w = 0; w < W; ++w)
                b[w] = _mm_aesdec_si128(b[w], K[r]);
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            Store(out + 16 * w, _mm_aesdeclast_si128(b[w], K[0]));
    }

    void DecryptRaw(const uint8_t* in, uint8_t* out) const
    {
        DecryptWide<1>(in, out);
    }

    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const
    {
        for (; n >= 8; n -= 8, in += 128, out += 128)
            DecryptWide<8>(in, out);
        if (n >= 4) {
            DecryptWide<4>(in, out);
            n -= 4, in += 64, out += 64;
        }
        for (; n != 0; --n, in += 16, out += 16)
            DecryptWide<1>(in, out);
    }
};

// Runs f.template operator()<Nr>() for the schedule's round count.
template <class F> void ForRounds(int rounds, F&& f)
{
    switch (rounds) {
    case 10:
        f.template operator()<10>();
        break;
    case 12:
        f.template operator()<12>();
        break;
    default:
        f.template operator()<14>();
        break;
    }
}

// The serial kernels fold the XOR that starts the next block into the key of the last round:
// AESENCLAST(x, k ^ m) = AESENCLAST(x, k) ^ m, which takes one step off the chain between blocks.

template <int Nr>
void CbcEncryptWith(const TRijndaelSchedule& s, uint8_t* chain, const uint8_t* in, uint8_t* out,
                    size_t blocks)
{
    const TAesNiEncrypt<Nr> e(s);
    // State entering round 1: plain ^ chain ^ K0.
    __m128i x = _mm_xor_si128(_mm_xor_si128(Load(in), e.K[0]), Load(chain));
    for (;;) {
        x = e.Middle(x);
        if (--blocks == 0)
            break;
        // m = next plain block ^ K0; the last round then yields cipher ^ m, the next state.
        const __m128i m = _mm_xor_si128(Load(in + 16), e.K[0]);
        x = _mm_aesenclast_si128(x, _mm_xor_si128(e.K[Nr], m));
        Store(out, _mm_xor_si128(x, m));
        in += 16;
        out += 16;
    }
    const __m128i c = _mm_aesenclast_si128(x, e.K[Nr]);
    Store(out, c);
    Store(chain, c);
}

template <int Nr>
void CfbEncryptWith(const TRijndaelSchedule& s, uint8_t* chain, const uint8_t* in, uint8_t* out,
                    size_t blocks)
{
    const TAesNiEncrypt<Nr> e(s);
    // x holds chain ^ K0 throughout.
    __m128i x = _mm_xor_si128(Load(chain), e.K[0]);
    for (; blocks != 0; --blocks, in += 16, out += 16) {
        const __m128i m = _mm_xor_si128(Load(in), e.K[0]);
        x = _mm_aesenclast_si128(e.Middle(x), _mm_xor_si128(e.K[Nr], m));
        Store(out, _mm_xor_si128(x, e.K[0]));
    }
    Store(chain, _mm_xor_si128(x, e.K[0]));
}

template <int Nr>
void OfbWith(const TRijndaelSchedule& s, uint8_t* chain, const uint8_t* in, uint8_t* out,
             size_t blocks)
{
    const TAesNiEncrypt<Nr> e(s);
    const __m128i lastKey = _mm_xor_si128(e.K[Nr], e.K[0]);
    // x holds chain ^ K0 throughout.
    __m128i x = _mm_xor_si128(Load(chain), e.K[0]);
    for (; blocks != 0; --blocks, in += 16, out += 16) {
        x = _mm_aesenclast_si128(e.Middle(x), lastKey);
        Store(out, _mm_xor_si128(Load(in), _mm_xor_si128(x, e.K[0])));
    }
    Store(chain, _mm_xor_si128(x, e.K[0]));
}

// CBC decryption has independent blocks: W of them go through the rounds together, and the XOR
// with the previous cipher block is folded into the last round key. All cipher blocks of a group
// are read before any plain block is written, so in == out works.
template <int Nr, int W>
void CbcDecryptWith(const TRijndaelSchedule& s, uint8_t* chain, const uint8_t* in, uint8_t* out,
                    size_t blocks)
{
    const TAesNiDecrypt<Nr> d(s);
    __m128i prev = Load(chain);
    for (; blocks >= W; blocks -= W, in += 16 * W, out += 16 * W) {
        __m128i b[W];
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            b[w] = _mm_xor_si128(Load(in + 16 * w), d.K[Nr]);
#pragma GCC unroll 16
        for (int r = Nr - 1; r > 0; --r)
#pragma GCC unroll 8
            for (int w = 0; w < W; ++w)
                b[w] = _mm_aesdec_si128(b[w], d.K[r]);
        b[0] = _mm_aesdeclast_si128(b[0], _mm_xor_si128(d.K[0], prev));
#pragma GCC unroll 8
        for (int w = 1; w < W; ++w)
            b[w] = _mm_aesdeclast_si128(b[w], _mm_xor_si128(d.K[0], Load(in + 16 * (w - 1))));
        prev = Load(in + 16 * (W - 1));
#pragma GCC unroll 8
        for (int w = 0; w < W; ++w)
            Store(out + 16 * w, b[w]);
    }
    for (; blocks != 0; --blocks, in += 16, out += 16) {
        const __m128i c = Load(in);
        __m128i x = _mm_xor_si128(c, d.K[Nr]);
#pragma GCC unroll 16
        for (int r = Nr - 1; r > 0; --r)
            x = _mm_aesdec_si128(x, d.K[r]);
        Store(out, _mm_aesdeclast_si128(x, _mm_xor_si128(d.K[0], prev)));
        prev = c;
    }
    Store(chain, prev);
}

// The shift register stays in a register: PALIGNR drops its first byte and appends the new cipher
// byte in one step.
template <int Nr>
void Cfb8EncryptWith(const TRijndaelSchedule& s, uint8_t* chain, const uint8_t* in, uint8_t* out,
                     size_t count)
{
    const TAesNiEncrypt<Nr> e(s);
    __m128i c = Load(chain);
    for (size_t k = 0; k < count; ++k) {
        const __m128i v = _mm_xor_si128(e.Encrypt(c), _mm_cvtsi32_si128(in[k]));
        c = _mm_alignr_epi8(v, c, 1);
        out[k] = static_cast<uint8_t>(_mm_cvtsi128_si32(v));
    }
    Store(chain, c);
}

} // namespace

void TRijndaelAesNi::EncryptBlock(const TRijndaelSchedule& keys, int rounds, const uint8_t* in,
                                  uint8_t* out)
{
    ForRounds(rounds, [&]<int Nr>() { TAesNiEncrypt<Nr>(keys).EncryptRaw(in, out); });
}

void TRijndaelAesNi::DecryptBlock(const TRijndaelSchedule& keys, int rounds, const uint8_t* in,
                                  uint8_t* out)
{
    ForRounds(rounds, [&]<int Nr>() { TAesNiDecrypt<Nr>(keys).DecryptRaw(in, out); });
}

void TRijndaelAesNi::CbcEncrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (blocks != 0)
        ForRounds(rounds, [&]<int Nr>() { CbcEncryptWith<Nr>(keys, chain, in, out, blocks); });
}

void TRijndaelAesNi::CbcDecrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                const uint8_t* in, uint8_t* out, size_t blocks)
{
    ForRounds(rounds, [&]<int Nr>() { CbcDecryptWith<Nr, 8>(keys, chain, in, out, blocks); });
}

void TRijndaelAesNi::CfbEncrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                const uint8_t* in, uint8_t* out, size_t blocks)
{
    ForRounds(rounds, [&]<int Nr>() { CfbEncryptWith<Nr>(keys, chain, in, out, blocks); });
}

void TRijndaelAesNi::CfbDecrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                const uint8_t* in, uint8_t* out, size_t blocks)
{
    ForRounds(rounds, [&]<int Nr>() {
        const TAesNiEncrypt<Nr> ops(keys);
        TModeKernels<TAesNiEncrypt<Nr>, 16>::CfbDecrypt(ops, chain, in, out, blocks);
    });
}

void TRijndaelAesNi::Ofb(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                         const uint8_t* in, uint8_t* out, size_t blocks)
{
    ForRounds(rounds, [&]<int Nr>() { OfbWith<Nr>(keys, chain, in, out, blocks); });
}

void TRijndaelAesNi::Cfb8Encrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                 const uint8_t* in, uint8_t* out, size_t count)
{
    ForRounds(rounds, [&]<int Nr>() { Cfb8EncryptWith<Nr>(keys, chain, in, out, count); });
}

void TRijndaelAesNi::Cfb8Decrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                                 const uint8_t* in, uint8_t* out, size_t count)
{
    ForRounds(rounds, [&]<int Nr>() {
        const TAesNiEncrypt<Nr> ops(keys);
        TModeKernels<TAesNiEncrypt<Nr>, 16>::Cfb8Decrypt(ops, chain, in, out, count);
    });
}

} // namespace mv::cipher
