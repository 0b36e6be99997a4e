#pragma once
// The language's vocabulary: one name per token code, then an end marker.

#include <string_view>

#include "interp/token_code.h"

namespace cubalorn {

// kTokenCodeCount names followed by a null end marker.
extern const char* const kKeywordTable[kTokenCodeCount + 1];

// Index of the first entry among 0..95 equal to `word` ignoring letter case,
// or 0 (DUMMY) when none is.
TokenCode lookupKeyword(std::string_view word);

}  // namespace cubalorn
