#pragma once
// Lines, columns and excerpts of program texts, for the diagnostics that say
// where an error is. Worked out only when one is printed, never while a
// program runs.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "interp/program_text.h"

namespace cubalorn {

// A place as people count it: both from 1; the column counts characters
// (UTF-8 sequences count once, a tab counts once).
struct SourcePlace {
    size_t line = 1;
    size_t column = 1;
};

// The start of every line of one text, so that a place is a binary search.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);

    SourcePlace placeOf(size_t offset) const;
    // The 0-based line that holds `offset` (an offset at the end of the text
    // belongs to the last line).
    size_t lineOf(size_t offset) const;
    size_t lineStart(size_t line) const { return starts_[line]; }
    // The offset of the line's end: its line feed, or the end of the text.
    size_t lineEnd(size_t line) const;
    size_t lineCount() const { return starts_.size(); }

private:
    std::string_view text_;
    std::vector<size_t> starts_;
};

// "prog.logo:4:7" for a program file; "line 3, column 7" for a console line,
// the line being the console line's number in the session.
std::string placeName(const TextOrigin& origin, SourcePlace place);
// "line 4, column 7" in a file, "column 7" on a console line: how a hint
// names a second place in the same text.
std::string placeWithinText(const TextOrigin& origin, SourcePlace place);

// Two lines: the source line and a caret under [begin, begin + length) of
// it, each after `indent`. Control characters show as blanks (tabs stay, so
// the caret lines up); a long line shows only the part around the caret; a
// trailing carriage return is dropped. The caret is at least one character.
std::string excerptWithCaret(std::string_view text, size_t lineStart, size_t lineEnd, size_t begin,
                             size_t length, std::string_view indent);

}  // namespace cubalorn
