#include "interp/spelling.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cubalorn {
namespace {

TEST(EditDistance, CountsTyposIgnoringCase) {
    const struct {
        const char* a;
        const char* b;
        size_t limit;
        size_t distance;
    } cases[] = {
        {"forward", "FORWARD", 2, 0},
        {"fowrard", "forward", 2, 1},  // two neighbours swapped
        {"foward", "forward", 2, 1},   // one left out
        {"forwardd", "forward", 2, 1},
        {"forwerd", "forward", 2, 1},
        {"frwrd", "forward", 2, 2},
        {"fwd", "forward", 2, 3},  // above the limit: limit + 1
        {"", "go", 5, 2},
        {"ab", "ba", 0, 1},
        {"abcdef", "ghijkl", 2, 3},  // stops early, still limit + 1
        {"ca", "abc", 3, 3},         // a swap is not undone by later edits
        // Within one edit, which takes a path of its own.
        {"lfet", "LEFT", 1, 1},
        {"left", "lefts", 1, 1},
        {"left", "lft", 1, 1},
        {"left", "lexy", 1, 2},
        {"abcd", "abdc", 1, 1},
        {"abc", "bca", 1, 2},
        {"abc", "abc", 1, 0},
        {"abc", "abd", 0, 1},
    };
    // Long words take another path.
    const std::string longA = std::string(70, 'x') + "AB";
    const std::string longB = std::string(70, 'X') + "ba";
    EXPECT_EQ(editDistance(longA, longB, 2), 1u);
    EXPECT_EQ(editDistance(longA, std::string(72, 'y'), 2), 3u);
    for (const auto& c : cases) {
        EXPECT_EQ(editDistance(c.a, c.b, c.limit), c.distance) << c.a << " " << c.b;
        EXPECT_EQ(editDistance(c.b, c.a, c.limit), c.distance) << c.b << " " << c.a;
    }
}

// The texts of the nearest candidates, prefix and shown form.
std::vector<std::string> nearest(const char* word, const std::vector<Suggestion>& names,
                                 size_t most = 3) {
    std::vector<std::string> texts;
    for (const Suggestion* s : nearestSuggestions(word, names, most))
        texts.push_back(std::string(s->prefix) + std::string(s->shown));
    return texts;
}

TEST(NearestSuggestions, KeepTheClosestInOrder) {
    const std::vector<Suggestion> names = {
        {"LEFT", "", "LEFT"},     {"LIGHTPOS", "", "LIGHTPOS"},
        {"GO", "", "GO"},         {"TO", "", "TO"},
        {"UP", "", "UP"},         {"FORWARD", "", "FORWARD"},
        {"left", "", "LEFT"},     {"RIGHT", "", "RIGHT"},
        {"REPEAT", "", "REPEAT"}, {"left", ":", "left"},
    };
    const struct {
        const char* word;
        std::vector<std::string> expected;
    } cases[] = {
        {"lfet", {"LEFT", ":left"}},  // the same text is offered once
        {"fowrad", {"FORWARD"}},
        {"rigth", {"RIGHT"}},
        {"ro", {}},  // two letters: only an exact match would do
        {"go", {"GO"}},
        {"lef", {"LEFT", ":left"}},
        {"xyzzy", {}},
        {"repaet", {"REPEAT"}},
        {"oo", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(nearest(c.word, names), c.expected) << c.word;

    const std::vector<Suggestion> ties = {
        {"abcx", "", "1"}, {"abcy", "", "2"}, {"abcz", "", "3"}, {"abcw", "", "4"}};
    EXPECT_EQ(nearest("abcd", ties), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(nearest("abcd", ties, 2), (std::vector<std::string>{"1", "2"}));
}

TEST(Alternatives, JoinAsASentence) {
    EXPECT_EQ(alternatives({}), "");
    EXPECT_EQ(alternatives({"A"}), "A");
    EXPECT_EQ(alternatives({"A", "B"}), "A or B");
    EXPECT_EQ(alternatives({"A", "B", "C"}), "A, B or C");
}

}  // namespace
}  // namespace cubalorn
