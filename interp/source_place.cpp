#include "interp/source_place.h"

#include <algorithm>

namespace cubalorn {

namespace {

bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t charactersIn(std::string_view text) {
    size_t count = 0;
    for (char c : text)
        if (!continuesCharacter(c)) ++count;
    return count;
}

// The part of a long line that is shown: this many bytes before the caret
// and the rest of the room after it.
constexpr size_t kShownBefore = 60;
constexpr size_t kShownWidth = 140;

// Moves `offset` back to the first byte of the character it is in.
size_t characterStart(std::string_view text, size_t offset, size_t floor) {
    while (offset > floor && offset < text.size() && continuesCharacter(text[offset])) --offset;
    return offset;
}

}  // namespace

LineIndex::LineIndex(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') starts_.push_back(i + 1);
}

size_t LineIndex::lineOf(size_t offset) const {
    // The last start at or before the offset.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<size_t>(after - starts_.begin()) - 1;
}

size_t LineIndex::lineEnd(size_t line) const {
    return line + 1 < starts_.size() ? starts_[line + 1] - 1 : text_.size();
}

SourcePlace LineIndex::placeOf(size_t offset) const {
    offset = std::min(offset, text_.size());
    const size_t line = lineOf(offset);
    const size_t start = starts_[line];
    return {line + 1, charactersIn(text_.substr(start, offset - start)) + 1};
}

std::string placeName(const TextOrigin& origin, SourcePlace place) {
    if (!origin.fileName.empty())
        return origin.fileName + ":" + std::to_string(place.line) + ":" +
               std::to_string(place.column);
    // A console line holds one line; a text with more (a fuzzer's, a test's)
    // counts on from its number.
    return "line " + std::to_string(origin.consoleLine + place.line - 1) + ", column " +
           std::to_string(place.column);
}

std::string placeWithinText(const TextOrigin& origin, SourcePlace place) {
    if (!origin.fileName.empty())
        return "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
    return "column " + std::to_string(place.column);
}

std::string excerptWithCaret(std::string_view text, size_t lineStart, size_t lineEnd, size_t begin,
                             size_t length, std::string_view indent) {
    lineEnd = std::min(lineEnd, text.size());
    if (lineEnd > lineStart && text[lineEnd - 1] == '\r') --lineEnd;
    begin = characterStart(text, std::clamp(begin, lineStart, lineEnd), lineStart);
    size_t end = std::min(begin + std::max<size_t>(length, 1), lineEnd);

    size_t shownStart = lineStart;
    size_t shownEnd = lineEnd;
    if (lineEnd - lineStart > kShownWidth) {
        shownStart = characterStart(
            text, begin > lineStart + kShownBefore ? begin - kShownBefore : lineStart, lineStart);
        shownEnd = characterStart(text, std::min(lineEnd, shownStart + kShownWidth), shownStart);
        if (shownEnd <= begin) shownEnd = std::min(lineEnd, begin + 1);
        end = std::min(end, shownEnd);
    }
    const std::string_view before = shownStart > lineStart ? "..." : "";
    const std::string_view after = shownEnd < lineEnd ? "..." : "";

    std::string source(indent);
    std::string caret(indent);
    source += before;
    caret.append(before.size(), ' ');
    for (size_t i = shownStart; i < shownEnd; ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        const bool shown = c == '\t' || u >= 0x80 || (u >= 0x20 && u != 0x7F);
        source += shown ? c : ' ';
        if (continuesCharacter(c)) continue;
        if (i < begin)
            caret += c == '\t' ? '\t' : ' ';
        else if (i < end)
            caret += i == begin ? '^' : '~';
    }
    if (begin >= shownEnd) caret += '^';  // the end of the line, or the end of the text
    source += after;
    return source + "\n" + caret + "\n";
}

}  // namespace cubalorn
