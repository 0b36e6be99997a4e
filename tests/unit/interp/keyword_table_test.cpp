#include "interp/keyword_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace cubalorn {
namespace {

// The codes are part of the language: programs and the lexer's messages
// depend on them, so every named code is tied to its number and its table row.
TEST(KeywordTable, EveryCodeHasItsNumberAndItsRow) {
    const struct {
        TokenCode code;
        int number;
    } codes[] = {
        {kDummy, 0},
        {kRepeat, 1},
        {kForward, 2},
        {kBack, 3},
        {kLeft, 4},
        {kRight, 5},
        {kUp, 6},
        {kDown, 7},
        {kNumber, 8},
        {kPencolor, 9},
        {kPenup, 10},
        {kPendown, 11},
        {kHome, 12},
        {kGoto, 13},
        {kSphere, 14},
        {kTo, 15},
        {kGo, 16},
        {kJump, 17},
        {kComment, 18},
        {kOpenBracket, 19},
        {kCloseBracket, 20},
        {kMake, 21},
        {kPrint, 22},
        {kCalc, 23},
        {kPlus, 24},
        {kMinus, 25},
        {kTimes, 26},
        {kDivide, 27},
        {kRandom, 28},
        {kIf, 29},
        {kEndif, 30},
        {kEquals, 31},
        {kLess, 32},
        {kGreater, 33},
        {kEnd, 34},
        {kPop, 35},
        {kSetvoxel, 36},
        {kGetvoxel, 37},
        {kRandomize, 38},
        {kSetrgb, 39},
        {kClear, 40},
        {kCube, 41},
        {kPendensity, 42},
        {kSetvoxelcubic, 43},
        {kLbrace, 44},
        {kRbrace, 45},
        {kItem, 46},
        {kSetitem, 47},
        {kFor, 48},
        {kPensize, 49},
        {kAbs, 50},
        {kAsin, 51},
        {kAcos, 52},
        {kAtan, 53},
        {kAtantwo, 54},
        {kSin, 55},
        {kCos, 56},
        {kTan, 57},
        {kLog, 58},
        {kPow, 59},
        {kSqrt, 60},
        {kNeg, 61},
        {kFirst, 62},
        {kLast, 63},
        {kIndex, 64},
        {kRefreshall, 65},
        {kLoadcsv, 66},
        {kIskeydown, 67},
        {kInitvolumesize, 68},
        {kBackground, 69},
        {kCamerapos, 70},
        {kPrintscreen, 71},
        {kMouseleftbuttondown, 72},
        {kMousepositionx, 73},
        {kMousepositiony, 74},
        {kChangecamera, 75},
        {kGetfont, 76},
        {kGettexture, 77},
        {kDsset, 78},
        {kDsget, 79},
        {kDiamondsquare, 80},
        {kDsinit, 81},
        {kLightpos, 82},
        {kOpenParen, 83},
        {kCloseParen, 84},
        {kOutput, 85},
        {kReadlist, 86},
        {kAppend, 87},
        {kReadcharfile, 88},
        {kWritelinefile, 89},
        {kOpenfile, 90},
        {kClosefile, 91},
        {kComma, 92},
        {kVariable, 93},
        {kQuoted, 94},
        {kLabel, 95},
        {kEndOfText, 96},
    };
    ASSERT_EQ(sizeof(codes) / sizeof(codes[0]), size_t(kTokenCodeCount));
    for (int k = 0; k < kTokenCodeCount; ++k) {
        EXPECT_EQ(int(codes[k].code), codes[k].number);
        EXPECT_EQ(codes[k].number, k) << "codes are consecutive";
        ASSERT_NE(kKeywordTable[k], nullptr) << k;
    }
    EXPECT_EQ(kKeywordTable[kTokenCodeCount], nullptr);
    EXPECT_STREQ(kKeywordTable[kMouseleftbuttondown], "MOUSELEFTBUTTONDOWN");
    EXPECT_STREQ(kKeywordTable[kReadcharfile], "READCHARFILE");
    EXPECT_STREQ(kKeywordTable[kEndOfText], "EOF");
}

TEST(KeywordTable, LookupMatchesWordsOfLettersInAnyCase) {
    const struct {
        const char* word;
        TokenCode expected;
    } cases[] = {
        {"forward", kForward}, {"FoRwArD", kForward}, {"setvoxelcubic", kSetvoxelcubic},
        {"number", kNumber},   {"lbrace", kLbrace},   {"rbrace", kRbrace},
        {"dummy", kDummy},     {"eof", kDummy},       {"forwards", kDummy},
        {"forwar", kDummy},    {"", kDummy},          {"atantwo", kAtantwo},
    };
    for (const auto& c : cases) EXPECT_EQ(lookupKeyword(c.word), c.expected) << c.word;
    // Every word of the table finds its own row.
    for (int k = 0; k < kKeywordLookupCount; ++k) {
        const std::string name = kKeywordTable[k];
        if (!std::isalpha(static_cast<unsigned char>(name[0]))) continue;
        EXPECT_EQ(lookupKeyword(name), TokenCode(k)) << name;
    }
}

}  // namespace
}  // namespace cubalorn
