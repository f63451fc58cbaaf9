// The chaining modes' whole-block loops, written once for any cipher whose raw block functions
// the compiler can inline. A cipher derives from TMV_blockcipher, puts MV_DECLARE_BLOCK_KERNELS
// in its class and MV_DEFINE_BLOCK_KERNELS in its source file, and offers, as const members:
//   void EncryptRaw(const uint8_t* in, uint8_t* out) const;   // one block, in == out allowed
//   void DecryptRaw(const uint8_t* in, uint8_t* out) const;
// and optionally EncryptRawN / DecryptRawN (const uint8_t* in, uint8_t* out, size_t n) for n
// independent blocks at once (in == out allowed), which lets CBC, block-CFB and 8-bit CFB
// decryption overlap several blocks. No kernel allocates; temporaries live on the stack and the
// ones that held key stream or plain bytes are wiped before return.
#pragma once

#include "cipher/BitOps.h"
#include "cipher/CipherBase.h"

#include <algorithm>
#include <cstring>

namespace mv::cipher {

template <class Ops, size_t B>
struct TModeKernels
{
    static_assert(B == 8 || B == 16);
    // Independent blocks handled per round of the decrypting kernels.
    static constexpr size_t Batch = 128 / B;

    // In 32-bit words: the 64-bit ciphers keep their block as two 32-bit halves, and a 64-bit
    // XOR would make the compiler join the halves into one register first, so the next block's
    // first round would wait for the whole of the previous block.
    static void XorBlock(uint8_t* out, const uint8_t* a, const uint8_t* b)
    {
        for (size_t i = 0; i < B; i += 4) {
            uint32_t x, y;
            std::memcpy(&x, a + i, 4);
            std::memcpy(&y, b + i, 4);
            x ^= y;
            std::memcpy(out + i, &x, 4);
        }
    }

    static void EncryptN(const Ops& ops, const uint8_t* in, uint8_t* out, size_t n)
    {
        if constexpr (requires { ops.EncryptRawN(in, out, n); })
            ops.EncryptRawN(in, out, n);
        else
            for (size_t i = 0; i < n; ++i)
                ops.EncryptRaw(in + i * B, out + i * B);
    }

    static void DecryptN(const Ops& ops, const uint8_t* in, uint8_t* out, size_t n)
    {
        if constexpr (requires { ops.DecryptRawN(in, out, n); })
            ops.DecryptRawN(in, out, n);
        else
            for (size_t i = 0; i < n; ++i)
                ops.DecryptRaw(in + i * B, out + i * B);
    }

    static void CbcEncrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                           size_t blocks)
    {
        alignas(16) uint8_t cur[B];
        std::memcpy(cur, chain, B);
        for (; blocks != 0; --blocks, in += B, out += B) {
            XorBlock(cur, cur, in);
            ops.EncryptRaw(cur, cur);
            std::memcpy(out, cur, B);
        }
        std::memcpy(chain, cur, B);
    }

    static void CbcDecrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                           size_t blocks)
    {
        alignas(16) uint8_t prev[B];
        alignas(16) uint8_t saved[Batch * B];
        std::memcpy(prev, chain, B);
        while (blocks != 0) {
            const size_t n = std::min(Batch, blocks);
            std::memcpy(saved, in, n * B);
            DecryptN(ops, saved, out, n);
            XorBlock(out, out, prev);
            for (size_t i = 1; i < n; ++i)
                XorBlock(out + i * B, out + i * B, saved + (i - 1) * B);
            std::memcpy(prev, saved + (n - 1) * B, B);
            in += n * B;
            out += n * B;
            blocks -= n;
        }
        std::memcpy(chain, prev, B);
    }

    static void CfbEncrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                           size_t blocks)
    {
        alignas(16) uint8_t cur[B];
        std::memcpy(cur, chain, B);
        for (; blocks != 0; --blocks, in += B, out += B) {
            ops.EncryptRaw(cur, cur);
            XorBlock(cur, cur, in);
            std::memcpy(out, cur, B);
        }
        std::memcpy(chain, cur, B);
    }

    static void CfbDecrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                           size_t blocks)
    {
        alignas(16) uint8_t saved[Batch * B];
        alignas(16) uint8_t stream[Batch * B];
        alignas(16) uint8_t prev[B];
        std::memcpy(prev, chain, B);
        while (blocks != 0) {
            const size_t n = std::min(Batch, blocks);
            std::memcpy(saved, in, n * B);
            std::memcpy(stream, prev, B);
            std::memcpy(stream + B, saved, (n - 1) * B);
            EncryptN(ops, stream, stream, n);
            for (size_t i = 0; i < n; ++i)
                XorBlock(out + i * B, saved + i * B, stream + i * B);
            std::memcpy(prev, saved + (n - 1) * B, B);
            in += n * B;
            out += n * B;
            blocks -= n;
        }
        std::memcpy(chain, prev, B);
        SecureFill(stream, sizeof stream, 0);
    }

    static void Ofb(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                    size_t blocks)
    {
        alignas(16) uint8_t cur[B];
        std::memcpy(cur, chain, B);
        for (; blocks != 0; --blocks, in += B, out += B) {
            ops.EncryptRaw(cur, cur);
            XorBlock(out, in, cur);
        }
        std::memcpy(chain, cur, B);
        SecureFill(cur, sizeof cur, 0);
    }

    // 8-bit CFB encryption is serial: each byte's key stream needs the byte before it. The
    // shift register is a window sliding over a run of cipher bytes, so no byte is moved per
    // step.
    static void Cfb8Encrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                            size_t count)
    {
        constexpr size_t Window = 512;
        alignas(16) uint8_t run[B + Window];
        alignas(16) uint8_t stream[B];
        std::memcpy(run, chain, B);
        size_t pos = 0;
        for (size_t k = 0; k < count; ++k) {
            if (pos == Window) {
                std::memcpy(run, run + Window, B);
                pos = 0;
            }
            ops.EncryptRaw(run + pos, stream);
            const auto y = static_cast<uint8_t>(in[k] ^ stream[0]);
            run[B + pos] = y;
            out[k] = y;
            ++pos;
        }
        std::memcpy(chain, run + pos, B);
        SecureFill(stream, sizeof stream, 0);
    }

    // Decrypting, every shift register value is known from the cipher bytes, so a batch of
    // them is encrypted as independent blocks.
    static void Cfb8Decrypt(const Ops& ops, uint8_t* chain, const uint8_t* in, uint8_t* out,
                            size_t count)
    {
        constexpr size_t N = 16;
        alignas(16) uint8_t run[B + N];
        alignas(16) uint8_t stream[N * B];
        std::memcpy(run, chain, B);
        while (count != 0) {
            const size_t n = std::min(N, count);
            std::memcpy(run + B, in, n);
            for (size_t i = 0; i < n; ++i)
                std::memcpy(stream + i * B, run + i, B);
            EncryptN(ops, stream, stream, n);
            for (size_t i = 0; i < n; ++i)
                out[i] = static_cast<uint8_t>(run[B + i] ^ stream[i * B]);
            std::memmove(run, run + n, B);
            in += n;
            out += n;
            count -= n;
        }
        std::memcpy(chain, run, B);
        SecureFill(stream, sizeof stream, 0);
    }
};

// Declares, inside a concrete cipher class, the block operations and the mode kernels that
// MV_DEFINE_BLOCK_KERNELS defines in the cipher's own source file. Defining them there, after
// the cipher's raw block functions, lets the compiler inline those functions into every kernel;
// no other translation unit instantiates the kernels.
#define MV_DECLARE_BLOCK_KERNELS                                                                \
public:                                                                                          \
    void EncryptBlock(const void* in, void* out) override;                                       \
    void DecryptBlock(const void* in, void* out) override;                                       \
                                                                                                 \
protected:                                                                                       \
    void CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;              \
    void CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;              \
    void CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;              \
    void CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;              \
    void OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;                     \
    void Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count) override;               \
    void Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count) override;               \
                                                                                                 \
public:

// Defines them for Class, whose const members EncryptRaw/DecryptRaw (and optionally
// EncryptRawN/DecryptRawN) must be defined before this line in the same file.
#define MV_DEFINE_BLOCK_KERNELS(Class, B)                                                        \
    void Class::EncryptBlock(const void* in, void* out)                                          \
    {                                                                                            \
        CheckReady();                                                                            \
        EncryptRaw(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out));                 \
    }                                                                                            \
    void Class::DecryptBlock(const void* in, void* out)                                          \
    {                                                                                            \
        CheckReady();                                                                            \
        DecryptRaw(static_cast<const uint8_t*>(in), static_cast<uint8_t*>(out));                 \
    }                                                                                            \
    void Class::CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)                 \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::CbcEncrypt(*this, ChainBuffer(), in, out, blocks); \
    }                                                                                            \
    void Class::CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)                 \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::CbcDecrypt(*this, ChainBuffer(), in, out, blocks); \
    }                                                                                            \
    void Class::CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)                 \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::CfbEncrypt(*this, ChainBuffer(), in, out, blocks); \
    }                                                                                            \
    void Class::CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)                 \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::CfbDecrypt(*this, ChainBuffer(), in, out, blocks); \
    }                                                                                            \
    void Class::OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks)                        \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::Ofb(*this, ChainBuffer(), in, out, blocks);        \
    }                                                                                            \
    void Class::Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count)                  \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::Cfb8Encrypt(*this, ChainBuffer(), in, out, count); \
    }                                                                                            \
    void Class::Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count)                  \
    {                                                                                            \
        ::mv::cipher::TModeKernels<Class, B>::Cfb8Decrypt(*this, ChainBuffer(), in, out, count); \
    }

} // namespace mv::cipher
