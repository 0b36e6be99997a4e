#include "interp/keyword_table.h"

#include <array>
#include <cctype>
#include <cstring>

namespace cubalorn {

const char* const kKeywordTable[kTokenCodeCount + 1] = {
    "DUMMY",          "REPEAT",         "FORWARD",       "BACK",
    "LEFT",           "RIGHT",          "UP",            "DOWN",
    "NUMBER",         "PENCOLOR",       "PENUP",         "PENDOWN",
    "HOME",           "GOTO",           "SPHERE",        "TO",
    "GO",             "JUMP",           ";",             "[",
    "]",              "MAKE",           "PRINT",         "CALC",
    "+",              "-",              "*",             "/",
    "RANDOM",         "IF",             "ENDIF",         "=",
    "<",              ">",              "END",           "POP",
    "SETVOXEL",       "GETVOXEL",       "RANDOMIZE",     "SETRGB",
    "CLEAR",          "CUBE",           "PENDENSITY",    "SETVOXELCUBIC",
    "LBRACE",         "RBRACE",         "ITEM",          "SETITEM",
    "FOR",            "PENSIZE",        "ABS",           "ASIN",
    "ACOS",           "ATAN",           "ATANTWO",       "SIN",
    "COS",            "TAN",            "LOG",           "POW",
    "SQRT",           "NEG",            "FIRST",         "LAST",
    "INDEX",          "REFRESHALL",     "LOADCSV",       "ISKEYDOWN",
    "INITVOLUMESIZE", "BACKGROUND",     "CAMERAPOS",     "PRINTSCREEN",
    "MOUSELEFTBUTTONDOWN", "MOUSEPOSITIONX", "MOUSEPOSITIONY", "CHANGECAMERA",
    "GETFONT",        "GETTEXTURE",     "DSSET",         "DSGET",
    "DIAMONDSQUARE",  "DSINIT",         "LIGHTPOS",      "(",
    ")",              "OUTPUT",         "READLIST",      "APPEND",
    "READCHARFILE",   "WRITELINEFILE",  "OPENFILE",      "CLOSEFILE",
    ",",              ":",              "\"",            ".",
    "EOF",            nullptr,
};

namespace {

// The longest keyword; longer words cannot match and need no folding.
constexpr size_t kLongestKeyword = 19;  // MOUSELEFTBUTTONDOWN

// Keywords bucketed by length and first letter make a lookup a handful of
// comparisons instead of a walk over the whole table.
struct KeywordIndex {
    // entries[length][letter] lists codes in table order, 0-terminated.
    std::array<std::array<std::array<uint8_t, 8>, 26>, kLongestKeyword + 1> entries{};

    KeywordIndex() {
        for (int code = 0; code < kKeywordLookupCount; ++code) {
            const char* name = kKeywordTable[code];
            const size_t length = std::strlen(name);
            if (length > kLongestKeyword || !std::isalpha(static_cast<unsigned char>(name[0])))
                continue;
            auto& slot = entries[length][std::tolower(static_cast<unsigned char>(name[0])) - 'a'];
            for (uint8_t& e : slot) {
                if (e == 0) {
                    e = static_cast<uint8_t>(code);
                    break;
                }
            }
        }
    }
};

const KeywordIndex& keywordIndex() {
    static const KeywordIndex index;
    return index;
}

bool equalsIgnoringCase(std::string_view word, const char* name) {
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(word[i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

}  // namespace

TokenCode lookupKeyword(std::string_view word) {
    if (word.empty() || word.size() > kLongestKeyword) return kDummy;
    const unsigned char first = static_cast<unsigned char>(word[0]);
    if (!std::isalpha(first)) return kDummy;
    const int letter = std::tolower(first) - 'a';
    if (letter < 0 || letter >= 26) return kDummy;  // letters beyond ASCII
    // DUMMY itself is entry 0, so a match on it reads the same as no match.
    for (uint8_t code : keywordIndex().entries[word.size()][letter]) {
        if (code == 0) break;
        if (equalsIgnoringCase(word, kKeywordTable[code])) return static_cast<TokenCode>(code);
    }
    return kDummy;
}

}  // namespace cubalorn
