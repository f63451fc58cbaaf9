// Rijndael with the block fixed at 128 bits, that is AES (FIPS-197), with 128-, 192- and 256-bit
// keys. Runs on the processor's AES instructions when it has them, otherwise on 32-bit tables;
// both give the same bytes.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/RijndaelAesNi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv::cipher {

class TMV_rijndael : public TMV_blockcipher
{
public:
    static constexpr int Id = 9;
    static constexpr const char* Algorithm = "Rijndael";
    static constexpr int MaxKeySize = 256;
    static constexpr int BlockSize = 128;
    // A wiped schedule holds only this byte.
    static constexpr uint8_t WipeByte = 0x00;

    // Which block implementation runs. Automatic takes the AES instructions when the processor
    // has them; TableOnly forces the table implementation, for the tests and benchmarks that
    // compare the two.
    enum class TPath
    {
        Automatic,
        TableOnly
    };

    explicit TMV_rijndael(TPath path = TPath::Automatic);
    ~TMV_rijndael() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int MaxKeyBits() const override { return MaxKeySize; }
    int BlockBits() const override { return BlockSize; }

    // The variant follows the key's byte count keyBits / 8: up to 16 bytes AES-128, up to 24
    // AES-192, else AES-256, the missing bytes being zero.
    void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr) override;
    void WipeKey() override;
    std::unique_ptr<TMV_blockcipher> Clone() const override;

    // Three known-answer vectors of the original submission's tables, one per key length.
    static bool RunSelfTest();

    bool UsesAesNi() const { return aesNi; }
    // Round count: 10, 12 or 14 when keyed, 0 when wiped.
    int32_t Rounds() const { return Nr; }
    // Both round-key arrays as bytes; for tests that check the wipe.
    std::span<const uint8_t> ScheduleBytes() const
    {
        return {reinterpret_cast<const uint8_t*>(&schedule), sizeof schedule};
    }

    void EncryptBlock(const void* in, void* out) override;
    void DecryptBlock(const void* in, void* out) override;

    // The table implementation of one block, for the portable mode kernels; no Ready check (the
    // callers made it). in == out is allowed.
    void EncryptRaw(const uint8_t* in, uint8_t* out) const;
    void DecryptRaw(const uint8_t* in, uint8_t* out) const;

protected:
    // Each kernel runs on the AES instructions or on the tables, chosen at construction.
    void CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;
    void CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;
    void CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;
    void CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;
    void OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks) override;
    void Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count) override;
    void Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count) override;

private:
    TMV_rijndael(const TMV_rijndael&) = default;
    void ExpandKey(const uint8_t* key, int32_t keyBits);

    int32_t Nr = 0;
    alignas(64) TRijndaelSchedule schedule;
    const bool aesNi;
};

} // namespace mv::cipher
