#pragma once
// Numbers as the language keeps them: 32-bit floats while computed, stored
// as "%f" text, read back the way atof reads. The fast paths here give the
// same bytes and values as the C library, only without its overhead.

#include <cstddef>
#include <string>
#include <string_view>

namespace cubalorn {

// Room for any "%f" rendering of a float (the largest is 39 digits, a sign,
// a point and six decimals).
constexpr size_t kFloatTextCapacity = 64;

// Writes exactly what snprintf("%f", double(value)) writes; returns the length.
size_t formatFloatText(float value, char* buffer);
// The same, also giving what atof reads back from the text when that is
// known without parsing (`readBackKnown` false otherwise).
size_t formatFloatText(float value, char* buffer, double& readBack, bool& readBackKnown);
std::string floatText(float value);
void assignFloatText(float value, std::string& target);

// Exactly what std::atof returns for the text.
double atofText(std::string_view text);

// A text used as a number: a text starting with a letter counts as the sum of
// its character codes (each a signed byte), anything else as atof reads it.
float textToNumber(std::string_view text);
// The sum of the character codes of a text, each taken as a signed byte.
float sumOfCharacterCodes(std::string_view text);

// Truncation toward zero into an int that never overflows: values beyond the
// int range saturate and NaN gives 0.
int truncateToInt(float value);

}  // namespace cubalorn
