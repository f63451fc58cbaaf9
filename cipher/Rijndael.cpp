#include "cipher/Rijndael.h"

#include "cipher/BitOps.h"
#include "cipher/ModeKernels.h"

#include <array>
#include <cstring>

namespace mv::cipher {

namespace {

// ---- constant tables, derived at compile time from FIPS-197's definitions ----------------------

constexpr uint8_t XTime(uint8_t a)
{
    return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t GfMul(uint8_t a, uint8_t b)
{
    uint8_t r = 0;
    for (; b != 0; b >>= 1, a = XTime(a))
        if (b & 1)
            r ^= a;
    return r;
}

constexpr uint8_t Rotl8(uint8_t x, int n)
{
    return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    return b0 | (uint32_t{b1} << 8) | (uint32_t{b2} << 16) | (uint32_t{b3} << 24);
}

constexpr uint32_t Rotl32(uint32_t x, int n)
{
    return n == 0 ? x : (x << n) | (x >> (32 - n));
}

struct TAesTables
{
    uint8_t SBox[256];
    uint8_t InvSBox[256];
    // Te[i][x]: MixColumns column {2, 1, 1, 3} times S[x], rotated left by 8i bits; Td likewise
    // with the inverse S-box and InvMixColumns column {14, 9, 13, 11}.
    uint32_t Te[4][256];
    uint32_t Td[4][256];
};

constexpr TAesTables MakeTables()
{
    TAesTables t{};
    // Powers of the generator 3 give the logarithms, and with them every inverse.
    uint8_t exp[256] = {}, log[256] = {};
    uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = p;
        log[p] = static_cast<uint8_t>(i);
        p = static_cast<uint8_t>(p ^ XTime(p));
    }
    for (int x = 0; x < 256; ++x) {
        const uint8_t inv = x == 0 ? 0 : exp[(255 - log[x]) % 255];
        const auto s = static_cast<uint8_t>(inv ^ Rotl8(inv, 1) ^ Rotl8(inv, 2) ^ Rotl8(inv, 3) ^
                                            Rotl8(inv, 4) ^ 0x63);
        t.SBox[x] = s;
        t.InvSBox[s] = static_cast<uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = t.SBox[x];
        const uint8_t v = t.InvSBox[x];
        const uint32_t te = Word(GfMul(s, 2), s, s, GfMul(s, 3));
        const uint32_t td = Word(GfMul(v, 14), GfMul(v, 9), GfMul(v, 13), GfMul(v, 11));
        for (int i = 0; i < 4; ++i) {
            t.Te[i][x] = Rotl32(te, 8 * i);
            t.Td[i][x] = Rotl32(td, 8 * i);
        }
    }
    return t;
}

constexpr TAesTables Tables = MakeTables();
static_assert(Tables.SBox[0] == 0x63 && Tables.SBox[1] == 0x7C && Tables.SBox[2] == 0x77 &&
              Tables.SBox[3] == 0x7B);
static_assert(Tables.InvSBox[0] == 0x52 && Tables.InvSBox[1] == 0x09 && Tables.InvSBox[2] == 0x6A &&
              Tables.InvSBox[3] == 0xD5);

constexpr uint8_t RoundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1B, 0x36};

inline uint32_t B0(uint32_t x)
{
    return x & 0xFF;
}
inline uint32_t B1(uint32_t x)
{
    return (x >> 8) & 0xFF;
}
inline uint32_t B2(uint32_t x)
{
    return (x >> 16) & 0xFF;
}
inline uint32_t B3(uint32_t x)
{
    return x >> 24;
}

uint32_t SubWord(uint32_t w)
{
    const auto& s = Tables.SBox;
    return Word(s[B0(w)], s[B1(w)], s[B2(w)], s[B3(w)]);
}

// InvMixColumns of one column: the decryption tables undo the S-box they contain.
uint32_t InvMixColumn(uint32_t w)
{
    const auto& s = Tables.SBox;
    const auto& td = Tables.Td;
    return td[0][s[B0(w)]] ^ td[1][s[B1(w)]] ^ td[2][s[B2(w)]] ^ td[3][s[B3(w)]];
}

bool ProcessorHasAes()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
}

} // namespace

// Here, not in RijndaelAesNi.cpp, so the check itself never runs an instruction the processor
// may lack.
bool TRijndaelAesNi::Supported()
{
    static const bool supported = ProcessorHasAes();
    return supported;
}

TMV_rijndael::TMV_rijndael(TPath path)
    : TMV_blockcipher(BlockSize), aesNi(path == TPath::Automatic && TRijndaelAesNi::Supported())
{
    SecureFill(&schedule, sizeof schedule, WipeByte);
}

TMV_rijndael::~TMV_rijndael()
{
    if (Ready())
        WipeKey();
    SecureFill(&schedule, sizeof schedule, WipeByte);
}

void TMV_rijndael::WipeKey()
{
    Nr = 0;
    SecureFill(&schedule, sizeof schedule, WipeByte);
    TMV_blockcipher::WipeKey();
}

std::unique_ptr<TMV_blockcipher> TMV_rijndael::Clone() const
{
    return std::unique_ptr<TMV_blockcipher>(new TMV_rijndael(*this));
}

void TMV_rijndael::SetKey(const void* key, int32_t keyBits, const void* initialChain)
{
    TMV_cipher::SetKey(key, keyBits, initialChain);
    ExpandKey(static_cast<const uint8_t*>(key), keyBits);
    InstallChain(initialChain);
}

void TMV_rijndael::ExpandKey(const uint8_t* key, int32_t keyBits)
{
    const auto n = static_cast<size_t>(keyBits / 8);
    uint8_t bytes[32] = {};
    std::memcpy(bytes, key, n);
    const int nk = n <= 16 ? 4 : n <= 24 ? 6 : 8;
    Nr = nk + 6;

    // FIPS-197 5.2 on little-endian words: RotWord is a right rotation by 8 bits and the round
    // constant goes into the low byte.
    uint32_t w[4 * 15];
    const int total = 4 * (Nr + 1);
    for (int i = 0; i < nk; ++i)
        w[i] = LoadLE32(bytes + 4 * i);
    for (int i = nk; i < total; ++i) {
        uint32_t temp = w[i - 1];
        if (i % nk == 0)
            temp = SubWord(RotateRight32(temp, 8)) ^ RoundConstants[i / nk - 1];
        else if (nk > 6 && i % nk == 4)
            temp = SubWord(temp);
        w[i] = w[i - nk] ^ temp;
    }
    for (int r = 0; r <= Nr; ++r)
        for (int c = 0; c < 4; ++c)
            schedule.EncKeys[r][c] = w[4 * r + c];

    std::memcpy(schedule.DecKeys, schedule.EncKeys, sizeof schedule.DecKeys);
    for (int r = 1; r < Nr; ++r)
        for (int c = 0; c < 4; ++c)
            schedule.DecKeys[r][c] = InvMixColumn(schedule.EncKeys[r][c]);

    SecureFill(bytes, sizeof bytes, 0);
    SecureFill(w, sizeof w, 0);
}

// ---- table implementation -----------------------------------------------------------------------

[[gnu::always_inline]] inline void TMV_rijndael::EncryptRaw(const uint8_t* in, uint8_t* out) const
{
    const auto& te = Tables.Te;
    const auto& rk = schedule.EncKeys;
    uint32_t s0 = LoadLE32(in) ^ rk[0][0];
    uint32_t s1 = LoadLE32(in + 4) ^ rk[0][1];
    uint32_t s2 = LoadLE32(in + 8) ^ rk[0][2];
    uint32_t s3 = LoadLE32(in + 12) ^ rk[0][3];
    // SubBytes, ShiftRows and MixColumns in one look-up per byte: column c takes row r from
    // column c + r.
    for (int r = 1; r < Nr; ++r) {
        const uint32_t t0 =
            te[0][B0(s0)] ^ te[1][B1(s1)] ^ te[2][B2(s2)] ^ te[3][B3(s3)] ^ rk[r][0];
        const uint32_t t1 =
            te[0][B0(s1)] ^ te[1][B1(s2)] ^ te[2][B2(s3)] ^ te[3][B3(s0)] ^ rk[r][1];
        const uint32_t t2 =
            te[0][B0(s2)] ^ te[1][B1(s3)] ^ te[2][B2(s0)] ^ te[3][B3(s1)] ^ rk[r][2];
        const uint32_t t3 =
            te[0][B0(s3)] ^ te[1][B1(s0)] ^ te[2][B2(s1)] ^ te[3][B3(s2)] ^ rk[r][3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    const auto& sb = Tables.SBox;
    const auto* last = rk[Nr];
    StoreLE32(out, Word(sb[B0(s0)], sb[B1(s1)], sb[B2(s2)], sb[B3(s3)]) ^ last[0]);
    StoreLE32(out + 4, Word(sb[B0(s1)], sb[B1(s2)], sb[B2(s3)], sb[B3(s0)]) ^ last[1]);
    StoreLE32(out + 8, Word(sb[B0(s2)], sb[B1(s3)], sb[B2(s0)], sb[B3(s1)]) ^ last[2]);
    StoreLE32(out + 12, Word(sb[B0(s3)], sb[B1(s0)], sb[B2(s1)], sb[B3(s2)]) ^ last[3]);
}

// The equivalent inverse cipher: the same shape as encryption with the inverse tables, the
// decryption round keys and column c taking row r from column c - r.
[[gnu::always_inline]] inline void TMV_rijndael::DecryptRaw(const uint8_t* in, uint8_t* out) const
{
    const auto& td = Tables.Td;
    const auto& rk = schedule.DecKeys;
    uint32_t s0 = LoadLE32(in) ^ rk[Nr][0];
    uint32_t s1 = LoadLE32(in + 4) ^ rk[Nr][1];
    uint32_t s2 = LoadLE32(in + 8) ^ rk[Nr][2];
    uint32_t s3 = LoadLE32(in + 12) ^ rk[Nr][3];
    for (int r = Nr - 1; r > 0; --r) {
        const uint32_t t0 =
            td[0][B0(s0)] ^ td[1][B1(s3)] ^ td[2][B2(s2)] ^ td[3][B3(s1)] ^ rk[r][0];
        const uint32_t t1 =
            td[0][B0(s1)] ^ td[1][B1(s0)] ^ td[2][B2(s3)] ^ td[3][B3(s2)] ^ rk[r][1];
        const uint32_t t2 =
            td[0][B0(s2)] ^ td[1][B1(s1)] ^ td[2][B2(s0)] ^ td[3][B3(s3)] ^ rk[r][2];
        const uint32_t t3 =
            td[0][B0(s3)] ^ td[1][B1(s2)] ^ td[2][B2(s1)] ^ td[3][B3(s0)] ^ rk[r][3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    const auto& ib = Tables.InvSBox;
    const auto* first = rk[0];
    StoreLE32(out, Word(ib[B0(s0)], ib[B1(s3)], ib[B2(s2)], ib[B3(s1)]) ^ first[0]);
    StoreLE32(out + 4, Word(ib[B0(s1)], ib[B1(s0)], ib[B2(s3)], ib[B3(s2)]) ^ first[1]);
    StoreLE32(out + 8, Word(ib[B0(s2)], ib[B1(s1)], ib[B2(s0)], ib[B3(s3)]) ^ first[2]);
    StoreLE32(out + 12, Word(ib[B0(s3)], ib[B1(s2)], ib[B2(s1)], ib[B3(s0)]) ^ first[3]);
}

// ---- block operations and kernels: AES instructions or tables -----------------------------------

using TTableKernels = TModeKernels<TMV_rijndael, 16>;

void TMV_rijndael::EncryptBlock(const void* in, void* out)
{
    CheckReady();
    const auto* src = static_cast<const uint8_t*>(in);
    auto* dst = static_cast<uint8_t*>(out);
    if (aesNi)
        TRijndaelAesNi::EncryptBlock(schedule, Nr, src, dst);
    else
        EncryptRaw(src, dst);
}

void TMV_rijndael::DecryptBlock(const void* in, void* out)
{
    CheckReady();
    const auto* src = static_cast<const uint8_t*>(in);
    auto* dst = static_cast<uint8_t*>(out);
    if (aesNi)
        TRijndaelAesNi::DecryptBlock(schedule, Nr, src, dst);
    else
        DecryptRaw(src, dst);
}

void TMV_rijndael::CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (aesNi)
        TRijndaelAesNi::CbcEncrypt(schedule, Nr, ChainBuffer(), in, out, blocks);
    else
        TTableKernels::CbcEncrypt(*this, ChainBuffer(), in, out, blocks);
}

void TMV_rijndael::CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (aesNi)
        TRijndaelAesNi::CbcDecrypt(schedule, Nr, ChainBuffer(), in, out, blocks);
    else
        TTableKernels::CbcDecrypt(*this, ChainBuffer(), in, out, blocks);
}

void TMV_rijndael::CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (aesNi)
        TRijndaelAesNi::CfbEncrypt(schedule, Nr, ChainBuffer(), in, out, blocks);
    else
        TTableKernels::CfbEncrypt(*this, ChainBuffer(), in, out, blocks);
}

void TMV_rijndael::CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (aesNi)
        TRijndaelAesNi::CfbDecrypt(schedule, Nr, ChainBuffer(), in, out, blocks);
    else
        TTableKernels::CfbDecrypt(*this, ChainBuffer(), in, out, blocks);
}

void TMV_rijndael::OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    if (aesNi)
        TRijndaelAesNi::Ofb(schedule, Nr, ChainBuffer(), in, out, blocks);
    else
        TTableKernels::Ofb(*this, ChainBuffer(), in, out, blocks);
}

void TMV_rijndael::Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count)
{
    if (aesNi)
        TRijndaelAesNi::Cfb8Encrypt(schedule, Nr, ChainBuffer(), in, out, count);
    else
        TTableKernels::Cfb8Encrypt(*this, ChainBuffer(), in, out, count);
}

void TMV_rijndael::Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count)
{
    if (aesNi)
        TRijndaelAesNi::Cfb8Decrypt(schedule, Nr, ChainBuffer(), in, out, count);
    else
        TTableKernels::Cfb8Decrypt(*this, ChainBuffer(), in, out, count);
}

// ---- self-test
// ------------------------------------------------------------------------------------

bool TMV_rijndael::RunSelfTest()
{
    struct TCase
    {
        int32_t keyBits;
        uint8_t key[32];
        uint8_t plain[16];
        uint8_t cipher[16];
    };
    // clang-format off
    static constexpr TCase Cases[] = {
        {128,
         {0x00, 0x01, 0x02, 0x03, 0x05, 0x06, 0x07, 0x08, 0x0A, 0x0B, 0x0C, 0x0D, 0x0F, 0x10, 0x11, 0x12},
         {0x50, 0x68, 0x12, 0xA4, 0x5F, 0x08, 0xC8, 0x89, 0xB9, 0x7F, 0x59, 0x80, 0x03, 0x8B, 0x83, 0x59},
         {0xD8, 0xF5, 0x32, 0x53, 0x82, 0x89, 0xEF, 0x7D, 0x06, 0xB5, 0x06, 0xA4, 0xFD, 0x5B, 0xE9, 0xC9}},
        {192,
         {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xA7, 0xA8, 0xAA, 0xAB, 0xAC, 0xAD, 0xAF, 0xB0, 0xB1, 0xB2,
          0xB4, 0xB5, 0xB6, 0xB7, 0xB9, 0xBA, 0xBB, 0xBC},
         {0x4F, 0x1C, 0x76, 0x9D, 0x1E, 0x5B, 0x05, 0x52, 0xC7, 0xEC, 0xA8, 0x4D, 0xEA, 0x26, 0xA5, 0x49},
         {0xF3, 0x84, 0x72, 0x10, 0xD5, 0x39, 0x1E, 0x23, 0x60, 0x60, 0x8E, 0x5A, 0xCB, 0x56, 0x05, 0x81}},
        {256,
         {0x00, 0x01, 0x02, 0x03, 0x05, 0x06, 0x07, 0x08, 0x0A, 0x0B, 0x0C, 0x0D, 0x0F, 0x10, 0x11, 0x12,
          0x14, 0x15, 0x16, 0x17, 0x19, 0x1A, 0x1B, 0x1C, 0x1E, 0x1F, 0x20, 0x21, 0x23, 0x24, 0x25, 0x26},
         {0x5E, 0x25, 0xCA, 0x78, 0xF0, 0xDE, 0x55, 0x80, 0x25, 0x24, 0xD3, 0x8D, 0xA3, 0xFE, 0x44, 0x56},
         {0xE8, 0xB7, 0x2B, 0x4E, 0x8B, 0xE2, 0x43, 0x43, 0x8C, 0x9F, 0xFF, 0x1F, 0x0E, 0x20, 0x58, 0x72}},
    };
    // clang-format on
    bool passed = true;
    // Both implementations when the AES instructions are in use: the tables are the fallback.
    const bool both = TRijndaelAesNi::Supported();
    for (const TPath path : {TPath::Automatic, TPath::TableOnly}) {
        if (path == TPath::TableOnly && !both)
            break;
        TMV_rijndael cipher(path);
        for (const auto& c : Cases) {
            uint8_t block[16];
            cipher.SetKey(c.key, c.keyBits, nullptr);
            cipher.EncryptBlock(c.plain, block);
            passed = SameBytes(block, c.cipher, 16) && passed;
            cipher.DecryptBlock(block, block);
            cipher.WipeKey();
            passed = SameBytes(block, c.plain, 16) && passed;
        }
    }
    return passed;
}

} // namespace mv::cipher
