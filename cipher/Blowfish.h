// Blowfish: 64-bit blocks, 16 rounds, keys of 1 to 56 bytes read cyclically, S-boxes and P-array
// started from the hexadecimal digits of pi and then stirred by the key.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ModeKernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_blowfish : public TMV_blockcipher
{
public:
    static constexpr int Id = 5;
    static constexpr const char* Algorithm = "Blowfish";
    static constexpr int MaxKeySize = 448;
    static constexpr int BlockSize = 64;
    // The byte WipeKey leaves in every schedule word.
    static constexpr uint8_t WipeByte = 0xFF;

    TMV_blowfish();
    ~TMV_blowfish() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // Uses keyBits / 8 key bytes, repeated as often as the P-array needs them; keyBits 4 leaves
    // no key byte and is refused with "Invalid key size", like the sizes the base refuses.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // Two vectors of the published 64-bit-key set, both ways.
    static bool RunSelfTest();

    // The S-boxes and the P-array as the object holds them (4168 bytes); for tests of the wipe.
    std::span<const uint8_t> ScheduleBytes() const;

    MV_DECLARE_BLOCK_KERNELS

    // Raw block functions of the mode kernels; no Ready check (the callers made it).
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;
    // n independent blocks, up to eight at a time so the table look-ups of each fill the
    // others' latency; in == out allowed.
    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;
    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;

private:
    TMV_blowfish(const TMV_blowfish&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    struct TSchedule
    {
        uint32_t S[4][256];
        uint32_t P[18];
    };
    TSchedule schedule;
};

} // namespace mv::cipher
