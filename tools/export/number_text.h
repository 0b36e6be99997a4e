#pragma once
// Numbers as text for the text formats (OBJ, 3MF), written straight into
// memory the caller has reserved. Exports write millions of them; most are
// vertex numbers and lattice coordinates (whole or half voxels), which get
// fast paths that give the same text as the general ones.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

namespace cubalorn::exporter {

// Room a number needs at most.
constexpr size_t kMaxUintText = 10;
constexpr size_t kMaxFloatText = 24;

namespace detail {
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
}  // namespace detail

// Decimal digits of v, as std::to_chars writes them.
inline int decimalDigits(uint32_t v) {
    if (v < 100000) return v < 100 ? 1 + (v >= 10) : v < 1000 ? 3 : v < 10000 ? 4 : 5;
    return v < 10000000 ? (v < 1000000 ? 6 : 7) : v < 100000000 ? 8 : v < 1000000000 ? 9 : 10;
}

inline char* putUint(char* p, uint32_t v) {
    char* end = p + decimalDigits(v);
    char* at = end;
    while (v >= 100) {
        const uint32_t pair = v % 100;
        v /= 100;
        at -= 2;
        std::memcpy(at, detail::kDigitPairs + 2 * pair, 2);
    }
    if (v >= 10) {
        at -= 2;
        std::memcpy(at, detail::kDigitPairs + 2 * v, 2);
    } else {
        *--at = char('0' + v);
    }
    return end;
}

// Texts of the numbers first .. first + count - 1 for writing many times
// over: each up to 7 digits, packed with its length into 8 bytes that are
// copied at once (the caller reserves one byte more than the text needs).
class UintTexts {
public:
    UintTexts(uint32_t first, size_t count) : first_(first) {
        if (!kLittleEndian) return;
        texts_.resize(count);
        uint64_t packed = pack(first);
        for (size_t i = 0; i < count; ++i) {
            if (packed >> 56 > 7) {
                texts_.resize(i);
                break;
            }
            texts_[i] = packed;
            // The next number's text: one more in the last digit, carrying.
            int at = int(packed >> 56) - 1;
            while (at >= 0 && (packed >> (8 * at) & 0xFF) == '9') {
                packed -= uint64_t('9' - '0') << (8 * at);
                --at;
            }
            packed = at >= 0 ? packed + (uint64_t(1) << (8 * at))
                             : pack(first + uint32_t(i) + 1);  // one digit more
        }
    }
    char* put(char* p, uint32_t v) const {
        const uint32_t i = v - first_;
        if (!kLittleEndian || i >= texts_.size()) return putUint(p, v);
        const uint64_t packed = texts_[i];
        std::memcpy(p, &packed, 8);
        return p + (packed >> 56);
    }

private:
    // The digits lie in the low bytes, which come first in memory only here.
    static constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    // Digits in the low bytes, their count in the top one (up to 7 digits).
    static uint64_t pack(uint32_t v) {
        char digits[kMaxUintText];
        const size_t size = size_t(putUint(digits, v) - digits);
        uint64_t packed = uint64_t(size) << 56;
        std::memcpy(&packed, digits, std::min<size_t>(size, 7));
        return packed;
    }
    std::vector<uint64_t> texts_;
    uint32_t first_;
};

// The shortest text that reads back as the same float, as std::to_chars
// writes it (negative zero as "0").
inline char* putFloat(char* p, float v) {
    v += 0.0f;
    // Whole and half numbers below 10000 print as plain decimals: "-12", "7.5".
    const float twice = v * 2;
    if (twice > -20000.0f && twice < 20000.0f) {
        const int32_t halves = int32_t(twice);
        if (float(halves) == twice) {
            if (halves < 0) *p++ = '-';
            const uint32_t magnitude = uint32_t(halves < 0 ? -halves : halves);
            p = putUint(p, magnitude / 2);
            if (magnitude % 2) {
                std::memcpy(p, ".5", 2);
                p += 2;
            }
            return p;
        }
    }
    return std::to_chars(p, p + kMaxFloatText, v).ptr;
}

// putFloat for many coordinates, most of them whole or half numbers on the
// voxel lattice: the text of each such number is made once, on first use,
// and copied 8 bytes at once after (the caller reserves kMaxFloatText + 8).
class CoordinateTexts {
public:
    CoordinateTexts() : texts_(2 * kHalves), sizes_(2 * kHalves, 0) {}

    char* put(char* p, float v) {
        const float twice = (v + 0.0f) * 2;
        if (!(twice > -float(kHalves) && twice < float(kHalves))) return putFloat(p, v);
        const int32_t halves = int32_t(twice);
        if (float(halves) != twice) return putFloat(p, v);
        const size_t i = size_t(halves + kHalves);
        if (sizes_[i] == 0) {
            char text[kMaxFloatText] = {};
            sizes_[i] = uint8_t(putFloat(text, v) - text);
            std::memcpy(&texts_[i], text, 8);
        }
        std::memcpy(p, &texts_[i], 8);
        return p + sizes_[i];
    }

private:
    // Numbers from -9999.5 to 9999.5 print in at most 7 characters.
    static constexpr int32_t kHalves = 20000;
    std::vector<uint64_t> texts_;
    std::vector<uint8_t> sizes_;
};

}  // namespace cubalorn::exporter
