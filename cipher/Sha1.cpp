#include "cipher/Sha1.h"

#include "cipher/BitOps.h"
#include "cipher/Sha1Ni.h"

namespace mv::cipher {

TMV_sha1::TMV_sha1(TPath path) : shaNi(path == TPath::Automatic && Sha1NiSupported()) {}

TMV_sha1::~TMV_sha1()
{
    if (ready)
        WipeState();
}

void TMV_sha1::WipeState()
{
    BitCountHigh = 0;
    BitCountLow = 0;
    BlockFill = 0;
    SecureFill(BlockBuffer, sizeof BlockBuffer, 0);
    SecureFill(HashState, sizeof HashState, 0);
    ready = false;
}

void TMV_sha1::Start()
{
    WipeState();
    HashState[0] = 0x67452301;
    HashState[1] = 0xEFCDAB89;
    HashState[2] = 0x98BADCFE;
    HashState[3] = 0x10325476;
    HashState[4] = 0xC3D2E1F0;
    ready = true;
}

void TMV_sha1::AddBytes(const void* buffer, int32_t count)
{
    if (!ready)
        throw EMV_hash(MsgHashNotInitialized);
    if (count <= 0)
        return;
    const uint64_t bits = static_cast<uint64_t>(count) * 8;
    const uint32_t low = BitCountLow + static_cast<uint32_t>(bits);
    BitCountHigh += static_cast<uint32_t>(bits >> 32) + (low < BitCountLow ? 1 : 0);
    BitCountLow = low;

    const auto* p = static_cast<const uint8_t*>(buffer);
    auto left = static_cast<size_t>(count);
    // A partly filled block is completed first; whole blocks are then compressed straight from
    // the caller's buffer, and what remains waits in BlockBuffer.
    if (BlockFill > 0) {
        const size_t space = 64 - static_cast<size_t>(BlockFill);
        if (left < space) {
            std::memcpy(BlockBuffer + BlockFill, p, left);
            BlockFill += static_cast<int32_t>(left);
            return;
        }
        std::memcpy(BlockBuffer + BlockFill, p, space);
        p += space;
        left -= space;
        CompressBlocks(BlockBuffer, 1);
        BlockFill = 0;
        SecureFill(BlockBuffer, sizeof BlockBuffer, 0);
    }
    if (left >= 64) {
        CompressBlocks(p, left / 64);
        p += left / 64 * 64;
        left %= 64;
    }
    std::memcpy(BlockBuffer, p, left);
    BlockFill = static_cast<int32_t>(left);
}

void TMV_sha1::Finish(void* digest)
{
    if (!ready)
        throw EMV_hash(MsgHashNotInitialized);
    BlockBuffer[BlockFill] = 0x80;
    if (BlockFill >= 56) {
        CompressBlocks(BlockBuffer, 1);
        SecureFill(BlockBuffer, sizeof BlockBuffer, 0);
    }
    StoreBE32(BlockBuffer + 56, BitCountHigh);
    StoreBE32(BlockBuffer + 60, BitCountLow);
    CompressBlocks(BlockBuffer, 1);
    auto* out = static_cast<uint8_t*>(digest);
    for (int i = 0; i < 5; ++i)
        StoreBE32(out + 4 * i, HashState[i]);
    WipeState();
}

// The 80 rounds written out through the round macros, five working words renamed instead of
// moved.
#define SHA1_ROUND(a, b, c, d, e, f, k, w)                                                         \
    do {                                                                                           \
        e += RotateLeft32(a, 5) + (f) + (k) + (w);                                                 \
        b = RotateLeft32(b, 30);                                                                   \
    } while (0)
#define SHA1_F1(b, c, d) (d ^ (b & (c ^ d)))
#define SHA1_F2(b, c, d) (b ^ c ^ d)
#define SHA1_F3(b, c, d) ((b & c) | (d & (b | c)))
#define SHA1_R5(f, k, i)                                                                           \
    SHA1_ROUND(a, b, c, d, e, f(b, c, d), k, W[i]);                                                \
    SHA1_ROUND(e, a, b, c, d, f(a, b, c), k, W[i + 1]);                                            \
    SHA1_ROUND(d, e, a, b, c, f(e, a, b), k, W[i + 2]);                                            \
    SHA1_ROUND(c, d, e, a, b, f(d, e, a), k, W[i + 3]);                                            \
    SHA1_ROUND(b, c, d, e, a, f(c, d, e), k, W[i + 4])

void TMV_sha1::CompressBlocks(const uint8_t* blocks, size_t count)
{
    if (shaNi) {
        Sha1NiCompress(HashState, blocks, count);
        return;
    }
    uint32_t W[80];
    for (; count != 0; --count, blocks += 64) {
        for (int t = 0; t < 16; ++t)
            W[t] = LoadBE32(blocks + 4 * t);
        for (int t = 16; t < 80; ++t)
            W[t] = RotateLeft32(W[t - 3] ^ W[t - 8] ^ W[t - 14] ^ W[t - 16], 1);

        uint32_t a = HashState[0], b = HashState[1], c = HashState[2], d = HashState[3],
                 e = HashState[4];
        SHA1_R5(SHA1_F1, 0x5A827999u, 0);
        SHA1_R5(SHA1_F1, 0x5A827999u, 5);
        SHA1_R5(SHA1_F1, 0x5A827999u, 10);
        SHA1_R5(SHA1_F1, 0x5A827999u, 15);
        SHA1_R5(SHA1_F2, 0x6ED9EBA1u, 20);
        SHA1_R5(SHA1_F2, 0x6ED9EBA1u, 25);
        SHA1_R5(SHA1_F2, 0x6ED9EBA1u, 30);
        SHA1_R5(SHA1_F2, 0x6ED9EBA1u, 35);
        SHA1_R5(SHA1_F3, 0x8F1BBCDCu, 40);
        SHA1_R5(SHA1_F3, 0x8F1BBCDCu, 45);
        SHA1_R5(SHA1_F3, 0x8F1BBCDCu, 50);
        SHA1_R5(SHA1_F3, 0x8F1BBCDCu, 55);
        SHA1_R5(SHA1_F2, 0xCA62C1D6u, 60);
        SHA1_R5(SHA1_F2, 0xCA62C1D6u, 65);
        SHA1_R5(SHA1_F2, 0xCA62C1D6u, 70);
        SHA1_R5(SHA1_F2, 0xCA62C1D6u, 75);
        HashState[0] += a;
        HashState[1] += b;
        HashState[2] += c;
        HashState[3] += d;
        HashState[4] += e;
    }
    // The schedule is derived from the message: wiped once per call, not per block.
    SecureFill(W, sizeof W, 0);
}

#undef SHA1_ROUND
#undef SHA1_F1
#undef SHA1_F2
#undef SHA1_F3
#undef SHA1_R5

bool TMV_sha1::RunSelfTest()
{
    static const char* const messages[2] = {
        "abc", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"};
    static const uint8_t expected[2][20] = {
        {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
         0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d},
        {0x84, 0x98, 0x3e, 0x44, 0x1c, 0x3b, 0xd2, 0x6e, 0xba, 0xae,
         0x4a, 0xa1, 0xf9, 0x51, 0x29, 0xe5, 0xe5, 0x46, 0x70, 0xf1}};
    TMV_sha1 hash;
    bool passed = true;
    for (int i = 0; i < 2; ++i) {
        uint8_t digest[20];
        hash.Start();
        hash.AddString(messages[i]);
        hash.Finish(digest);
        passed = SameBytes(digest, expected[i], 20) && passed;
    }
    return passed;
}

} // namespace mv::cipher
