#include "interp/error_report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "interp/keyword_table.h"
#include "interp/procedure_table.h"
#include "interp/source_place.h"
#include "interp/spelling.h"
#include "interp/token_scan.h"
#include "interp/variable_stack.h"

namespace cubalorn {

namespace {

// Places told in one run; past this, new places are only counted as errors.
constexpr size_t kMostPlaces = 50;
// Texts whose line starts are kept.
constexpr size_t kIndexedTexts = 4;
// Variables looked at for a near miss, newest first.
constexpr size_t kMostVariableCandidates = 10000;
// Errors remembered by what they looked like.
constexpr size_t kRecentErrors = 4;
constexpr size_t kNoEntry = static_cast<size_t>(-1);
// Longest name quoted in a hint.
constexpr size_t kLongestQuotedName = 60;

std::string shown(std::string_view name) {
    return shownName(name);
}

}  // namespace

std::string shownName(std::string_view name) {
    std::string text;
    for (char c : name.substr(0, kLongestQuotedName)) {
        const unsigned char u = static_cast<unsigned char>(c);
        text += (u < 0x20 || u == 0x7F) ? '?' : c;
    }
    if (name.size() > kLongestQuotedName) text += "...";
    return text;
}

namespace {

const char* keywordName(TokenCode code) {
    return kKeywordTable[code];
}

// Keywords a learner types and may mistype. NUMBER, LBRACE and RBRACE are
// words as well, but nobody means them when mistyping something else.
bool suggestsKeyword(int code) {
    const char* name = kKeywordTable[code];
    if (!std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    return code != kDummy && code != kNumber && code != kLbrace && code != kRbrace &&
           code != kEndOfText;
}

// Keywords that read nothing after themselves; every other keyword does.
constexpr TokenCode kTakeNoArguments[] = {kPenup,
                                          kPendown,
                                          kHome,
                                          kEndif,
                                          kEnd,
                                          kPop,
                                          kSetvoxel,
                                          kGetvoxel,
                                          kClear,
                                          kRefreshall,
                                          kReadlist,
                                          kReadcharfile,
                                          kClosefile,
                                          kMousepositionx,
                                          kMousepositiony,
                                          kMouseleftbuttondown};

bool takesArguments(TokenCode code) {
    return suggestsKeyword(code) &&
           std::find(std::begin(kTakeNoArguments), std::end(kTakeNoArguments), code) ==
               std::end(kTakeNoArguments);
}

// How a hint names a token that was expected.
std::string expectedName(TokenCode code) {
    switch (code) {
        case kQuoted:
            return "a quoted word such as \"name";
        case kNumber:
            return "a number";
        case kVariable:
            return "a variable such as :name";
        default:
            return keywordName(code);
    }
}

bool movesTheTurtle(TokenCode command) {
    switch (command) {
        case kForward:
        case kBack:
        case kLeft:
        case kRight:
        case kUp:
        case kDown:
            return true;
        default:
            return false;
    }
}

// "inf", "-inf" or "nan", whatever the C library would add.
std::string notFiniteText(float value) {
    if (std::isnan(value)) return "nan";
    return value > 0 ? "inf" : "-inf";
}

// The last token in `tokens` that `wanted` accepts.
template <typename Accept>
const ScannedToken* lastWhere(const std::vector<ScannedToken>& tokens, Accept wanted) {
    for (size_t i = tokens.size(); i-- > 0;)
        if (wanted(tokens[i])) return &tokens[i];
    return nullptr;
}

// Tokens from the start of the line that holds `position` (and of the line
// before it when `withLineBefore`) up to `position`.
std::vector<ScannedToken> tokensLeadingTo(const ProgramTextPtr& text, size_t position,
                                          bool withLineBefore) {
    size_t from = readingStartFor(text->text, position);
    if (withLineBefore && from > 0) from = readingStartFor(text->text, from - 1);
    return tokensBetween(text, from, position);
}

}  // namespace

ErrorReport::ErrorReport(Output& out, const ProcedureTable& procedures,
                         const VariableStack& variables, const LabelTable& labels)
    : out_(out), procedures_(procedures), variables_(variables), labels_(labels) {}

ErrorReport::~ErrorReport() = default;

// --- Runs and places ----------------------------------------------------------------

void ErrorReport::startRun() {
    finishRun();
}

void ErrorReport::finishRun() {
    std::string summary;
    for (const Seen& s : run_.seen)
        if (s.count > 1)
            summary += "  at " + s.name + ": " + std::to_string(s.count) +
                       " times in all: " + s.what + "\n";
    if (!summary.empty()) out_.diagnostic(summary);
    run_ = Run{};
    recent_.clear();
}

ErrorReport::Run ErrorReport::takeRun() {
    Run run = std::move(run_);
    run.errorsPrinted = errorsPrinted_;
    run_ = Run{};
    recent_.clear();
    return run;
}

void ErrorReport::continueRun(Run run) {
    errorsPrinted_ += run.errorsPrinted;
    run.errorsPrinted = 0;
    run_ = std::move(run);
    recent_.clear();
}

bool ErrorReport::firstTime(const std::string& placeName, std::string_view what, size_t& seen) {
    std::string key = placeName;
    key += '\n';
    key += what;
    if (const auto it = run_.seenIndex.find(key); it != run_.seenIndex.end()) {
        seen = it->second;
        ++run_.seen[seen].count;
        return false;
    }
    seen = kNoEntry;
    if (run_.seen.size() >= kMostPlaces) {
        if (!run_.placesFull)
            out_.diagnostic(
                "  (more errors in this run: their places are neither told nor counted)\n");
        run_.placesFull = true;
        return false;
    }
    seen = run_.seen.size();
    run_.seenIndex.emplace(std::move(key), seen);
    // A message may end in a line feed of its own.
    while (!what.empty() && (what.back() == '\n' || what.back() == '\r')) what.remove_suffix(1);
    run_.seen.push_back({placeName, std::string(what), 1});
    return true;
}

bool ErrorReport::countedAsRecent(const Recent& key) {
    for (const Recent& r : recent_) {
        if (r.text == key.text && r.position == key.position && r.namedText == key.namedText &&
            r.namedBegin == key.namedBegin && r.kind == key.kind && r.what == key.what &&
            r.name == key.name) {
            ++run_.seen[r.seen].count;
            return true;
        }
    }
    return false;
}

void ErrorReport::remember(Recent key, size_t seen) {
    if (seen == kNoEntry) return;
    key.seen = seen;
    if (recent_.size() == kRecentErrors) recent_.erase(recent_.begin());
    recent_.push_back(std::move(key));
}

const LineIndex& ErrorReport::linesOf(const ProgramTextPtr& text) {
    for (const IndexedText& entry : indexed_)
        if (entry.text == text) return *entry.lines;
    if (indexed_.size() == kIndexedTexts) indexed_.erase(indexed_.begin());
    indexed_.push_back({text, std::make_unique<LineIndex>(text->text)});
    return *indexed_.back().lines;
}

std::string ErrorReport::placeNameOf(const Place& place) {
    return placeName(place.text->origin, linesOf(place.text).placeOf(place.begin));
}

std::string ErrorReport::placeOfToken(const ProgramTextPtr& text, size_t offset) {
    return placeWithinText(text->origin, linesOf(text).placeOf(offset));
}

std::string ErrorReport::excerptOf(const Place& place, std::string_view indent) {
    const LineIndex& lines = linesOf(place.text);
    const size_t line = lines.lineOf(place.begin);
    return excerptWithCaret(place.text->text, lines.lineStart(line), lines.lineEnd(line),
                            place.begin, place.length, indent);
}

void ErrorReport::tell(const std::string& headline, const Place& place,
                       const std::vector<std::string>& hints) {
    std::string block = "  at " + placeNameOf(place);
    if (!headline.empty()) block += ": " + headline;
    block += "\n" + excerptOf(place, "    ");
    for (const std::string& hint : hints)
        if (!hint.empty()) block += "  hint: " + hint + "\n";
    out_.diagnostic(block);
}

// --- Which token --------------------------------------------------------------------

ErrorReport::Place ErrorReport::culpritOf(const ErrorSite& site, const ErrorDetail& detail) {
    const std::string& text = site.text->text;
    if (detail.culprit == Culprit::NextToken) {
        const ScannedToken next = tokenFrom(site.text, site.position);
        if (next.code != kEndOfText) return {site.text, next.begin, next.end - next.begin};
        // The end of the text: just after its last character that shows.
        size_t end = text.size();
        while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
        return {site.text, end, 0};
    }
    if (detail.culprit == Culprit::LastToken) {
        if (const auto last = tokenEndingAt(site.text, site.position))
            return {site.text, last->begin, last->end - last->begin};
    }
    const bool namesSomething = detail.kind == ErrorDetail::Kind::UnknownVariable ||
                                detail.kind == ErrorDetail::Kind::UnknownProcedure ||
                                detail.kind == ErrorDetail::Kind::UnknownLabel;
    if (namesSomething) {
        // The word that names it, the latest before the position on its line.
        const auto tokens = tokensLeadingTo(site.text, site.position, false);
        const ScannedToken* word = lastWhere(tokens, [&](const ScannedToken& t) {
            return (t.code == kVariable || t.code == kQuoted || t.code == kLabel) &&
                   t.text == detail.name;
        });
        if (word) return {site.text, word->begin, word->end - word->begin};
    }
    if (const Lexer::TokenSpan& named = site.named; named.text) {
        size_t begin = named.begin;
        size_t length = named.length;
        // The colon, hash or quote belongs under the caret too.
        const std::string& namedText = named.text->text;
        if (begin > 0 && begin <= namedText.size() &&
            (namedText[begin - 1] == ':' || namedText[begin - 1] == '#' ||
             namedText[begin - 1] == '"')) {
            --begin;
            ++length;
        }
        return {named.text, begin, length};
    }
    if (const auto last = tokenEndingAt(site.text, site.position))
        return {site.text, last->begin, last->end - last->begin};
    return {site.text, std::min(site.position, text.size()), 0};
}

// --- Hints --------------------------------------------------------------------------

namespace {

// The keywords as candidates, made once.
const std::vector<Suggestion>& keywordSuggestions() {
    static const std::vector<Suggestion> keywords = [] {
        std::vector<Suggestion> list;
        for (int code = 1; code < kKeywordLookupCount; ++code)
            if (suggestsKeyword(code))
                list.push_back({kKeywordTable[code], "", kKeywordTable[code]});
        return list;
    }();
    return keywords;
}

bool isCallCounter(const std::string& name) {
    return name.find("_c_o_u_n_t") != std::string::npos;
}

// "did you mean A or B?", or nothing.
std::string didYouMean(const std::vector<const Suggestion*>& nearest) {
    if (nearest.empty()) return {};
    std::vector<std::string> texts;
    for (const Suggestion* s : nearest) texts.push_back(std::string(s->prefix) + shown(s->shown));
    return "did you mean " + alternatives(texts) + "?";
}

}  // namespace

std::vector<Suggestion> ErrorReport::variableSuggestions() const {
    std::vector<Suggestion> list;
    const auto& variables = variables_.entries();
    size_t looked = 0;
    for (size_t i = variables.size(); i-- > 0 && looked < kMostVariableCandidates; ++looked)
        if (!isCallCounter(variables[i].name()))
            list.push_back({variables[i].name(), ":", variables[i].name()});
    return list;
}

std::string ErrorReport::unknownWordHint(std::string_view word) {
    for (const ProcedureEntry& p : procedures_.entries())
        if (p.name == word)
            return shown(word) + " is a procedure: call it with GO \"" + shown(word);
    for (const VariableEntry& v : variables_.entries())
        if (v.name() == word)
            return "to use the variable " + shown(word) + ", write :" + shown(word);
    std::vector<Suggestion> candidates = keywordSuggestions();
    for (const ProcedureEntry& p : procedures_.entries())
        candidates.push_back({p.name, "GO \"", p.name});
    const std::vector<Suggestion> variables = variableSuggestions();
    candidates.insert(candidates.end(), variables.begin(), variables.end());
    return didYouMean(nearestSuggestions(word, candidates));
}

std::string ErrorReport::unknownVariableHint(std::string_view name) {
    if (name.empty()) return "a colon must be followed by a variable's name";
    std::string hint = "there is no variable named " + shown(name);
    if (name.size() > 1 && name.back() == ']')
        return hint + ": a name takes every character up to a blank, so put one before the ]";
    const std::vector<Suggestion> candidates = variableSuggestions();
    const std::string nearest = didYouMean(nearestSuggestions(name, candidates));
    if (!nearest.empty()) return hint + "; " + nearest;
    return hint + "; MAKE \"" + shown(name) + " 0 makes one";
}

std::string ErrorReport::unknownProcedureHint(std::string_view name) {
    std::vector<Suggestion> candidates;
    for (const ProcedureEntry& p : procedures_.entries())
        candidates.push_back({p.name, "\"", p.name});
    const std::string nearest = didYouMean(nearestSuggestions(name, candidates));
    if (!nearest.empty()) return nearest;
    return "no procedure named " + shown(name) + " is defined; TO \"" + shown(name) +
           " ... END defines one";
}

std::string ErrorReport::unknownLabelHint(std::string_view name) {
    std::vector<Suggestion> candidates;
    for (const LabelEntry& l : labels_.entries()) candidates.push_back({l.name, "\"", l.name});
    const std::string nearest = didYouMean(nearestSuggestions(name, candidates));
    if (!nearest.empty()) return nearest;
    return "there is no label #" + shown(name) +
           " in this text (a console line cannot jump into a program file)";
}

std::string ErrorReport::missingArgumentHint(const ErrorSite& site, const Place& place) {
    // The command whose argument is missing is the latest one before the
    // culprit, on its line or, when the culprit opens its line, the line before.
    const size_t lineStart = readingStartFor(site.text->text, place.begin);
    const bool opensLine = tokensBetween(site.text, lineStart, place.begin).empty();
    const auto tokens = tokensLeadingTo(site.text, place.begin, opensLine);
    const ScannedToken* command =
        lastWhere(tokens, [](const ScannedToken& t) { return takesArguments(t.code); });
    if (!command) return {};
    return std::string(keywordName(command->code)) + " at " +
           placeOfToken(site.text, command->begin) + " needs an argument here";
}

std::vector<std::string> ErrorReport::unclosedBodyHints(const ErrorSite& site, TokenCode closing) {
    auto open = unclosedOpeners(site.text, closing);
    if (open.empty()) open = unclosedOpeners(site.text, kDummy);
    if (open.empty()) return {};
    const ScannedToken& opener = open.back();
    std::vector<std::string> hints;
    hints.push_back("the " + std::string(keywordName(opener.code)) + " at " +
                    placeOfToken(site.text, opener.begin) + " has no " +
                    keywordName(closingOf(opener.code)));
    if (opener.code == kOpenBracket) {
        // A name takes every character up to a blank, brackets included.
        for (const ScannedToken& t : tokensBetween(site.text, opener.end, site.text->text.size())) {
            const bool name = t.code == kVariable || t.code == kLabel ||
                              (t.code == kQuoted && site.text->text[t.begin + 1] != '[');
            if (name && !t.text.empty() && t.text.back() == ']') {
                const std::string word = shown(site.text->text.substr(t.begin, t.end - t.begin));
                hints.push_back(word + " at " + placeOfToken(site.text, t.begin) +
                                " reads as one name, ] included: put a blank before the ]");
                break;
            }
        }
    }
    return hints;
}

std::vector<std::string> ErrorReport::hintsFor(const ErrorSite& site, const ErrorDetail& detail,
                                               const Place& place) {
    std::vector<std::string> hints;
    using Kind = ErrorDetail::Kind;
    switch (detail.kind) {
        case Kind::Plain:
            break;
        case Kind::Expected:
            hints.push_back(expectedName(detail.closing) + " was expected here");
            break;
        case Kind::MissingArgument:
            hints.push_back(missingArgumentHint(site, place));
            break;
        case Kind::UnclosedBody:
            hints = unclosedBodyHints(site, detail.closing);
            break;
        case Kind::StopsLine:
            hints.push_back("no statement starts with this, so nothing after it was run");
            break;
        case Kind::SkippedInBody:
            hints.push_back("no statement starts with this, so it was skipped");
            break;
        case Kind::UnknownVariable:
            hints.push_back(unknownVariableHint(detail.name));
            break;
        case Kind::UnknownProcedure:
            hints.push_back(unknownProcedureHint(detail.name));
            break;
        case Kind::UnknownLabel:
            hints.push_back(unknownLabelHint(detail.name));
            break;
    }
    if (!detail.hint.empty()) hints.emplace_back(detail.hint);
    return hints;
}

// --- Reports ------------------------------------------------------------------------

void ErrorReport::afterError(std::string_view what, const ErrorSite& site,
                             const ErrorDetail& detail) {
    ++errorsPrinted_;
    if (!enabled_ || !site.text) return;
    Recent key{site.text,         site.position, site.named.text,         site.named.begin,
               std::string(what), detail.kind,   std::string(detail.name)};
    if (countedAsRecent(key) || run_.placesFull) return;
    const Place place = culpritOf(site, detail);
    size_t seen = kNoEntry;
    const bool isNew = firstTime(placeNameOf(place), what, seen);
    remember(std::move(key), seen);
    if (isNew) tell({}, place, hintsFor(site, detail, place));
}

void ErrorReport::afterScanError(const ProgramTextPtr& text, size_t begin, size_t length,
                                 char character) {
    ++errorsPrinted_;
    if (!enabled_ || !text) return;
    const Place place{text, begin, length};
    std::string what = "scan error - ";
    what += character;
    Recent key{text, begin, nullptr, length, what, ErrorDetail::Kind::Plain, {}};
    if (countedAsRecent(key) || run_.placesFull) return;
    size_t seen = kNoEntry;
    const bool isNew = firstTime(placeNameOf(place), what, seen);
    remember(std::move(key), seen);
    if (!isNew) return;
    const std::string_view word = std::string_view(text->text).substr(begin, length);
    std::vector<std::string> hints;
    if (length > 1 || std::isalpha(static_cast<unsigned char>(word.empty() ? ' ' : word[0])))
        hints.push_back(unknownWordHint(word));
    else if (word == "'")
        hints.push_back("a word is quoted with \" in front only, as in \"name");
    tell({}, place, hints);
}

void ErrorReport::afterUnclosedList(const ProgramTextPtr& text, size_t quote) {
    ++errorsPrinted_;
    if (!enabled_ || !text) return;
    if (run_.placesFull) return;
    const Place place{text, quote, 2};
    size_t seen = kNoEntry;
    if (!firstTime(placeNameOf(place), "list: closing ] not found", seen)) return;
    tell({}, place, {"this list runs to the end of the text: end it with ]"});
}

void ErrorReport::afterNotFinite(TokenCode command, float value, const ErrorSite& site,
                                 const std::string& heldText) {
    if (!enabled_ || run_.notFiniteTold || !site.text) return;
    run_.notFiniteTold = true;
    Place place{site.text, std::min(site.position, site.text->text.size()), 0};
    const auto tokens = tokensLeadingTo(site.text, site.position, true);
    if (const ScannedToken* word =
            lastWhere(tokens, [&](const ScannedToken& t) { return t.code == command; }))
        place = {site.text, word->begin, word->end - word->begin};
    std::string headline = keywordName(command);
    std::vector<std::string> hints;
    if (!heldText.empty()) {
        headline += " was given " + shown(heldText) + " as a text";
        hints.push_back(
            "a number that is not finite is stored as that text (after a division "
            "by zero, for example)");
        hints.push_back(
            "a text that starts with a letter counts as the sum of its character "
            "codes, so here it counts as " +
            std::to_string(static_cast<int>(value)));
    } else {
        headline += " was given " + notFiniteText(value) + ", which is not a finite number";
        hints.push_back("a division by zero, for example, gives one");
        if (movesTheTurtle(command))
            hints.push_back("the turtle's place and heading stay unknown until HOME");
        else
            hints.push_back(std::string("it counts as ") + (std::isnan(value) ? "0"
                                                            : value > 0
                                                                ? "the largest whole number"
                                                                : "the smallest whole number"));
    }
    hints.push_back("this is told once per run");
    tell(headline, place, hints);
}

}  // namespace cubalorn
