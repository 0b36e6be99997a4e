#pragma once
// A program text read again, token by token and without a word printed, to
// find what an error is about: the token before or after a position, the
// tokens of a line, the brackets, IFs and TOs that were never closed.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "interp/lexer.h"
#include "interp/output.h"
#include "interp/program_text.h"
#include "interp/token_code.h"

namespace cubalorn {

struct ScannedToken {
    TokenCode code = kEndOfText;
    size_t begin = 0;  // the first character, quote or colon included
    size_t end = 0;    // just after the token
    // The token's text as the lexer gives it (the name without its colon,
    // the word without its quote); one character for punctuation.
    std::string_view text;
};

class TokenScanner {
public:
    explicit TokenScanner(ProgramTextPtr text);
    TokenScanner(const TokenScanner&) = delete;
    TokenScanner& operator=(const TokenScanner&) = delete;

    void seek(size_t position) { lexer_.position = position; }
    // The next token; at the end of the text an end token with begin = end
    // = the text's size.
    ScannedToken next();

private:
    class Discard final : public Output {
    public:
        void write(std::string_view) override {}
    };
    Discard discard_;
    Lexer lexer_;
    ProgramTextPtr text_;
};

// The first token at or after `position`.
ScannedToken tokenFrom(const ProgramTextPtr& text, size_t position);

// Tokens that start in [from, to), read from `from`.
std::vector<ScannedToken> tokensBetween(const ProgramTextPtr& text, size_t from, size_t to);

// Where to start reading so that the token around `position` is met: the
// start of its line, or, for a very long line, a blank shortly before it.
size_t readingStartFor(std::string_view text, size_t position);

// The token that ends at `position`, if reading from readingStartFor meets one.
std::optional<ScannedToken> tokenEndingAt(const ProgramTextPtr& text, size_t position);

// Bodies left open at the end of the text, innermost last: each [ without
// its ], IF without its ENDIF, TO without its END. Only openers whose
// closing token is `closing` when that is one of ], ENDIF and END.
std::vector<ScannedToken> unclosedOpeners(const ProgramTextPtr& text, TokenCode closing);

// The closing token of an opener: ] for [, ENDIF for IF, END for TO.
TokenCode closingOf(TokenCode opener);

}  // namespace cubalorn
