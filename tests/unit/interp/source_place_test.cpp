#include "interp/source_place.h"

#include <gtest/gtest.h>

#include <string>

namespace cubalorn {
namespace {

// Columns count characters, not bytes; the end of the text belongs to the
// last line, even after a final line feed.
TEST(LineIndex, PlacesCountLinesAndCharacters) {
    const std::string text = "ab\n\xC3\xA9t\xC3\xA9 x\n\nlast";
    const LineIndex lines(text);
    const struct {
        size_t offset;
        size_t line;
        size_t column;
    } cases[] = {
        {0, 1, 1},  {2, 1, 3},   // the line feed ends line 1
        {3, 2, 1},  {6, 2, 3},   // after one two-byte character and a t
        {9, 2, 5},  {11, 3, 1},  // x after "été "; the empty line
        {12, 4, 1}, {16, 4, 5},  // the end of the text
        {99, 4, 5},
    };
    for (const auto& c : cases) {
        const SourcePlace place = lines.placeOf(c.offset);
        EXPECT_EQ(place.line, c.line) << c.offset;
        EXPECT_EQ(place.column, c.column) << c.offset;
    }
    EXPECT_EQ(lines.lineCount(), 4u);
    EXPECT_EQ(lines.lineEnd(0), 2u);
    EXPECT_EQ(lines.lineEnd(3), text.size());
    EXPECT_EQ(LineIndex("end\n").placeOf(4).line, 2u);
}

struct ExcerptCase {
    const char* name;
    std::string line;
    size_t begin;
    size_t length;
    std::string expected;
};

void PrintTo(const ExcerptCase& c, std::ostream* os) {
    *os << c.name;
}

class Excerpt : public ::testing::TestWithParam<ExcerptCase> {};

TEST_P(Excerpt, PutsTheCaretUnderTheToken) {
    const ExcerptCase& c = GetParam();
    const std::string text = "before\n" + c.line + "\nafter";
    EXPECT_EQ(excerptWithCaret(text, 7, 7 + c.line.size(), 7 + c.begin, c.length, "> "),
              c.expected);
}

const std::string kLong = std::string(100, 'a') + "WORD" + std::string(100, 'b');

const ExcerptCase kExcerptCases[] = {
    {"Word", "forward 10", 8, 2, "> forward 10\n>         ^~\n"},
    {"TabsLineUp", "\t\tx y", 4, 1, "> \t\tx y\n> \t\t  ^\n"},
    {"CarriageReturnDropped", "x y\r", 2, 1, "> x y\n>   ^\n"},
    {"ControlCharactersBlank", "a\x1b[2Jb", 5, 1, "> a [2Jb\n>      ^\n"},
    {"EndOfLineCaret", "print", 5, 0, "> print\n>      ^\n"},
    {"TokenPastTheLineIsCut", "ab", 0, 9, "> ab\n> ^~\n"},
    {"MultibyteCharactersTakeOneColumn", "\xC3\xA9\xC3\xA9 zz", 5, 2,
     "> \xC3\xA9\xC3\xA9 zz\n>    ^~\n"},
    {"CaretInsideACharacterMovesToItsStart", "\xC3\xA9x", 1, 1, "> \xC3\xA9x\n> ^\n"},
    {"LongLineShowsTheCaretsSurroundings", kLong, 100, 4,
     "> ..." + kLong.substr(40, 140) + "...\n>    " + std::string(60, ' ') + "^~~~\n"},
    {"LongLineStartShowsNoLeadingDots", kLong, 2, 1, "> " + kLong.substr(0, 140) + "...\n>   ^\n"},
};
INSTANTIATE_TEST_SUITE_P(SourcePlace, Excerpt, ::testing::ValuesIn(kExcerptCases),
                         [](const ::testing::TestParamInfo<ExcerptCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace cubalorn
