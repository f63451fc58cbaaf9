#include "cipher/CipherBase.h"

#include "cipher/Base64.h"
#include "cipher/BitOps.h"
#include "cipher/Sha1.h"

#include <new>

namespace mv::cipher {

void TMV_hash::AddString(std::string_view text)
{
    AddBytes(text.data(), static_cast<int32_t>(text.size()));
}

// ---- TMV_cipher -------------------------------------------------------------------------------

void TMV_cipher::SetKey(const void*, int32_t keyBits, const void*)
{
    if (ready)
        WipeKey();
    if (keyBits <= 0 || keyBits % 4 != 0 || keyBits > MaxKeyBits())
        throw platform::Exception(MsgInvalidKeySize);
    ready = true;
}

void TMV_cipher::WipeKey()
{
    ready = false;
}

void TMV_cipher::SetPassword(std::string_view password)
{
    if (ready)
        WipeKey();
    uint8_t digest[TMV_sha1::DigestBytes];
    {
        TMV_sha1 hash;
        hash.Start();
        hash.AddString(password);
        hash.Finish(digest);
    }
    const int32_t keyBits = MaxKeyBits() >= 160 ? 160 : MaxKeyBits();
    try {
        SetKey(digest, keyBits, nullptr);
    } catch (...) {
        SecureFill(digest, sizeof digest, 0xFF);
        throw;
    }
    SecureFill(digest, sizeof digest, 0xFF);
}

template <bool Encrypting>
int32_t TMV_cipher::MoveStream(platform::TStream& source, platform::TStream& target, int32_t size)
{
    uint8_t buffer[StreamBufferSize];
    int32_t total = 0;
    auto portion = [&](int32_t want) {
        const auto n = static_cast<int32_t>(source.Read(buffer, want));
        total += n;
        if constexpr (Encrypting)
            EncryptBuffer(buffer, buffer, n);
        else
            DecryptBuffer(buffer, buffer, n);
        target.Write(buffer, n);
    };
    try {
        for (int32_t i = 0; i < size / StreamBufferSize; ++i)
            portion(StreamBufferSize);
        if (size % StreamBufferSize != 0)
            portion(size % StreamBufferSize);
    } catch (...) {
        SecureFill(buffer, sizeof buffer, 0);
        throw;
    }
    // The buffer held plain bytes one way or the other.
    SecureFill(buffer, sizeof buffer, 0);
    return total;
}

int32_t TMV_cipher::EncryptFromStream(platform::TStream& source, platform::TStream& target,
                                      int32_t size)
{
    return MoveStream<true>(source, target, size);
}

int32_t TMV_cipher::DecryptFromStream(platform::TStream& source, platform::TStream& target,
                                      int32_t size)
{
    return MoveStream<false>(source, target, size);
}

std::string TMV_cipher::EncryptText(const std::string& text)
{
    std::string bytes(text.size(), '\0');
    EncryptBuffer(text.data(), bytes.data(), static_cast<int32_t>(text.size()));
    return EncodeBase64Text(bytes);
}

std::string TMV_cipher::DecryptText(const std::string& text)
{
    std::string bytes = DecodeBase64Text(text);
    DecryptBuffer(bytes.data(), bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// ---- TMV_blockcipher --------------------------------------------------------------------------

void TMV_blockcipher::AllocateChains()
{
    const auto n = static_cast<size_t>(blockBytes);
    startChain.reset(new (std::nothrow) uint8_t[n]);
    if (startChain)
        chain.reset(new (std::nothrow) uint8_t[n]);
    if (chain)
        chainTemp.reset(new (std::nothrow) uint8_t[n]);
    if (!chainTemp)
        throw EMV_blockcipher(MsgInsufficientMemory);
}

TMV_blockcipher::TMV_blockcipher(int blockBits) : blockBytes(blockBits / 8)
{
    AllocateChains();
    const auto n = static_cast<size_t>(blockBytes);
    SecureFill(startChain.get(), n, 0xFF);
    SecureFill(chain.get(), n, 0xFF);
    SecureFill(chainTemp.get(), n, 0xFF);
}

TMV_blockcipher::TMV_blockcipher(const TMV_blockcipher& other)
    : TMV_cipher(other), CipherMode(other.CipherMode), blockBytes(other.blockBytes)
{
    AllocateChains();
    const auto n = static_cast<size_t>(blockBytes);
    std::memcpy(startChain.get(), other.startChain.get(), n);
    std::memcpy(chain.get(), other.chain.get(), n);
    std::memcpy(chainTemp.get(), other.chainTemp.get(), n);
}

TMV_blockcipher::~TMV_blockcipher()
{
    // The chaining values are key material too (E(0) under the key): never release them as
    // they are.
    const auto n = static_cast<size_t>(blockBytes);
    SecureFill(startChain.get(), n, 0xFF);
    SecureFill(chain.get(), n, 0xFF);
    SecureFill(chainTemp.get(), n, 0xFF);
}

void TMV_blockcipher::WipeKey()
{
    if (startChain) {
        const auto n = static_cast<size_t>(blockBytes);
        SecureFill(startChain.get(), n, 0xFF);
        SecureFill(chain.get(), n, 0xFF);
        SecureFill(chainTemp.get(), n, 0xFF);
    }
    TMV_cipher::WipeKey();
}

void TMV_blockcipher::CheckReady() const
{
    if (!ready)
        throw EMV_blockcipher(MsgCipherNotInitialized);
}

void TMV_blockcipher::RestartChain()
{
    CheckReady();
    std::memcpy(chain.get(), startChain.get(), static_cast<size_t>(blockBytes));
}

void TMV_blockcipher::SetChain(const void* value)
{
    CheckReady();
    std::memcpy(chain.get(), value, static_cast<size_t>(blockBytes));
}

void TMV_blockcipher::InstallChain(const void* initialChain)
{
    const auto n = static_cast<size_t>(blockBytes);
    if (initialChain) {
        std::memcpy(startChain.get(), initialChain, n);
    } else {
        std::memset(startChain.get(), 0, n);
        EncryptBlock(startChain.get(), startChain.get());
    }
    RestartChain();
}

void TMV_blockcipher::EncryptBuffer(const void* source, void* target, int32_t count)
{
    switch (CipherMode) {
    case cmCBC:
        CbcEncrypt(source, target, count);
        break;
    case cmCFB8bit:
        Cfb8Encrypt(source, target, count);
        break;
    case cmCFBblock:
        CfbBlockEncrypt(source, target, count);
        break;
    case cmOFB:
        OfbEncrypt(source, target, count);
        break;
    }
}

void TMV_blockcipher::DecryptBuffer(const void* source, void* target, int32_t count)
{
    switch (CipherMode) {
    case cmCBC:
        CbcDecrypt(source, target, count);
        break;
    case cmCFB8bit:
        Cfb8Decrypt(source, target, count);
        break;
    case cmCFBblock:
        CfbBlockDecrypt(source, target, count);
        break;
    case cmOFB:
        OfbDecrypt(source, target, count);
        break;
    }
}

void TMV_blockcipher::PartialBlock(const uint8_t* in, uint8_t* out, size_t r)
{
    uint8_t* c = chain.get();
    EncryptBlock(c, c);
    for (size_t i = 0; i < r; ++i)
        out[i] = static_cast<uint8_t>(in[i] ^ c[i]);
}

void TMV_blockcipher::RunBlockMode(Kernel kernel, const void* source, void* target, int32_t count)
{
    CheckReady();
    if (count <= 0)
        return;
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(target);
    const auto b = static_cast<size_t>(blockBytes);
    const size_t blocks = static_cast<size_t>(count) / b;
    const size_t rest = static_cast<size_t>(count) % b;
    if (blocks != 0)
        (this->*kernel)(in, out, blocks);
    if (rest != 0)
        PartialBlock(in + blocks * b, out + blocks * b, rest);
}

void TMV_blockcipher::CbcEncrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::CbcEncryptBlocks, source, target, count);
}
void TMV_blockcipher::CbcDecrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::CbcDecryptBlocks, source, target, count);
}
void TMV_blockcipher::CfbBlockEncrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::CfbEncryptBlocks, source, target, count);
}
void TMV_blockcipher::CfbBlockDecrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::CfbDecryptBlocks, source, target, count);
}
void TMV_blockcipher::OfbEncrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::OfbBlocks, source, target, count);
}
void TMV_blockcipher::OfbDecrypt(const void* source, void* target, int32_t count)
{
    RunBlockMode(&TMV_blockcipher::OfbBlocks, source, target, count);
}

void TMV_blockcipher::Cfb8Encrypt(const void* source, void* target, int32_t count)
{
    CheckReady();
    if (count > 0)
        Cfb8EncryptBytes(static_cast<const uint8_t*>(source), static_cast<uint8_t*>(target),
                         static_cast<size_t>(count));
}

void TMV_blockcipher::Cfb8Decrypt(const void* source, void* target, int32_t count)
{
    CheckReady();
    if (count > 0)
        Cfb8DecryptBytes(static_cast<const uint8_t*>(source), static_cast<uint8_t*>(target),
                         static_cast<size_t>(count));
}

std::string TMV_blockcipher::EncryptText(const std::string& text)
{
    std::string bytes(text.size(), '\0');
    Cfb8Encrypt(text.data(), bytes.data(), static_cast<int32_t>(text.size()));
    return EncodeBase64Text(bytes);
}

std::string TMV_blockcipher::DecryptText(const std::string& text)
{
    std::string bytes = DecodeBase64Text(text);
    Cfb8Decrypt(bytes.data(), bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// ---- default kernels, one virtual block call per block ----------------------------------------

void TMV_blockcipher::CbcEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    for (size_t k = 0; k < blocks; ++k, in += b, out += b) {
        for (size_t i = 0; i < b; ++i)
            out[i] = static_cast<uint8_t>(in[i] ^ c[i]);
        EncryptBlock(out, out);
        std::memcpy(c, out, b);
    }
}

void TMV_blockcipher::CbcDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    uint8_t* t = chainTemp.get();
    for (size_t k = 0; k < blocks; ++k, in += b, out += b) {
        std::memcpy(t, in, b);
        DecryptBlock(in, out);
        for (size_t i = 0; i < b; ++i)
            out[i] ^= c[i];
        std::memcpy(c, t, b);
    }
}

void TMV_blockcipher::CfbEncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    for (size_t k = 0; k < blocks; ++k, in += b, out += b) {
        EncryptBlock(c, c);
        for (size_t i = 0; i < b; ++i)
            out[i] = static_cast<uint8_t>(in[i] ^ c[i]);
        std::memcpy(c, out, b);
    }
}

void TMV_blockcipher::CfbDecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    uint8_t* t = chainTemp.get();
    for (size_t k = 0; k < blocks; ++k, in += b, out += b) {
        std::memcpy(t, in, b);
        EncryptBlock(c, c);
        for (size_t i = 0; i < b; ++i)
            out[i] = static_cast<uint8_t>(t[i] ^ c[i]);
        std::memcpy(c, t, b);
    }
}

void TMV_blockcipher::OfbBlocks(const uint8_t* in, uint8_t* out, size_t blocks)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    for (size_t k = 0; k < blocks; ++k, in += b, out += b) {
        EncryptBlock(c, c);
        for (size_t i = 0; i < b; ++i)
            out[i] = static_cast<uint8_t>(in[i] ^ c[i]);
    }
}

void TMV_blockcipher::Cfb8EncryptBytes(const uint8_t* in, uint8_t* out, size_t count)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    uint8_t* t = chainTemp.get();
    for (size_t k = 0; k < count; ++k) {
        EncryptBlock(c, t);
        const auto y = static_cast<uint8_t>(in[k] ^ t[0]);
        std::memmove(c, c + 1, b - 1);
        c[b - 1] = y;
        out[k] = y;
    }
}

void TMV_blockcipher::Cfb8DecryptBytes(const uint8_t* in, uint8_t* out, size_t count)
{
    const auto b = static_cast<size_t>(blockBytes);
    uint8_t* c = chain.get();
    uint8_t* t = chainTemp.get();
    for (size_t k = 0; k < count; ++k) {
        const uint8_t x = in[k];
        EncryptBlock(c, t);
        out[k] = static_cast<uint8_t>(x ^ t[0]);
        std::memmove(c, c + 1, b - 1);
        c[b - 1] = x;
    }
}

} // namespace mv::cipher
