#include "interp/token_scan.h"

#include <algorithm>
#include <cctype>

namespace cubalorn {

namespace {

// A line longer than this is read from a blank shortly before the position
// instead of from its start, so one error costs at most this much reading.
constexpr size_t kLongestReadBack = 4096;

bool isPunctuation(char c, TokenCode code) {
    switch (c) {
        case '(':
            return code == kOpenParen;
        case ')':
            return code == kCloseParen;
        case '*':
            return code == kTimes;
        case '+':
            return code == kPlus;
        case ',':
            return code == kComma;
        case '-':
            return code == kMinus;
        case '/':
            return code == kDivide;
        case '<':
            return code == kLess;
        case '=':
            return code == kEquals;
        case '>':
            return code == kGreater;
        case '[':
            return code == kOpenBracket;
        case ']':
            return code == kCloseBracket;
        case '{':
            return code == kLbrace;
        case '}':
            return code == kRbrace;
        default:
            return false;
    }
}

}  // namespace

TokenScanner::TokenScanner(ProgramTextPtr text) : lexer_(discard_), text_(std::move(text)) {
    lexer_.assign(text_);
}

ScannedToken TokenScanner::next() {
    const std::string& text = text_->text;
    ScannedToken token;
    token.code = lexer_.nextToken();
    token.end = lexer_.position;
    if (token.code == kEndOfText) {
        token.begin = token.end = text.size();
        return token;
    }
    if (token.end > 0 && isPunctuation(text[token.end - 1], token.code)) {
        token.begin = token.end - 1;
        token.text = std::string_view(text).substr(token.begin, 1);
        return token;
    }
    const Lexer::TokenSpan span = lexer_.namedTokenSpan();
    token.text = std::string_view(text).substr(span.begin, span.length);
    token.begin = span.begin;
    if (token.code == kVariable || token.code == kLabel) {
        token.begin = span.begin - 1;
    } else if (token.code == kQuoted) {
        // "word, or "[list]
        token.begin =
            span.begin >= 1 && text[span.begin - 1] == '"' ? span.begin - 1 : span.begin - 2;
    }
    return token;
}

ScannedToken tokenFrom(const ProgramTextPtr& text, size_t position) {
    TokenScanner scanner(text);
    scanner.seek(position);
    return scanner.next();
}

std::vector<ScannedToken> tokensBetween(const ProgramTextPtr& text, size_t from, size_t to) {
    std::vector<ScannedToken> tokens;
    TokenScanner scanner(text);
    scanner.seek(from);
    for (ScannedToken token = scanner.next(); token.code != kEndOfText && token.begin < to;
         token = scanner.next())
        tokens.push_back(token);
    return tokens;
}

size_t readingStartFor(std::string_view text, size_t position) {
    position = std::min(position, text.size());
    const size_t newline = position == 0 ? std::string_view::npos : text.rfind('\n', position - 1);
    const size_t lineStart = newline == std::string_view::npos ? 0 : newline + 1;
    if (position - lineStart <= kLongestReadBack) return lineStart;
    size_t start = position - kLongestReadBack;
    while (start < position && !std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    return start;
}

std::optional<ScannedToken> tokenEndingAt(const ProgramTextPtr& text, size_t position) {
    TokenScanner scanner(text);
    scanner.seek(readingStartFor(text->text, position));
    for (ScannedToken token = scanner.next(); token.code != kEndOfText; token = scanner.next()) {
        if (token.end == position) return token;
        if (token.end > position) break;
    }
    return std::nullopt;
}

TokenCode closingOf(TokenCode opener) {
    switch (opener) {
        case kOpenBracket:
            return kCloseBracket;
        case kIf:
            return kEndif;
        case kTo:
            return kEnd;
        default:
            return kDummy;
    }
}

std::vector<ScannedToken> unclosedOpeners(const ProgramTextPtr& text, TokenCode closing) {
    // One stack per kind: a closing token closes the latest opener of its
    // own kind, as the interpreter's bodies do.
    std::vector<ScannedToken> brackets, ifs, tos;
    TokenScanner scanner(text);
    for (ScannedToken token = scanner.next(); token.code != kEndOfText; token = scanner.next()) {
        switch (token.code) {
            case kOpenBracket:
                brackets.push_back(token);
                break;
            case kIf:
                ifs.push_back(token);
                break;
            case kTo:
                tos.push_back(token);
                break;
            case kCloseBracket:
                if (!brackets.empty()) brackets.pop_back();
                break;
            case kEndif:
                if (!ifs.empty()) ifs.pop_back();
                break;
            case kEnd:
                if (!tos.empty()) tos.pop_back();
                break;
            default:
                break;
        }
    }
    std::vector<ScannedToken> open;
    const bool any = closing != kCloseBracket && closing != kEndif && closing != kEnd;
    if (any || closing == kCloseBracket) open.insert(open.end(), brackets.begin(), brackets.end());
    if (any || closing == kEndif) open.insert(open.end(), ifs.begin(), ifs.end());
    if (any || closing == kEnd) open.insert(open.end(), tos.begin(), tos.end());
    std::sort(open.begin(), open.end(),
              [](const ScannedToken& a, const ScannedToken& b) { return a.begin < b.begin; });
    return open;
}

}  // namespace cubalorn
