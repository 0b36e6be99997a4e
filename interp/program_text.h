#pragma once
// One text the interpreter runs (a console line or a whole program file),
// with a memo of what the lexer found at each position. Loops re-read their
// bodies through the lexer on every pass; the memo makes a re-read a table
// lookup. Only scans that printed nothing are remembered, so replaying an
// entry has exactly the effects the scan had: position, code, token text.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "interp/token_code.h"

namespace cubalorn {

// The longest program file that is loaded. Programs are kilobytes; the memo
// takes about twenty bytes per character, and a file such as /dev/zero would
// otherwise be read until the memory runs out.
constexpr size_t kLongestProgramFile = size_t{16} << 20;

// Where a text came from, for the places that error diagnostics name: a
// program file by its name, or a console line by its number in the session.
struct TextOrigin {
    std::string fileName;      // empty for a console line
    uint64_t consoleLine = 0;  // 1 for the first line; 0 when not known yet
};

struct ProgramText {
    explicit ProgramText(std::string content, TextOrigin from = {});

    struct Scan {
        uint32_t end = 0;         // position after the token
        uint32_t textBegin = 0;   // the token's text is text[textBegin, textBegin + textLength)
        uint32_t textLength = 0;
        TokenCode code = kDummy;
        bool known = false;
        bool setsText = false;    // punctuation leaves the previous token text in place
        char currentChar = 0;
    };

    const std::string text;
    const TextOrigin origin;
    // One slot per position; empty for texts too long for 32-bit fields.
    std::vector<Scan> scans;
};

using ProgramTextPtr = std::shared_ptr<ProgramText>;

}  // namespace cubalorn
