#include "interp/token_scan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace cubalorn {
namespace {

ProgramTextPtr textOf(const std::string& text) {
    return std::make_shared<ProgramText>(text);
}

// Each token kind starts where its first character is: the quote, colon or
// hash included, the bracket of a quoted list included.
TEST(TokenScanner, TokensStartAtTheirFirstCharacter) {
    const std::string text = "  \"word :name #label \"[a b] lbrace { ; note\n12.5 ) fd x";
    const ProgramTextPtr program = textOf(text);  // the token texts point into it
    const auto tokens = tokensBetween(program, 0, text.size());
    const struct {
        TokenCode code;
        const char* whole;
        const char* text;
    } expected[] = {
        {kQuoted, "\"word", "word"},    {kVariable, ":name", "name"},  {kLabel, "#label", "label"},
        {kQuoted, "\"[a b]", "a b"},    {kLbrace, "lbrace", "lbrace"}, {kLbrace, "{", "{"},
        {kComment, "; note", "; note"}, {kNumber, "12.5", "12.5"},     {kCloseParen, ")", ")"},
    };
    // fd and x are no words: the scanner skips them as the lexer does.
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].code, expected[i].code) << i;
        EXPECT_EQ(text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin), expected[i].whole);
        EXPECT_EQ(tokens[i].text, expected[i].text) << i;
    }
    const ScannedToken end = tokenFrom(program, tokens.back().end);
    EXPECT_EQ(end.code, kEndOfText);
    EXPECT_EQ(end.begin, text.size());
}

struct OpenCase {
    const char* name;
    std::string text;
    TokenCode closing;
    std::vector<const char*> open;  // the unclosed openers' texts, in order
};

void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << c.name;
}

class Unclosed : public ::testing::TestWithParam<OpenCase> {};

TEST_P(Unclosed, OpenersLeftAtTheEnd) {
    const OpenCase& c = GetParam();
    const auto open = unclosedOpeners(textOf(c.text), c.closing);
    std::vector<std::string> found;
    for (const ScannedToken& t : open) found.push_back(c.text.substr(t.begin, 12));
    std::vector<std::string> expected(c.open.begin(), c.open.end());
    EXPECT_EQ(found, expected);
}

const OpenCase kOpenCases[] = {
    {"AllClosed", "repeat 2 [ if 1 < 2 print 1 endif ] to \"a end", kDummy, {}},
    {"OuterBracket", "repeat 2 [ repeat 3 [ fd ] ", kDummy, {"[ repeat 3 ["}},
    {"BothBracketsInnermostLast", "repeat 2 [ repeat 3 [ x", kDummy, {"[ repeat 3 [", "[ x"}},
    {"NameEatsTheBracket", "repeat 2 [ print :x]", kDummy, {"[ print :x]"}},
    {"QuotedListIsNoBody", "print \"[ a [ b ] ", kDummy, {}},
    {"CommentIsNoBody", "; [ if\nprint 1", kDummy, {}},
    {"IfWithoutEndif", "if 1 < 2 [ print 1 ]", kDummy, {"if 1 < 2 [ p"}},
    {"KindsCloseApart", "to \"a if 1 < 2 ] end", kDummy, {"if 1 < 2 ] e"}},
    {"OnlyTheWantedKind", "to \"a [ if 1 < 2", kEnd, {"to \"a [ if 1"}},
    {"WantedKindAmongOthers", "to \"a [ if 1 < 2", kCloseBracket, {"[ if 1 < 2"}},
};
INSTANTIATE_TEST_SUITE_P(TokenScan, Unclosed, ::testing::ValuesIn(kOpenCases),
                         [](const ::testing::TestParamInfo<OpenCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace cubalorn
