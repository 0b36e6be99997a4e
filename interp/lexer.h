#pragma once
// Reads one token at a time from the current program text, in place.

#include <string>
#include <string_view>

#include "interp/output.h"
#include "interp/program_text.h"
#include "interp/token_code.h"

namespace cubalorn {

class ErrorReport;

class Lexer {
public:
    explicit Lexer(Output& out);

    // A fresh text: position 0, empty token text.
    void assign(ProgramTextPtr text);
    // Another text at `position`, keeping the token text.
    void switchTo(ProgramTextPtr text, size_t newPosition);

    // The next token; advances the position past it. At the end of the text
    // it returns kEndOfText and stays put.
    TokenCode nextToken() {
        if (position < scanCount_) {
            const ProgramText::Scan& known = scans_[position];
            if (known.known) {
                position = known.end;
                currentChar = known.currentChar;
                if (known.setsText) {
                    tokenInText_ = true;
                    tokenBegin_ = known.textBegin;
                    tokenLength_ = known.textLength;
                }
                return known.code;
            }
        }
        return scanAndRemember();
    }
    // Reads the next token and puts the position back; the token text stays.
    TokenCode peekToken() {
        const size_t saved = position;
        const TokenCode code = nextToken();
        position = saved;
        return code;
    }
    // Reads two tokens and puts the position back; returns the second.
    TokenCode peekSecondToken();
    // Like peekToken, but prints nothing and leaves every part of the lexer
    // state as it was: for decisions the language does not make visible.
    TokenCode peekTokenQuietly();

    const ProgramTextPtr& program() const { return program_; }
    const std::string& text() const { return program_->text; }

    // The text of the last token that carried one.
    const std::string& tokenText() const {
        if (tokenInText_) materialiseTokenText();
        return tokenCopy_;
    }
    // The same, without making a copy: valid until the next token is read.
    std::string_view tokenView() const {
        return tokenInText_ ? std::string_view(program_->text).substr(tokenBegin_, tokenLength_)
                            : std::string_view(tokenCopy_);
    }

    size_t position = 0;
    char currentChar = 0;

    // Where the text of the last token that carried one lies: its text,
    // offset and length; no text when none has been read since assign.
    struct TokenSpan {
        ProgramTextPtr text;
        size_t begin = 0;
        size_t length = 0;
    };
    TokenSpan namedTokenSpan() const;
    // Told where each scan error it prints lies; none by default.
    void setErrorReport(ErrorReport* report) { report_ = report; }

private:
    TokenCode scanAndRemember();
    TokenCode scan();
    void useText(ProgramTextPtr text);
    void setText(size_t begin, size_t length);
    void materialiseTokenText() const;
    void reportScanError(char character, size_t begin, size_t length);

    Output& out_;
    ProgramTextPtr program_;
    ProgramText::Scan* scans_ = nullptr;  // program_'s memo
    size_t scanCount_ = 0;
    bool quiet_ = false;
    bool printed_ = false;  // the running scan printed a message
    bool scanSetText_ = false;

    // Every token text is a piece of the program text, so it is kept as a
    // range and copied out only when someone asks for a string.
    mutable bool tokenInText_ = false;
    size_t tokenBegin_ = 0;
    size_t tokenLength_ = 0;
    mutable std::string tokenCopy_;
    // The range tokenCopy_ was last copied from, to skip copying it again.
    mutable ProgramTextPtr copiedFrom_;
    mutable size_t copiedBegin_ = 0;
    mutable size_t copiedLength_ = 0;
    ErrorReport* report_ = nullptr;  // only on the error path
};

}  // namespace cubalorn
