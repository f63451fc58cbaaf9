#include "cipher/BitOps.h"

namespace mv::cipher {

void XorBytes(void* target, const void* source, int32_t count)
{
    auto* t = static_cast<uint8_t*>(target);
    const auto* s = static_cast<const uint8_t*>(source);
    for (int32_t i = 0; i < count; ++i)
        t[i] ^= s[i];
}

bool SameBytes(const void* a, const void* b, int32_t count)
{
    const auto* x = static_cast<const uint8_t*>(a);
    const auto* y = static_cast<const uint8_t*>(b);
    uint8_t diff = 0;
    for (int32_t i = 0; i < count; ++i)
        diff |= static_cast<uint8_t>(x[i] ^ y[i]);
    return diff == 0;
}

} // namespace mv::cipher
