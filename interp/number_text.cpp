#include "interp/number_text.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cubalorn {

namespace {

constexpr uint64_t kMillion = 1000000;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

size_t formatWithLibrary(float value, char* buffer) {
    const int length =
        std::snprintf(buffer, kFloatTextCapacity, "%f", static_cast<double>(value));
    return length < 0 ? 0 : static_cast<size_t>(length);
}

}  // namespace

size_t formatFloatText(float value, char* buffer) {
    double readBack;
    bool known;
    return formatFloatText(value, buffer, readBack, known);
}

size_t formatFloatText(float value, char* buffer, double& readBack, bool& readBackKnown) {
    readBackKnown = false;
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 31) != 0;
    const int biasedExponent = static_cast<int>((bits >> 23) & 0xFF);
    const uint32_t fraction = bits & 0x7FFFFF;
    if (biasedExponent == 0xFF) return formatWithLibrary(value, buffer);  // inf, nan

    // value = mantissa * 2^exponent exactly; scaled = value * 10^6 rounded to
    // nearest, ties to even, as the library rounds the exact binary value.
    const uint64_t mantissa = biasedExponent == 0 ? fraction : (fraction | 0x800000u);
    const int exponent = biasedExponent == 0 ? -149 : biasedExponent - 150;
    uint64_t scaled;
    if (exponent >= 0) {
        // mantissa * 10^6 < 2^44, so shifts up to 19 stay below 2^63.
        if (exponent > 19) return formatWithLibrary(value, buffer);
        scaled = (mantissa * kMillion) << exponent;
    } else {
        const int shift = -exponent;
        const uint64_t numerator = mantissa * kMillion;  // < 2^44
        if (shift >= 46) {
            scaled = 0;  // below a quarter: rounds to zero
        } else {
            const uint64_t quotient = numerator >> shift;
            const uint64_t remainder = numerator & ((uint64_t{1} << shift) - 1);
            const uint64_t half = uint64_t{1} << (shift - 1);
            scaled = quotient + ((remainder > half || (remainder == half && (quotient & 1))) ? 1 : 0);
        }
    }

    // The text is scaled / 10^6 exactly; below 2^53 one division rounds it
    // the way strtod rounds the text.
    if (scaled <= (uint64_t{1} << 53)) {
        const double magnitude = static_cast<double>(scaled) / 1e6;
        readBack = negative ? -magnitude : magnitude;
        readBackKnown = true;
    }

    char* out = buffer;
    if (negative) *out++ = '-';
    uint64_t integerPart = scaled / kMillion;
    uint32_t decimals = static_cast<uint32_t>(scaled % kMillion);
    char digits[24];
    char* d = digits + sizeof digits;
    while (integerPart >= 100) {
        d -= 2;
        std::memcpy(d, kDigitPairs + 2 * (integerPart % 100), 2);
        integerPart /= 100;
    }
    if (integerPart >= 10) {
        d -= 2;
        std::memcpy(d, kDigitPairs + 2 * integerPart, 2);
    } else {
        *--d = static_cast<char>('0' + integerPart);
    }
    const size_t integerDigits = static_cast<size_t>(digits + sizeof digits - d);
    std::memcpy(out, d, integerDigits);
    out += integerDigits;
    *out++ = '.';
    std::memcpy(out, kDigitPairs + 2 * (decimals / 10000), 2);
    std::memcpy(out + 2, kDigitPairs + 2 * (decimals / 100 % 100), 2);
    std::memcpy(out + 4, kDigitPairs + 2 * (decimals % 100), 2);
    out += 6;
    *out = '\0';
    return static_cast<size_t>(out - buffer);
}

std::string floatText(float value) {
    char buffer[kFloatTextCapacity];
    return std::string(buffer, formatFloatText(value, buffer));
}

void assignFloatText(float value, std::string& target) {
    char buffer[kFloatTextCapacity];
    target.assign(buffer, formatFloatText(value, buffer));
}

double atofText(std::string_view text) {
    // Fast path: [-]digits[.digits] with at most 19 digits, whose value is an
    // integer below 2^53 divided by an exact power of ten: one correctly
    // rounded division gives the correctly rounded result, as strtod does.
    static const double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    // The character at q, or 0 past the end as in a zero-terminated text.
    auto at = [end](const char* q) { return q < end ? *q : '\0'; };
    bool negative = false;
    if (at(p) == '-') {
        negative = true;
        ++p;
    }
    uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    const char* start = p;
    while (at(p) >= '0' && at(p) <= '9') {
        if (digits < 20) mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++digits;
        ++p;
    }
    // "0x..." is hexadecimal to strtod.
    const bool hexPrefix = (p - start) == 1 && start[0] == '0' && (at(p) == 'x' || at(p) == 'X');
    if (at(p) == '.') {
        ++p;
        while (at(p) >= '0' && at(p) <= '9') {
            if (digits < 20) mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            ++digits;
            ++decimals;
            ++p;
        }
    }
    const bool exponentFollows = at(p) == 'e' || at(p) == 'E';
    if (digits == 0 || digits > 19 || hexPrefix || exponentFollows || decimals > 22 ||
        mantissa > (uint64_t{1} << 53))
        return std::atof(std::string(text).c_str());
    double value = static_cast<double>(mantissa);
    if (decimals > 0) value /= kPowersOfTen[decimals];
    return negative ? -value : value;
}

float sumOfCharacterCodes(std::string_view text) {
    int64_t sum = 0;
    for (char c : text) sum += static_cast<signed char>(c);
    return static_cast<float>(sum);
}

float textToNumber(std::string_view text) {
    if (!text.empty() && std::isalpha(static_cast<unsigned char>(text[0])))
        return sumOfCharacterCodes(text);
    return static_cast<float>(atofText(text));
}

int truncateToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT_MAX;
    if (value <= -2147483904.0f) return INT_MIN;  // below INT_MIN after truncation
    return static_cast<int>(value);
}

}  // namespace cubalorn
