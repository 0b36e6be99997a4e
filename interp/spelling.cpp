#include "interp/spelling.h"

#include <algorithm>

namespace cubalorn {

namespace {

char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The optimal-string-alignment distance over folded texts, with rows of
// `Row` (an array for short words, a vector for long ones).
template <typename Row>
size_t alignmentDistance(const char* a, size_t na, const char* b, size_t nb, size_t limit,
                         Row& before, Row& previous, Row& current) {
    for (size_t j = 0; j <= nb; ++j) previous[j] = j;
    for (size_t i = 1; i <= na; ++i) {
        current[0] = i;
        size_t rowBest = current[0];
        for (size_t j = 1; j <= nb; ++j) {
            size_t cost = previous[j] + 1;
            if (current[j - 1] + 1 < cost) cost = current[j - 1] + 1;
            const size_t diagonal = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            if (diagonal < cost) cost = diagonal;
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1] &&
                before[j - 2] + 1 < cost)
                cost = before[j - 2] + 1;
            current[j] = cost;
            if (cost < rowBest) rowBest = cost;
        }
        if (rowBest > limit) return limit + 1;  // no later row gets below its best
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[nb], limit + 1);
}

// The distance when it is 0 or 1 (one letter replaced, added, dropped, or
// two neighbours swapped), else limit + 1; the words' lengths differ by at
// most one.
size_t distanceUpToOne(std::string_view a, std::string_view b, size_t limit) {
    if (a.size() < b.size()) std::swap(a, b);
    size_t i = 0;
    while (i < b.size() && folded(a[i]) == folded(b[i])) ++i;
    if (i == a.size()) return 0;  // the same word
    if (limit == 0) return 1;
    const auto sameFrom = [&](size_t ia, size_t ib) {
        for (; ia < a.size(); ++ia, ++ib)
            if (folded(a[ia]) != folded(b[ib])) return false;
        return true;
    };
    if (a.size() > b.size()) return sameFrom(i + 1, i) ? 1 : 2;  // one letter more in a
    if (sameFrom(i + 1, i + 1)) return 1;                        // one letter replaced
    if (i + 1 < a.size() && folded(a[i]) == folded(b[i + 1]) && folded(a[i + 1]) == folded(b[i]) &&
        sameFrom(i + 2, i + 2))
        return 1;  // two neighbours swapped
    return 2;
}

// Words are short: this many characters go on the stack.
constexpr size_t kShortWord = 64;

}  // namespace

size_t editDistance(std::string_view a, std::string_view b, size_t limit) {
    const size_t longer = std::max(a.size(), b.size());
    const size_t shorter = std::min(a.size(), b.size());
    if (longer - shorter > limit) return limit + 1;
    if (limit <= 1) return distanceUpToOne(a, b, limit);
    if (longer < kShortWord) {
        char fa[kShortWord], fb[kShortWord];
        for (size_t i = 0; i < a.size(); ++i) fa[i] = folded(a[i]);
        for (size_t i = 0; i < b.size(); ++i) fb[i] = folded(b[i]);
        size_t rows[3][kShortWord + 1];
        size_t* before = rows[0];
        size_t* previous = rows[1];
        size_t* current = rows[2];
        return alignmentDistance(fa, a.size(), fb, b.size(), limit, before, previous, current);
    }
    std::string foldedA(a), foldedB(b);
    for (char& c : foldedA) c = folded(c);
    for (char& c : foldedB) c = folded(c);
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    return alignmentDistance(foldedA.data(), a.size(), foldedB.data(), b.size(), limit, before,
                             previous, current);
}

size_t suggestionLimit(std::string_view word) {
    if (word.size() <= 2) return 0;
    if (word.size() <= 4) return 1;
    return 2;
}

std::vector<const Suggestion*> nearestSuggestions(std::string_view word,
                                                  const std::vector<Suggestion>& candidates,
                                                  size_t most) {
    const size_t limit = suggestionLimit(word);
    size_t best = limit + 1;
    std::vector<const Suggestion*> nearest;
    for (const Suggestion& candidate : candidates) {
        const size_t distance = editDistance(word, candidate.name, std::min(limit, best));
        if (distance > limit || distance > best) continue;
        if (distance < best) {
            best = distance;
            nearest.clear();
        }
        const auto same = [&](const Suggestion* s) {
            return s->prefix == candidate.prefix && s->shown == candidate.shown;
        };
        if (nearest.size() < most &&
            std::find_if(nearest.begin(), nearest.end(), same) == nearest.end())
            nearest.push_back(&candidate);
    }
    return nearest;
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
