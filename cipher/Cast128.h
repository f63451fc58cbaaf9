// CAST-128 (RFC 2144): 64-bit block, keys of up to 128 bits, 12 rounds for keys of at most
// 80 bits and 16 rounds above. Block and key words are big-endian.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ModeKernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_cast128 : public TMV_blockcipher
{
public:
    static constexpr int Id = 7;
    static constexpr const char* Algorithm = "Cast128";
    static constexpr int MaxKeySize = 128;
    static constexpr int BlockSize = 64;
    // What WipeKey leaves in every subkey byte.
    static constexpr uint8_t WipeByte = 0xFF;

    TMV_cast128();
    ~TMV_cast128() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // Keys with the first keyBits / 8 bytes of key, zero-padded to 128 bits; that byte count
    // (not keyBits) picks 12 or 16 rounds.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // The three key sizes of the standard's single-block vectors (128, 80 and 40 bits).
    static bool RunSelfTest();

    // For the tests: the 32 subkey words (masking Km1..Km16, then rotation Kr1..Kr16) as
    // bytes, and the round count (12 or 16 with a key, 0 when wiped).
    std::span<const uint8_t> ScheduleBytes() const
    {
        return {reinterpret_cast<const uint8_t*>(subkeys), sizeof subkeys};
    }
    int32_t Rounds() const { return rounds; }

    MV_DECLARE_BLOCK_KERNELS

    // Raw block functions of the mode kernels: no Ready check, in == out allowed. The N forms
    // take n independent blocks and work on four at a time.
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;
    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;
    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;

private:
    TMV_cast128(const TMV_cast128&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    // Km1..Km16 at 0..15, Kr1..Kr16 (each 0..31) at 16..31.
    uint32_t subkeys[32];
    int32_t rounds = 0;
};

} // namespace mv::cipher
