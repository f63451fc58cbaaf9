// The cipher library's base classes: a cipher holding a key and moving buffers and streams
// through it, the block cipher with its four chaining modes, the hash, and their exceptions.
#pragma once

#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mv::cipher {

inline constexpr const char* MsgCipherNotInitialized = "Cipher not initialized";
inline constexpr const char* MsgInsufficientMemory = "Insufficient memory";
inline constexpr const char* MsgHashNotInitialized = "Hash not initialized";
inline constexpr const char* MsgInvalidKeySize = "Invalid key size";

// Portion size of the stream operations: a job step of 32767 bytes is moved as 8192, 8192, 8192
// and 8191 bytes, and a decryptor must cut the stream exactly as the encryptor did.
inline constexpr int32_t StreamBufferSize = 8192;

class EMV_cipher : public platform::Exception
{
public:
    using Exception::Exception;
};

class EMV_blockcipher : public EMV_cipher
{
public:
    using EMV_cipher::EMV_cipher;
};

class EMV_hash : public platform::Exception
{
public:
    using Exception::Exception;
};

// Chaining modes; the values are stored in containers. Any other value makes the buffer
// operations do nothing.
enum TMV_ciphermode : uint8_t
{
    cmCBC = 0,
    cmCFB8bit = 1,
    cmCFBblock = 2,
    cmOFB = 3
};

class TMV_hash
{
public:
    virtual ~TMV_hash() = default;
    TMV_hash(const TMV_hash&) = delete;
    TMV_hash& operator=(const TMV_hash&) = delete;

    virtual int AlgorithmId() const = 0;
    virtual std::string AlgorithmName() const = 0;
    virtual int DigestBits() const = 0;

    virtual void Start() = 0;
    virtual void Finish(void* digest) = 0;
    virtual void WipeState() = 0;
    virtual void AddBytes(const void* buffer, int32_t count) = 0;

    // The characters of text, without terminator or length.
    void AddString(std::string_view text);

    bool Ready() const { return ready; }

protected:
    TMV_hash() = default;
    bool ready = false;
};

class TMV_cipher
{
public:
    virtual ~TMV_cipher() = default;
    TMV_cipher& operator=(const TMV_cipher&) = delete;

    virtual int AlgorithmId() const = 0;
    virtual std::string AlgorithmName() const = 0;
    virtual int MaxKeyBits() const = 0;

    // Keys the cipher with the first keyBits / 8 bytes of key. Without initialChain the first
    // chaining value is derived from the key. Raises platform::Exception "Invalid key size"
    // (leaving the object wiped) for a size that is not positive, not a multiple of 4 or above
    // MaxKeyBits. Every cipher overrides it and calls this check first.
    virtual void SetKey(const void* key, int32_t keyBits, const void* initialChain = nullptr);
    virtual void WipeKey();
    virtual void RestartChain() = 0;
    virtual void EncryptBuffer(const void* source, void* target, int32_t count) = 0;
    virtual void DecryptBuffer(const void* source, void* target, int32_t count) = 0;
    virtual std::string EncryptText(const std::string& text);
    virtual std::string DecryptText(const std::string& text);

    // Keys the cipher from SHA-1 of the password's bytes: 160 key bits, or MaxKeyBits when the
    // cipher takes fewer.
    void SetPassword(std::string_view password);

    // Move up to size bytes from source to target through the cipher, in portions of
    // StreamBufferSize and a remainder, each portion one buffer call. Returns the bytes read.
    int32_t EncryptFromStream(platform::TStream& source, platform::TStream& target, int32_t size);
    int32_t DecryptFromStream(platform::TStream& source, platform::TStream& target, int32_t size);

    bool Ready() const { return ready; }

    int Id() const { return AlgorithmId(); }
    std::string Algorithm() const { return AlgorithmName(); }
    int MaxKeySize() const { return MaxKeyBits(); }

protected:
    TMV_cipher() = default;
    // Only the block ciphers' Clone copies a cipher, through their own copy constructors.
    TMV_cipher(const TMV_cipher&) = default;
    bool ready = false;

private:
    template <bool Encrypting>
    int32_t MoveStream(platform::TStream& source, platform::TStream& target, int32_t size);
};

class TMV_blockcipher : public TMV_cipher
{
public:
    ~TMV_blockcipher() override;

    virtual int BlockBits() const = 0;
    // One block without chaining; in and out may be the same buffer. Raise EMV_blockcipher
    // "Cipher not initialized" when no key is set.
    virtual void EncryptBlock(const void* in, void* out) = 0;
    virtual void DecryptBlock(const void* in, void* out) = 0;

    // An independent copy: the same key, mode and chaining state, and Ready as this one; for
    // handing the key to another thread. The copy wipes its key and chaining values when it is
    // destroyed, like every cipher.
    virtual std::unique_ptr<TMV_blockcipher> Clone() const = 0;

    void WipeKey() override;
    void RestartChain() override;
    // Sets the current chaining value to BlockBytes bytes from value (StartChain stays). Raises
    // EMV_blockcipher "Cipher not initialized" when no key is set.
    void SetChain(const void* value);
    void EncryptBuffer(const void* source, void* target, int32_t count) override;
    void DecryptBuffer(const void* source, void* target, int32_t count) override;
    std::string EncryptText(const std::string& text) override;
    std::string DecryptText(const std::string& text) override;

    // The chaining modes. Whole blocks first, then a final partial block of r bytes, which in
    // every block mode is an output-feedback step: C := E(C), out := in XOR C[0..r-1].
    void CbcEncrypt(const void* source, void* target, int32_t count);
    void CbcDecrypt(const void* source, void* target, int32_t count);
    void Cfb8Encrypt(const void* source, void* target, int32_t count);
    void Cfb8Decrypt(const void* source, void* target, int32_t count);
    void CfbBlockEncrypt(const void* source, void* target, int32_t count);
    void CfbBlockDecrypt(const void* source, void* target, int32_t count);
    void OfbEncrypt(const void* source, void* target, int32_t count);
    void OfbDecrypt(const void* source, void* target, int32_t count);

    int BlockSize() const { return BlockBits(); }
    int32_t BlockBytes() const { return blockBytes; }
    // The current and the key setup's chaining values, BlockBytes each.
    const uint8_t* Chain() const { return chain.get(); }
    const uint8_t* StartChain() const { return startChain.get(); }

    TMV_ciphermode CipherMode = cmCBC;

protected:
    explicit TMV_blockcipher(int blockBits);
    // New chaining buffers holding the other's values; for the ciphers' Clone.
    TMV_blockcipher(const TMV_blockcipher& other);

    // The last step of every cipher's SetKey: StartChain from initialChain, or the encryption
    // of an all-zero block under the new key; then RestartChain.
    void InstallChain(const void* initialChain);
    void CheckReady() const;

    // Whole-block kernels of the modes, working on Chain. The defaults go through the virtual
    // block operations; the ciphers replace them with inlined, interleaved versions.
    virtual void CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
    virtual void CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
    virtual void CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
    virtual void CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
    virtual void OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks);
    virtual void Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count);
    virtual void Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count);

    uint8_t* ChainBuffer() { return chain.get(); }

private:
    using Kernel = void (TMV_blockcipher::*)(const uint8_t*, uint8_t*, size_t);
    void RunBlockMode(Kernel kernel, const void* source, void* target, int32_t count);
    void PartialBlock(const uint8_t* in, uint8_t* out, size_t r);

    const int32_t blockBytes;
    // The three chaining buffers of blockBytes each; "Insufficient memory" when one cannot be had.
    void AllocateChains();

    std::unique_ptr<uint8_t[]> startChain;
    std::unique_ptr<uint8_t[]> chain;
    std::unique_ptr<uint8_t[]> chainTemp;
};

} // namespace mv::cipher
