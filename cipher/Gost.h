// GOST 28147-89 in its basic transform: 64-bit block, 256-bit key, 32 rounds, with the S-box set
// of the GOST R 34.11-94 test examples. Key and block words are little-endian.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ModeKernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_gost : public TMV_blockcipher
{
public:
    static constexpr int Id = 8;
    static constexpr const char* Algorithm = "Gost";
    static constexpr int MaxKeySize = 256;
    static constexpr int BlockSize = 64;
    // What WipeKey leaves in every key byte.
    static constexpr uint8_t WipeByte = 0x00;

    TMV_gost();
    ~TMV_gost() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // Keys with the first keyBits / 8 bytes of key, the rest of the 256 bits zero.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // Two stored 256-bit-key vectors, each encrypted, decrypted in place and wiped.
    static bool RunSelfTest();

    // The key words as bytes, for the tests that check wiping.
    std::span<const uint8_t> ScheduleBytes() const
    {
        return {reinterpret_cast<const uint8_t*>(keyWords), sizeof keyWords};
    }

    MV_DECLARE_BLOCK_KERNELS

    // Raw block functions of the mode kernels: no Ready check, in == out allowed. The N forms
    // take n independent blocks and work on two at a time.
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;
    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;
    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;

private:
    TMV_gost(const TMV_gost&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    uint32_t keyWords[8];
};

} // namespace mv::cipher
