#include "interp/function_table.h"

#include <cmath>

namespace cubalorn {

namespace {

// Computed in double and rounded once to float, as C's math functions do
// for float arguments.
float absOf(float x, float) { return std::fabs(x); }
float negOf(float x, float) { return static_cast<float>(x * -1.0); }
float asinOf(float x, float) { return static_cast<float>(std::asin(static_cast<double>(x))); }
float acosOf(float x, float) { return static_cast<float>(std::acos(static_cast<double>(x))); }
float atanOf(float x, float) { return static_cast<float>(std::atan(static_cast<double>(x))); }
// ATANTWO a b is atan2(b, a): the second number is the y value.
float atantwoOf(float a, float b) {
    return static_cast<float>(std::atan2(static_cast<double>(b), static_cast<double>(a)));
}
float sinOf(float x, float) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float cosOf(float x, float) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float tanOf(float x, float) { return static_cast<float>(std::tan(static_cast<double>(x))); }
float logOf(float x, float) { return static_cast<float>(std::log(static_cast<double>(x))); }
// POW a b is b to the power a: the second number is the base.
float powOf(float a, float b) {
    return static_cast<float>(std::pow(static_cast<double>(b), static_cast<double>(a)));
}
float sqrtOf(float x, float) { return static_cast<float>(std::sqrt(static_cast<double>(x))); }

constexpr MathFunction kMathFunctions[] = {
    {kAbs, 1, absOf},   {kNeg, 1, negOf},         {kAsin, 1, asinOf}, {kAcos, 1, acosOf},
    {kAtan, 1, atanOf}, {kAtantwo, 2, atantwoOf}, {kSin, 1, sinOf},   {kCos, 1, cosOf},
    {kTan, 1, tanOf},   {kLog, 1, logOf},         {kPow, 2, powOf},   {kSqrt, 1, sqrtOf},
};

}  // namespace

const MathFunction* findMathFunction(TokenCode code) {
    for (const MathFunction& f : kMathFunctions)
        if (f.code == code) return &f;
    return nullptr;
}

}  // namespace cubalorn
