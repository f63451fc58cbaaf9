// Twofish: 128-bit block, keys up to 256 bits, 16 rounds, with the designers' full keying (the
// key-dependent S-boxes folded with the MDS matrix into four 256-word tables per key).
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ModeKernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_twofish : public TMV_blockcipher
{
public:
    static constexpr int Id = 6;
    static constexpr const char* Algorithm = "Twofish";
    static constexpr int MaxKeySize = 256;
    static constexpr int BlockSize = 128;
    // A wiped schedule holds only this byte.
    static constexpr uint8_t WipeByte = 0xFF;

    TMV_twofish();
    ~TMV_twofish() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // The schedule length follows keyBits, not the byte count: up to 128 bits a 128-bit key, up
    // to 192 a 192-bit key, else 256, the missing bytes being zero. A trailing half byte of the
    // key is ignored.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // The chained 49-pass known-answer test of the designers' tables at 128, 192 and 256 bits.
    static bool RunSelfTest();

    // The whole key schedule (subkeys and key-dependent tables) as bytes; for tests that check
    // the wipe.
    std::span<const uint8_t> ScheduleBytes() const
    {
        return {reinterpret_cast<const uint8_t*>(&schedule), sizeof schedule};
    }

    MV_DECLARE_BLOCK_KERNELS

    // Raw block functions for the mode kernels; no Ready check (the callers made it). in == out
    // is allowed.
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;
    // n independent blocks, two at a time; in == out allowed.
    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;
    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;

private:
    TMV_twofish(const TMV_twofish&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    struct TSchedule
    {
        // K0..K3 input whitening, K4..K7 output whitening, K8..K39 two per round.
        uint32_t SubKeys[40];
        // Entry x of table i: MDS column i times the key-dependent S-box byte s_i(x), so that
        // g(X) is the XOR of table i at byte i of X.
        uint32_t KeyTables[4][256];
    };
    alignas(64) TSchedule schedule;
};

} // namespace mv::cipher
