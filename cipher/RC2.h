// RC2 (RFC 2268): 64-bit blocks, keys of 1 to 128 bytes. The effective key length is not a
// parameter here: it is always 1024 bits, whatever the key's length.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ModeKernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_rc2 : public TMV_blockcipher
{
public:
    static constexpr int Id = 1;
    static constexpr const char* Algorithm = "RC2";
    static constexpr int MaxKeySize = 1024;
    static constexpr int BlockSize = 64;
    // The byte WipeKey leaves in every schedule word.
    static constexpr uint8_t WipeByte = 0x00;

    TMV_rc2();
    ~TMV_rc2() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // Uses keyBits / 8 key bytes; keyBits 4 leaves no key byte and is refused with "Invalid key
    // size", like the sizes the base refuses.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // Two stored vectors of this schedule (16-byte keys), both ways.
    static bool RunSelfTest();

    // The 64 expanded key words as the object holds them (128 bytes); for tests of the wipe.
    std::span<const uint8_t> ScheduleBytes() const;

    MV_DECLARE_BLOCK_KERNELS

    // Raw block functions of the mode kernels; no Ready check (the callers made it).
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;
    // n independent blocks, four (then two) at a time so that the serial word chains of the
    // blocks overlap; in == out allowed.
    void EncryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;
    void DecryptRawN(const uint8_t* in, uint8_t* out, size_t n) const;

private:
    TMV_rc2(const TMV_rc2&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    uint16_t K[64];
};

} // namespace mv::cipher
