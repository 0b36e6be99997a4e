#pragma once
// The arithmetic functions of expressions: keyword, number of arguments and
// the computation. Arguments arrive in the order they are written.

#include "interp/token_code.h"

namespace cubalorn {

struct MathFunction {
    TokenCode code;
    int argumentCount;  // 1 or 2
    float (*apply)(float first, float second);
};

// The entry for `code`, or null when the code is no arithmetic function.
const MathFunction* findMathFunction(TokenCode code);

}  // namespace cubalorn
