#include "interp/lexer.h"

#include <cctype>
#include <limits>

#include "interp/error_report.h"
#include "interp/keyword_table.h"

namespace cubalorn {

namespace {

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isWhiteSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

TokenCode punctuationCode(char c) {
    switch (c) {
        case '(': return kOpenParen;
        case ')': return kCloseParen;
        case '*': return kTimes;
        case '+': return kPlus;
        case ',': return kComma;
        case '-': return kMinus;
        case '/': return kDivide;
        case '<': return kLess;
        case '=': return kEquals;
        case '>': return kGreater;
        case '[': return kOpenBracket;
        case ']': return kCloseBracket;
        case '{': return kLbrace;
        case '}': return kRbrace;
        default: return kDummy;
    }
}

// Texts this long cannot be indexed by the memo's 32-bit fields.
constexpr size_t kLongestMemoText = std::numeric_limits<uint32_t>::max() - 1;

}  // namespace

ProgramText::ProgramText(std::string content, TextOrigin from)
    : text(std::move(content)), origin(std::move(from)) {
    if (text.size() <= kLongestMemoText) scans.resize(text.size());
}

Lexer::Lexer(Output& out) : out_(out) { useText(std::make_shared<ProgramText>("")); }

void Lexer::useText(ProgramTextPtr text) {
    program_ = std::move(text);
    scans_ = program_->scans.data();
    scanCount_ = program_->scans.size();
}

void Lexer::assign(ProgramTextPtr text) {
    useText(std::move(text));
    tokenInText_ = false;
    tokenCopy_.clear();
    copiedFrom_ = nullptr;
    position = 0;
}

void Lexer::switchTo(ProgramTextPtr text, size_t newPosition) {
    if (tokenInText_) materialiseTokenText();  // the range would point into the old text
    useText(std::move(text));
    position = newPosition;
}

void Lexer::materialiseTokenText() const {
    tokenInText_ = false;
    if (copiedFrom_ == program_ && copiedBegin_ == tokenBegin_ && copiedLength_ == tokenLength_)
        return;
    tokenCopy_.assign(program_->text, tokenBegin_, tokenLength_);
    copiedFrom_ = program_;
    copiedBegin_ = tokenBegin_;
    copiedLength_ = tokenLength_;
}

TokenCode Lexer::scanAndRemember() {
    const size_t start = position;
    if (start >= program_->text.size()) return kEndOfText;
    printed_ = false;
    const TokenCode code = scan();
    if (!printed_ && start < scanCount_) {
        ProgramText::Scan& entry = scans_[start];
        entry.end = static_cast<uint32_t>(position);
        entry.code = code;
        entry.currentChar = currentChar;
        entry.setsText = scanSetText_;
        entry.textBegin = static_cast<uint32_t>(tokenBegin_);
        entry.textLength = static_cast<uint32_t>(tokenLength_);
        entry.known = true;
    }
    return code;
}

TokenCode Lexer::scan() {
    const std::string& text = program_->text;
    const size_t size = text.size();
    scanSetText_ = false;
    for (;;) {
        if (position >= size) return kEndOfText;
        const char c = text[position];
        currentChar = c;
        if (const TokenCode code = punctuationCode(c); code != kDummy) {
            ++position;
            return code;
        }
        if (isDigit(c)) {
            const size_t begin = position++;
            while (position < size && (isDigit(text[position]) || text[position] == '.')) ++position;
            setText(begin, position - begin);
            return kNumber;
        }
        switch (c) {
            case ':':
            case '#': {
                const size_t begin = ++position;
                while (position < size && !isWhiteSpace(text[position])) ++position;
                setText(begin, position - begin);
                return c == ':' ? kVariable : kLabel;
            }
            case '"': {
                ++position;
                if (position < size && text[position] == '[') {
                    const size_t begin = ++position;
                    while (position < size && text[position] != ']') ++position;
                    setText(begin, position - begin);
                    if (position >= size) {
                        if (!quiet_) {
                            out_.print("ERROR - list: closing ] not found\n");
                            if (report_) report_->afterUnclosedList(program_, begin - 2);
                        }
                        printed_ = true;
                    } else {
                        ++position;  // the closing bracket
                    }
                    return kQuoted;
                }
                const size_t begin = position;
                while (position < size && !isWhiteSpace(text[position])) ++position;
                setText(begin, position - begin);
                return kQuoted;
            }
            case ';': {
                const size_t begin = position;
                while (position < size && text[position] != '\n') ++position;
                setText(begin, position - begin);
                return kComment;
            }
            default: break;
        }
        if (isLetter(c)) {
            const size_t begin = position;
            while (position < size) {
                currentChar = text[position];
                if (!isLetter(currentChar)) break;
                ++position;
            }
            setText(begin, position - begin);
            const TokenCode code = lookupKeyword(tokenView());
            if (code > kDummy) return code;
            reportScanError(currentChar, begin, position - begin);
            continue;
        }
        ++position;
        if (!isWhiteSpace(c)) reportScanError(c, position - 1, 1);
    }
}

void Lexer::setText(size_t begin, size_t length) {
    tokenInText_ = true;
    tokenBegin_ = begin;
    tokenLength_ = length;
    scanSetText_ = true;
}

// The token named is the current token text: the unknown word itself, or
// the last token before a stray character. [begin, begin + length) is the
// word or the character.
void Lexer::reportScanError(char character, size_t begin, size_t length) {
    printed_ = true;
    if (quiet_) return;
    out_.print("ERROR - scan error - %c, token %s\n", character, tokenText().c_str());
    if (report_) report_->afterScanError(program_, begin, length, character);
}

Lexer::TokenSpan Lexer::namedTokenSpan() const {
    if (tokenInText_) return {program_, tokenBegin_, tokenLength_};
    if (copiedFrom_) return {copiedFrom_, copiedBegin_, copiedLength_};
    return {};
}

TokenCode Lexer::peekSecondToken() {
    const size_t saved = position;
    nextToken();
    const TokenCode code = nextToken();
    position = saved;
    return code;
}

TokenCode Lexer::peekTokenQuietly() {
    const size_t savedPosition = position;
    const char savedChar = currentChar;
    const bool savedInText = tokenInText_;
    const size_t savedBegin = tokenBegin_;
    const size_t savedLength = tokenLength_;
    const bool savedPrinted = printed_;
    quiet_ = true;
    const TokenCode code = nextToken();
    quiet_ = false;
    printed_ = savedPrinted;
    position = savedPosition;
    currentChar = savedChar;
    tokenInText_ = savedInText;
    tokenBegin_ = savedBegin;
    tokenLength_ = savedLength;
    return code;
}

}  // namespace cubalorn
