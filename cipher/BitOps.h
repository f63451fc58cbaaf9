// Small bit routines shared by the ciphers and the chaining modes, plus the byte-order loads and
// stores every on-disk or on-wire word goes through.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mv::cipher {

// target[i] ^= source[i] for i in 0..count-1; a count of 0 or less does nothing.
void XorBytes(void* target, const void* source, int32_t count);

// True when all count bytes are equal. Looks at every byte, so the time does not tell where two
// buffers first differ; a count of 0 or less gives true.
bool SameBytes(const void* a, const void* b, int32_t count);

constexpr uint16_t RotateLeft16(uint16_t value, unsigned n)
{
    return static_cast<uint16_t>(std::rotl(value, static_cast<int>(n & 15)));
}
constexpr uint16_t RotateRight16(uint16_t value, unsigned n)
{
    return static_cast<uint16_t>(std::rotr(value, static_cast<int>(n & 15)));
}
constexpr uint32_t RotateLeft32(uint32_t value, unsigned n)
{
    return std::rotl(value, static_cast<int>(n & 31));
}
constexpr uint32_t RotateRight32(uint32_t value, unsigned n)
{
    return std::rotr(value, static_cast<int>(n & 31));
}
constexpr uint32_t SwapBytes32(uint32_t value) { return __builtin_bswap32(value); }

inline uint32_t LoadLE32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = SwapBytes32(v);
    return v;
}
inline void StoreLE32(uint8_t* p, uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        v = SwapBytes32(v);
    std::memcpy(p, &v, 4);
}
inline uint32_t LoadBE32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little)
        v = SwapBytes32(v);
    return v;
}
inline void StoreBE32(uint8_t* p, uint32_t v)
{
    if constexpr (std::endian::native == std::endian::little)
        v = SwapBytes32(v);
    std::memcpy(p, &v, 4);
}
inline uint16_t LoadLE16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void StoreLE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Fills secret memory with a fixed byte in a way the optimiser cannot drop, also right before the
// memory is released.
inline void SecureFill(void* p, size_t count, uint8_t value)
{
    std::memset(p, value, count);
    asm volatile("" : : "r"(p) : "memory");
}

} // namespace mv::cipher
