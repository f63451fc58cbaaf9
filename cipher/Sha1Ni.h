// SHA-1 compression on the processor's SHA instructions. Only Sha1Ni.cpp is compiled for those
// instructions; call Sha1NiCompress only after Sha1NiSupported() said yes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::cipher {

// True when the processor offers the SHA instructions (and SSE4.1). Decided once.
bool Sha1NiSupported();

// Compresses count 64-byte blocks from blocks into state, as the portable rounds do.
void Sha1NiCompress(uint32_t state[5], const uint8_t* blocks, size_t count);

} // namespace mv::cipher
