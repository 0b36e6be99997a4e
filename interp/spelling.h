#pragma once
// Near misses: which known names a mistyped word is probably meant to be.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cubalorn {

// Edits (insert, delete, replace, swap two neighbours) that turn `a` into
// `b`, letter case ignored; any value above `limit` comes back as limit + 1.
size_t editDistance(std::string_view a, std::string_view b, size_t limit);

// How far a word of this length may be from a name and still suggest it: up
// to 2 edits, fewer for short words, where two edits make almost any word.
size_t suggestionLimit(std::string_view word);

// One name a word may be meant as, and how a suggestion writes it: prefix
// and shown form ("FORWARD", "GO \"square", ":size").
struct Suggestion {
    std::string_view name;  // compared with the word
    std::string_view prefix;
    std::string_view shown;
};

// The candidates nearest to `word` within suggestionLimit, in the order
// given; at most `most` of them, each prefix and shown form once.
std::vector<const Suggestion*> nearestSuggestions(std::string_view word,
                                                  const std::vector<Suggestion>& candidates,
                                                  size_t most = 3);

// "A", "A or B", "A, B or C".
std::string alternatives(const std::vector<std::string>& texts);

}  // namespace cubalorn
