#include "cipher/Gost.h"

#include "cipher/BitOps.h"

#include <bit>
#include <cstring>

namespace mv::cipher {

namespace {

#define MV_GOST_INLINE inline __attribute__((always_inline))

// The eight 4-bit S-boxes of the GOST R 34.11-94 test examples. Row i is S(i+1), which
// substitutes nibble i of the round function's input (nibble 0 least significant); entry v is
// the output for input v.
// clang-format off
constexpr uint8_t SBoxes[8][16] = {
    { 4, 10,  9,  2, 13,  8,  0, 14,  6, 11,  1, 12,  7, 15,  5,  3},
    {14, 11,  4, 12,  6, 13, 15, 10,  2,  3,  8,  1,  0,  7,  5,  9},
    { 5,  8,  1, 13, 10,  3,  4,  2, 14, 15, 12,  7,  6,  0,  9, 11},
    { 7, 13, 10,  1,  0,  8,  9, 15, 14,  4,  6, 12, 11,  2,  5,  3},
    { 6, 12,  7,  1,  5, 15, 13,  8,  4, 10,  9, 14,  0,  3, 11,  2},
    { 4, 11, 10,  0,  7,  2,  1, 13,  3,  6,  8,  5,  9, 12, 15, 14},
    {13, 11,  4,  1,  3, 15,  5,  9,  0, 10, 14,  7,  6,  8,  2, 12},
    { 1, 15, 13,  0,  5,  7, 10,  4,  9,  2,  3, 14,  6, 11,  8, 12},
};
// clang-format on

// The round function substitutes eight nibbles and rotates by 11 bits. Both steps are linear
// over the input's bytes once the substitution is done, so each input byte gets a table of its
// two substituted nibbles already in place and rotated: f is then four look-ups and three XORs.
struct TGostTables
{
    uint32_t t[4][256];
};

constexpr TGostTables MakeTables()
{
    TGostTables r{};
    for (int j = 0; j < 4; ++j)
        for (int x = 0; x < 256; ++x) {
            const uint32_t pair =
                static_cast<uint32_t>(SBoxes[2 * j + 1][x >> 4] << 4) | SBoxes[2 * j][x & 15];
            r.t[j][x] = std::rotl(pair << (8 * j), 11);
        }
    return r;
}

alignas(64) constexpr TGostTables Tables = MakeTables();

// One round: target ^= f(source + k). Bytes 0 and 1 of the sum are ready one step before bytes
// 2 and 3, so their look-ups are folded into target first; the two halves then meet in one XOR.
MV_GOST_INLINE uint32_t Round(uint32_t target, uint32_t source, uint32_t k)
{
    const uint32_t x = source + k;
    const uint32_t y = x >> 16;
    uint32_t low = target ^ Tables.t[0][x & 0xFF] ^ Tables.t[1][(x >> 8) & 0xFF];
    uint32_t high = Tables.t[2][y & 0xFF] ^ Tables.t[3][y >> 8];
    // Keeps that tree shape and the words in integer registers: left alone, the compiler chains
    // the look-ups one after another and packs two blocks' rounds into vector registers, both
    // of which lengthen every round.
    asm("" : "+r"(low), "+r"(high));
    return low ^ high;
}

// Two rounds on N independent blocks: the first changes N2 from N1, the second N1 from N2.
template <size_t N>
MV_GOST_INLINE void Pair(uint32_t (&n1)[N], uint32_t (&n2)[N], uint32_t k1, uint32_t k2)
{
    for (size_t i = 0; i < N; ++i)
        n2[i] = Round(n2[i], n1[i], k1);
    for (size_t i = 0; i < N; ++i)
        n1[i] = Round(n1[i], n2[i], k2);
}

// Eight rounds with the key words K0..K7.
template <size_t N>
MV_GOST_INLINE void Forward(uint32_t (&n1)[N], uint32_t (&n2)[N], const uint32_t* k)
{
    Pair<N>(n1, n2, k[0], k[1]);
    Pair<N>(n1, n2, k[2], k[3]);
    Pair<N>(n1, n2, k[4], k[5]);
    Pair<N>(n1, n2, k[6], k[7]);
}

// Eight rounds with the key words K7..K0.
template <size_t N>
MV_GOST_INLINE void Backward(uint32_t (&n1)[N], uint32_t (&n2)[N], const uint32_t* k)
{
    Pair<N>(n1, n2, k[7], k[6]);
    Pair<N>(n1, n2, k[5], k[4]);
    Pair<N>(n1, n2, k[3], k[2]);
    Pair<N>(n1, n2, k[1], k[0]);
}

// Blocks are N1 (bytes 0..3) and N2 (bytes 4..7) in; N2 then N1 out, all little-endian.
template <size_t N, bool Encrypting>
MV_GOST_INLINE void Transform(const uint32_t* k, const uint8_t* in, uint8_t* out)
{
    uint32_t n1[N], n2[N];
    for (size_t i = 0; i < N; ++i) {
        n1[i] = LoadLE32(in + 8 * i);
        n2[i] = LoadLE32(in + 8 * i + 4);
    }
    if constexpr (Encrypting) {
        Forward<N>(n1, n2, k);
        Forward<N>(n1, n2, k);
        Forward<N>(n1, n2, k);
        Backward<N>(n1, n2, k);
    } else {
        Forward<N>(n1, n2, k);
        Backward<N>(n1, n2, k);
        Backward<N>(n1, n2, k);
        Backward<N>(n1, n2, k);
    }
    for (size_t i = 0; i < N; ++i) {
        StoreLE32(out + 8 * i, n2[i]);
        StoreLE32(out + 8 * i + 4, n1[i]);
    }
}

template <bool Encrypting>
MV_GOST_INLINE void TransformN(const uint32_t* k, const uint8_t* in, uint8_t* out, size_t n)
{
    for (; n >= 2; n -= 2, in += 16, out += 16)
        Transform<2, Encrypting>(k, in, out);
    if (n != 0)
        Transform<1, Encrypting>(k, in, out);
}

} // namespace

TMV_gost::TMV_gost() : TMV_blockcipher(BlockSize)
{
    SecureFill(keyWords, sizeof keyWords, WipeByte);
}

TMV_gost::~TMV_gost()
{
    if (Ready())
        WipeKey();
}

void TMV_gost::SetKey(const void* key, int32_t keyBits, const void* initialChain)
{
    TMV_cipher::SetKey(key, keyBits, initialChain);
    ExpandKey(static_cast<const uint8_t*>(key), keyBits);
    InstallChain(initialChain);
}

void TMV_gost::ExpandKey(const uint8_t* key, int32_t keyBits)
{
    // A short key is the leading bytes of a 256-bit key whose other bytes are zero.
    uint8_t buffer[32] = {};
    std::memcpy(buffer, key, static_cast<size_t>(keyBits / 8));
    for (int i = 0; i < 8; ++i)
        keyWords[i] = LoadLE32(buffer + 4 * i);
    SecureFill(buffer, sizeof buffer, 0);
}

void TMV_gost::WipeKey()
{
    SecureFill(keyWords, sizeof keyWords, WipeByte);
    TMV_blockcipher::WipeKey();
}

std::unique_ptr<TMV_blockcipher> TMV_gost::Clone() const
{
    return std::unique_ptr<TMV_blockcipher>(new TMV_gost(*this));
}

MV_GOST_INLINE void TMV_gost::EncryptRaw(const uint8_t* in, uint8_t* out) const
{
    Transform<1, true>(keyWords, in, out);
}

MV_GOST_INLINE void TMV_gost::DecryptRaw(const uint8_t* in, uint8_t* out) const
{
    Transform<1, false>(keyWords, in, out);
}

MV_GOST_INLINE void TMV_gost::EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const
{
    TransformN<true>(keyWords, in, out, n);
}

MV_GOST_INLINE void TMV_gost::DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const
{
    TransformN<false>(keyWords, in, out, n);
}

MV_DEFINE_BLOCK_KERNELS(TMV_gost, 8)

bool TMV_gost::RunSelfTest()
{
    struct TVector
    {
        uint8_t key[32], plain[8], cipher[8];
    };
    // Computed from the S-boxes, key word order and output order of this cipher.
    // clang-format off
    static const TVector vectors[2] = {
        {{
             0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
             0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
             0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
             0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F},
         {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77},
         {0x54, 0x41, 0x0A, 0x03, 0x0C, 0x22, 0xE4, 0xC6}},
        {{
             0x54, 0x68, 0x69, 0x73, 0x20, 0x69, 0x73, 0x20,
             0x6D, 0x65, 0x73, 0x73, 0x61, 0x67, 0x65, 0x2C,
             0x20, 0x6C, 0x65, 0x6E, 0x67, 0x74, 0x68, 0x3D,
             0x33, 0x32, 0x20, 0x62, 0x79, 0x74, 0x65, 0x73},
         {0x53, 0x75, 0x70, 0x70, 0x6F, 0x73, 0x65, 0x20},
         {0xD0, 0xE4, 0x5A, 0x43, 0xC1, 0xE8, 0xE2, 0x36}},
    };
    // clang-format on
    bool passed = true;
    for (const auto& v : vectors) {
        TMV_gost cipher;
        uint8_t block[8];
        cipher.SetKey(v.key, 256);
        cipher.EncryptBlock(v.plain, block);
        passed = SameBytes(block, v.cipher, 8) && passed;
        cipher.DecryptBlock(block, block);
        cipher.WipeKey();
        passed = SameBytes(block, v.plain, 8) && passed;
    }
    return passed;
}

} // namespace mv::cipher
