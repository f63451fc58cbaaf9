// SHA-1 (FIPS 180-1): the digest the key of every container is derived from.
#pragma once

#include "cipher/CipherBase.h"

namespace mv::cipher {

class TMV_sha1 : public TMV_hash
{
public:
    static constexpr int Id = 2;
    static constexpr const char* Algorithm = "SHA1";
    static constexpr int HashSize = 160;
    static constexpr size_t DigestBytes = HashSize / 8;

    // Which compression runs. Automatic takes the SHA instructions when the processor has them;
    // Portable forces the portable rounds, for the tests and benchmarks that compare the two.
    enum class TPath
    {
        Automatic,
        Portable
    };

    explicit TMV_sha1(TPath path = TPath::Automatic);
    ~TMV_sha1() override;

    int AlgorithmId() const override { return Id; }
    std::string AlgorithmName() const override { return Algorithm; }
    int DigestBits() const override { return HashSize; }

    void Start() override;
    void AddBytes(const void* buffer, int32_t count) override;
    // Writes the 20 digest bytes and wipes the state; the object is then not Ready.
    void Finish(void* digest) override;
    void WipeState() override;

    static bool RunSelfTest();

private:
    // Compresses count 64-byte blocks from blocks on, on the processor's SHA instructions where
    // it has them.
    void CompressBlocks(const uint8_t* blocks, size_t count);

    uint32_t BitCountHigh = 0;
    uint32_t BitCountLow = 0;
    int32_t BlockFill = 0;
    uint32_t HashState[5] = {};
    uint8_t BlockBuffer[64] = {};
    bool shaNi = false;
};

} // namespace mv::cipher
