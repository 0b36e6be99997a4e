#pragma once
// Which voxels of a run hold a material, as one bit each: the scans of the
// extractor and of the exports read rows this way, sixteen voxels at a time.

#include <cstdint>

#include "voxel/voxel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubalorn {

// Bit i set when p[i] has a material, for count <= 32 voxels.
inline uint32_t solidBits(const Voxel* p, int32_t count) {
    uint32_t bits = 0;
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i materialMask = _mm_set1_epi16(0x00FF);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
        const __m128i emptyA = _mm_cmpeq_epi16(_mm_and_si128(a, materialMask), zero);
        const __m128i emptyB = _mm_cmpeq_epi16(_mm_and_si128(b, materialMask), zero);
        const uint32_t empty = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(emptyA, emptyB)));
        bits |= (~empty & 0xFFFFu) << i;
    }
#endif
    for (; i < count; ++i) bits |= uint32_t(p[i].material() != 0) << i;
    return bits;
}

// Set bits of v, without relying on the processor's own instruction.
inline int popCount(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((v * 0x0101010101010101ull) >> 56);
}

}  // namespace cubalorn
