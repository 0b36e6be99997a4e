#pragma once
// A token is the index of its name in the keyword table; punctuation and the
// word classes (numbers, variable references, quoted words, comments, labels)
// have table entries of their own so that one code names every token kind.

#include <cstdint>

namespace cubalorn {

enum TokenCode : uint8_t {
    kDummy = 0,
    kRepeat = 1,
    kForward = 2,
    kBack = 3,
    kLeft = 4,
    kRight = 5,
    kUp = 6,
    kDown = 7,
    kNumber = 8,
    kPencolor = 9,
    kPenup = 10,
    kPendown = 11,
    kHome = 12,
    kGoto = 13,
    kSphere = 14,
    kTo = 15,
    kGo = 16,
    kJump = 17,
    kComment = 18,       // ;
    kOpenBracket = 19,   // [
    kCloseBracket = 20,  // ]
    kMake = 21,
    kPrint = 22,
    kCalc = 23,
    kPlus = 24,
    kMinus = 25,
    kTimes = 26,
    kDivide = 27,
    kRandom = 28,
    kIf = 29,
    kEndif = 30,
    kEquals = 31,
    kLess = 32,
    kGreater = 33,
    kEnd = 34,
    kPop = 35,
    kSetvoxel = 36,
    kGetvoxel = 37,
    kRandomize = 38,
    kSetrgb = 39,
    kClear = 40,
    kCube = 41,
    kPendensity = 42,
    kSetvoxelcubic = 43,
    kLbrace = 44,
    kRbrace = 45,
    kItem = 46,
    kSetitem = 47,
    kFor = 48,
    kPensize = 49,
    kAbs = 50,
    kAsin = 51,
    kAcos = 52,
    kAtan = 53,
    kAtantwo = 54,
    kSin = 55,
    kCos = 56,
    kTan = 57,
    kLog = 58,
    kPow = 59,
    kSqrt = 60,
    kNeg = 61,
    kFirst = 62,
    kLast = 63,
    kIndex = 64,
    kRefreshall = 65,
    kLoadcsv = 66,
    kIskeydown = 67,
    kInitvolumesize = 68,
    kBackground = 69,
    kCamerapos = 70,
    kPrintscreen = 71,
    kMouseleftbuttondown = 72,
    kMousepositionx = 73,
    kMousepositiony = 74,
    kChangecamera = 75,
    kGetfont = 76,
    kGettexture = 77,
    kDsset = 78,
    kDsget = 79,
    kDiamondsquare = 80,
    kDsinit = 81,
    kLightpos = 82,
    kOpenParen = 83,   // (
    kCloseParen = 84,  // )
    kOutput = 85,
    kReadlist = 86,
    kAppend = 87,
    kReadcharfile = 88,
    kWritelinefile = 89,
    kOpenfile = 90,
    kClosefile = 91,
    kComma = 92,     // ,
    kVariable = 93,  // :name
    kQuoted = 94,    // "word or "[list text]
    kLabel = 95,     // #name
    kEndOfText = 96,
};

constexpr int kTokenCodeCount = 97;
// Keyword lookup stops before the end-of-text entry, so the word EOF never matches.
constexpr int kKeywordLookupCount = 96;

}  // namespace cubalorn
