#include "interp/spelling.h"

#include <algorithm>
#include <cctype>

namespace cubalorn {

namespace {

char folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

size_t editDistance(std::string_view a, std::string_view b, size_t limit) {
    const size_t longer = std::max(a.size(), b.size());
    const size_t shorter = std::min(a.size(), b.size());
    if (longer - shorter > limit) return limit + 1;
    // Three rows of the optimal-string-alignment table.
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        size_t rowBest = current[0];
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = folded(a[i - 1]) == folded(b[j - 1]);
            size_t cost = std::min({previous[j] + 1, current[j - 1] + 1,
                                    previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
                folded(a[i - 2]) == folded(b[j - 1]))
                cost = std::min(cost, before[j - 2] + 1);
            current[j] = cost;
            rowBest = std::min(rowBest, cost);
        }
        if (rowBest > limit) return limit + 1;  // no later row gets below its best
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], limit + 1);
}

size_t suggestionLimit(std::string_view word) {
    if (word.size() <= 2) return 0;
    if (word.size() <= 4) return 1;
    return 2;
}

std::vector<std::string> nearestSuggestions(std::string_view word,
                                            const std::vector<Suggestion>& candidates,
                                            size_t most) {
    const size_t limit = suggestionLimit(word);
    size_t best = limit + 1;
    std::vector<std::string> texts;
    for (const Suggestion& candidate : candidates) {
        const size_t distance = editDistance(word, candidate.name, std::min(limit, best));
        if (distance > limit || distance > best) continue;
        if (distance < best) {
            best = distance;
            texts.clear();
        }
        if (texts.size() < most &&
            std::find(texts.begin(), texts.end(), candidate.text) == texts.end())
            texts.push_back(candidate.text);
    }
    return texts;
}

std::string alternatives(const std::vector<std::string>& texts) {
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) joined += i + 1 == texts.size() ? " or " : ", ";
        joined += texts[i];
    }
    return joined;
}

}  // namespace cubalorn
