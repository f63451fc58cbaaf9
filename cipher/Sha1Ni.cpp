// Compiled for the SHA and SSE4.1 instructions (cipher/CMakeLists.txt); nothing here runs unless
// Sha1NiSupported() said yes, and every helper has internal linkage so no instruction-set-specific
// copy of a shared inline function can leak into the rest of the program.
#include "cipher/Sha1Ni.h"

#include <cpuid.h>
#include <immintrin.h>
#include <utility>

namespace mv::cipher {

namespace {

// One group of four rounds, g = 0..19. The message words of four groups live in msg[0..3]:
// group g uses msg[g % 4]; sha1msg1, the xor and sha1msg2 prepare the words of groups g + 3,
// g + 2 and g + 1 while the rounds run. The fifth working word alternates between e[0] and e[1].
template <int G> inline void Group(__m128i& abcd, __m128i (&e)[2], __m128i (&msg)[4])
{
    constexpr int cur = G % 2;
    if constexpr (G == 0)
        e[0] = _mm_add_epi32(e[0], msg[0]);
    else
        e[cur] = _mm_sha1nexte_epu32(e[cur], msg[G % 4]);
    e[1 - cur] = abcd;
    if constexpr (G >= 3 && G <= 18)
        msg[(G + 1) % 4] = _mm_sha1msg2_epu32(msg[(G + 1) % 4], msg[G % 4]);
    abcd = _mm_sha1rnds4_epu32(abcd, e[cur], G / 5);
    if constexpr (G >= 1 && G <= 16)
        msg[(G + 3) % 4] = _mm_sha1msg1_epu32(msg[(G + 3) % 4], msg[G % 4]);
    if constexpr (G >= 2 && G <= 17)
        msg[(G + 2) % 4] = _mm_xor_si128(msg[(G + 2) % 4], msg[G % 4]);
}

template <int... G>
inline void Groups(__m128i& abcd, __m128i (&e)[2], __m128i (&msg)[4],
                   std::integer_sequence<int, G...>)
{
    (Group<G>(abcd, e, msg), ...);
}

} // namespace

bool Sha1NiSupported()
{
    // Asked of the processor itself: not every compiler knows "sha" as a feature name.
    static const bool supported = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
            return false;
        const bool sse41 = (ecx & bit_SSE4_1) != 0;
        const bool ssse3 = (ecx & bit_SSSE3) != 0;
        if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
            return false;
        return sse41 && ssse3 && (ebx & bit_SHA) != 0;
    }();
    return supported;
}

void Sha1NiCompress(uint32_t state[5], const uint8_t* blocks, size_t count)
{
    // Big-endian words, and the state's words in the order the instructions keep them.
    const __m128i byteOrder = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count != 0; --count, blocks += 64) {
        const __m128i abcdSaved = abcd;
        const __m128i eSaved = e0;
        __m128i msg[4];
        for (int i = 0; i < 4; ++i)
            msg[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteOrder);
        __m128i e[2] = {e0, _mm_setzero_si128()};
        Groups(abcd, e, msg, std::make_integer_sequence<int, 20>{});
        // After the last group e[0] holds the state's A before those rounds: its rotation gives E.
        e0 = _mm_sha1nexte_epu32(e[0], eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

} // namespace mv::cipher
