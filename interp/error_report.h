#pragma once
// What a learner needs beside an ERROR line: where it is and, where one
// helps, a hint. Each ERROR line stays on the first channel exactly as it
// is; this goes to the diagnostics channel, after it:
//
//   ERROR - scan error -  , token fowrard
//     at square.logo:4:1
//       fowrard 10
//       ^~~~~~~
//     hint: did you mean FORWARD?
//
// Each place is told once per run (a program file with its resumes, or one
// console line); a place met again is counted, and the count is told when
// the run ends. Everything here runs only when an error is printed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "interp/lexer.h"
#include "interp/output.h"
#include "interp/program_text.h"
#include "interp/token_code.h"

namespace cubalorn {

class LabelTable;
class LineIndex;
class ProcedureTable;
class VariableStack;
struct ScannedToken;
struct Suggestion;

// Which token an error is about, so the caret goes under it.
enum class Culprit : uint8_t {
    NamedToken,  // the token whose text the message names
    LastToken,   // the token just read, which ends at the position
    NextToken,   // the token at the position, not read yet
};

// What a report site knows beyond its message. Trivial to make, so that a
// report site adds no work to the code around it; the texts it points to
// live at least as long as the report call.
struct ErrorDetail {
    enum class Kind : uint8_t {
        Plain,
        Expected,          // `name` is the token that was expected
        MissingArgument,   // an argument reader found no value here
        UnclosedBody,      // the text ended inside a body; `closing` its closing token
        StopsLine,         // a token that starts no statement ended the line
        SkippedInBody,     // a token that starts no statement was skipped
        UnknownVariable,   // `name` is the variable
        UnknownProcedure,  // `name` is the procedure
        UnknownLabel,      // `name` is the label
    };

    Culprit culprit = Culprit::NamedToken;
    Kind kind = Kind::Plain;
    TokenCode closing = kDummy;  // the closing or expected token
    std::string_view name;
    std::string_view hint;  // a sentence of the site's own, printed as it is

    static ErrorDetail at(Culprit culprit, Kind kind = Kind::Plain) {
        ErrorDetail d;
        d.culprit = culprit;
        d.kind = kind;
        return d;
    }
    static ErrorDetail about(Kind kind, std::string_view name) {
        ErrorDetail d;
        d.kind = kind;
        d.name = name;
        return d;
    }
    static ErrorDetail expected(TokenCode token) {
        ErrorDetail d = at(Culprit::LastToken, Kind::Expected);
        d.closing = token;
        return d;
    }
    static ErrorDetail unclosedBody(TokenCode closing) {
        ErrorDetail d = at(Culprit::NextToken, Kind::UnclosedBody);
        d.closing = closing;
        return d;
    }
    static ErrorDetail hinted(std::string_view hint, Culprit culprit = Culprit::NamedToken) {
        ErrorDetail d = at(culprit);
        d.hint = hint;
        return d;
    }
};

// A name as a hint shows it: control characters as '?', a long one cut.
std::string shownName(std::string_view name);

// Where the interpreter stood when it printed an error.
struct ErrorSite {
    ProgramTextPtr text;  // the running text
    size_t position = 0;  // its lexer position
    Lexer::TokenSpan named;
};

class ErrorReport {
public:
    // The tables are read for names a mistyped word may mean.
    ErrorReport(Output& out, const ProcedureTable& procedures, const VariableStack& variables,
                const LabelTable& labels);
    ~ErrorReport();
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    // Off: nothing goes to the diagnostics channel; errors are still counted.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }
    // ERROR lines printed so far, by the interpreter and its lexer.
    uint64_t errorsPrinted() const { return errorsPrinted_; }

    // After each ERROR line of the interpreter; `what` is its message.
    void afterError(std::string_view what, const ErrorSite& site, const ErrorDetail& detail);
    // After the lexer's scan error: the unknown word or stray character.
    void afterScanError(const ProgramTextPtr& text, size_t begin, size_t length, char character);
    // After the lexer's "list: closing ] not found"; `quote` is where the list starts.
    void afterUnclosedList(const ProgramTextPtr& text, size_t quote);
    // A number that is not finite reached a drawing command: said once per
    // run, with no ERROR line (the command goes on as it always has).
    // `heldText` names a variable that holds inf or nan as a text, which
    // counts as `value`; empty when the value itself is not finite.
    void afterNotFinite(TokenCode command, float value, const ErrorSite& site,
                        const std::string& heldText);

    // A new run: the previous one is finished first.
    void startRun();
    // Tells how often each place met more than once was met; idempotent.
    void finishRun();

    struct Seen {
        std::string name;
        std::string what;
        uint64_t count = 0;
    };
    // The places of a run so far, to be carried on by another report: the
    // settings of a program file are read by an interpreter of their own
    // before the one that runs it exists.
    struct Run {
        std::vector<Seen> seen;
        std::unordered_map<std::string, size_t> seenIndex;
        bool placesFull = false;
        bool notFiniteTold = false;
        uint64_t errorsPrinted = 0;  // by the report that began the run
    };
    // The run so far, with this report's count of errors; this report starts
    // afresh without telling anything.
    Run takeRun();
    // Carries on a run another report began: its places are known, its
    // errors are counted here.
    void continueRun(Run run);

private:
    struct Place {
        ProgramTextPtr text;
        size_t begin = 0;
        size_t length = 0;
    };
    // What an error looked like the last few times, so that an error met
    // again in a loop is counted without reading the text again.
    struct Recent {
        ProgramTextPtr text;
        size_t position = 0;
        ProgramTextPtr namedText;
        size_t namedBegin = 0;
        std::string what;
        ErrorDetail::Kind kind = ErrorDetail::Kind::Plain;
        std::string name;
        size_t seen = 0;
    };

    // Counts the place; true when it is new in this run (and there is room
    // to tell it). `seen` is its entry, or none past the room.
    bool firstTime(const std::string& placeName, std::string_view what, size_t& seen);
    // Counts an error that looks like a recent one; false when none does.
    bool countedAsRecent(const Recent& key);
    void remember(Recent key, size_t seen);
    std::string placeNameOf(const Place& place);
    std::string excerptOf(const Place& place, std::string_view indent);
    std::string placeOfToken(const ProgramTextPtr& text, size_t offset);
    const LineIndex& linesOf(const ProgramTextPtr& text);

    Place culpritOf(const ErrorSite& site, const ErrorDetail& detail);
    std::vector<std::string> hintsFor(const ErrorSite& site, const ErrorDetail& detail,
                                      const Place& place);
    std::vector<std::string> unclosedBodyHints(const ErrorSite& site, TokenCode closing);
    std::string missingArgumentHint(const ErrorSite& site, const Place& place);
    std::vector<Suggestion> variableSuggestions() const;
    std::string unknownWordHint(std::string_view word);
    std::string unknownVariableHint(std::string_view name);
    std::string unknownProcedureHint(std::string_view name);
    std::string unknownLabelHint(std::string_view name);
    void tell(const std::string& headline, const Place& place,
              const std::vector<std::string>& hints);

    Output& out_;
    const ProcedureTable& procedures_;
    const VariableStack& variables_;
    const LabelTable& labels_;
    bool enabled_ = true;
    uint64_t errorsPrinted_ = 0;

    // The run's places in the order first met, and where each is in it.
    Run run_;
    std::vector<Recent> recent_;

    // Line starts of the texts errors were met in lately.
    struct IndexedText {
        ProgramTextPtr text;
        std::unique_ptr<LineIndex> lines;
    };
    std::vector<IndexedText> indexed_;
};

}  // namespace cubalorn
