#pragma once
// The one Logo interpreter: it runs program text in place (no token list, no
// syntax tree); loops, jumps and calls save and restore the position in the
// text. Command handlers in interp/commands_*.cpp use the public operations
// below: the lexer, the argument readers, the stores and the error printers.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "interp/error_report.h"
#include "interp/host.h"
#include "interp/lexer.h"
#include "interp/list_store.h"
#include "interp/output.h"
#include "interp/path_policy.h"
#include "interp/procedure_table.h"
#include "interp/token_code.h"
#include "interp/variable_stack.h"

namespace cubalorn {

struct World;

// Deepest nesting of statement bodies, procedure calls and sub-expressions.
// One level takes at most about 1 KiB of stack in an optimised build and
// about 5 KiB under AddressSanitizer, so the bound needs about 50 MiB in the
// worst case: run the interpreter on a thread from runWithLargeStack
// (interp/large_stack.h), whose 64 MiB hold it with room to spare.
constexpr int kMaxNestingDepth = 10000;

// A cap on the work of a run, for callers that must end whatever a program
// does (the headless runner, fuzzing). Off unless set: the window program is
// ended with Escape instead. A step is one statement, one pass of a loop, one
// list element made, or one height-grid point computed.
struct ExecutionBudget {
    uint64_t maxSteps = 0;    // 0: no cap on steps
    double maxSeconds = 0.0;  // 0: no cap on time, counted from setExecutionBudget
};

// Asked every kStopPollSteps steps, whether or not a budget is set, if the
// running line must stop now: Ctrl+C, Escape, the window closing. The answer
// may take the engine's events, so it is asked rarely.
class StopSignal {
public:
    virtual ~StopSignal() = default;
    virtual bool stopRequested() = 0;
};

// A power of two: the poll is a mask test on the step counter.
constexpr uint64_t kStopPollSteps = 4096;

// The texts inf and nan used as numbers: the sums of their letters' codes.
constexpr float kInfOrNanTextValue = 317.0f;

class Interpreter {
public:
    Interpreter(World& world, Host& host, Output& out);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // --- Running text ---------------------------------------------------
    // A new text to run from position 0, outside any procedure; a new run of
    // the error report. A text without a file name is a console line,
    // numbered one after the other when `origin` gives no number.
    void assignProgram(std::string text, TextOrigin origin = {});
    // Runs statements until the end of the text, an error that ends the line
    // or a top-level REFRESHALL. Does nothing while lineFinished is set.
    void runLine();
    // Runs exactly one statement at the current position.
    void executeStatement();
    // Registers every label and procedure of the text, then goes back to 0.
    void prescanProgram();
    // Forgets all a program left: variables, lists, labels, procedures, the
    // open file, the last call's name and output; the run of the error
    // report ends. The world is the caller's to reset.
    void forgetProgram();

    // Set by runLine on every return; the shell clears it before each call.
    bool lineFinished = false;
    // Set by a top-level REFRESHALL; cleared when a line reaches its end.
    bool resumePending = true;

    // --- Lexer ------------------------------------------------------------
    TokenCode nextToken() { return lexer_.nextToken(); }
    TokenCode peekToken() { return lexer_.peekToken(); }
    TokenCode peekSecondToken() { return lexer_.peekSecondToken(); }
    TokenCode peekTokenQuietly() { return lexer_.peekTokenQuietly(); }
    // Consumes one token; reports "token not found " when it is not `expected`.
    void expectToken(TokenCode expected);
    const std::string& tokenText() const { return lexer_.tokenText(); }
    // The token text without a copy; valid until the next token is read.
    std::string_view tokenView() const { return lexer_.tokenView(); }
    size_t position() const { return lexer_.position; }
    void setPosition(size_t position) { lexer_.position = position; }
    const std::string& programText() const { return lexer_.text(); }
    const ProgramTextPtr& program() const { return lexer_.program(); }
    // Continues in another text (a procedure's) at `position`; the token
    // text stays as it is.
    void switchProgram(ProgramTextPtr text, size_t position) {
        lexer_.switchTo(std::move(text), position);
    }

    // --- Errors -------------------------------------------------------------
    // "ERROR - syntax error - %s, token %s\n" and "ERROR - %s, token %s\n";
    // the diagnostics channel then gets the place and any hint `detail` helps
    // to find.
    void reportSyntaxError(std::string_view what, const ErrorDetail& detail = {});
    void reportError(std::string_view what, const ErrorDetail& detail = {});
    // A drawing command's argument just read was an infinity or a NaN, or
    // may be a variable holding the text inf or nan (which reads as
    // kInfOrNanTextValue): a diagnostic, once per run.
    void noteNotFinite(TokenCode command, float value);
    ErrorReport& errorReport() { return errors_; }
    // Ends the run of the error report: repeated places are counted out.
    void finishRun() { errors_.finishRun(); }
    // Ends the running line at once (after its message has been printed):
    // runLine returns as at the end of the text.
    [[noreturn]] void abandonLine();

    // --- Argument readers and expressions ---------------------------------------
    float numberorvalue();
    // numberorvalue truncated toward zero.
    int integerArgument();
    std::string getstrorvalue();
    float evaluateExpression();
    float evaluateTerm();
    float evaluateFactor();
    float evaluateFunction();
    void assignFromReporter(const std::string& target);
    // The assignment statement "name = value; the top-level form accepts more reporters.
    void assignmentStatement(bool topLevel);

    // --- Variables and lists --------------------------------------------------
    float vec_getvar(const std::string& name);
    std::string vec_getvarstring(const std::string& name);
    void vec_setvar(const std::string& name, float value);
    void vec_setvarstring(const std::string& name, const std::string& value);
    // Reads an index and a quoted list name from the text; the element's text.
    std::string vec_getitem();
    void vec_setitem(const std::string& listName, int index, const std::string& value);
    // Pushes a variable made by MAKE, counting it as a local of the running call.
    void makeVariable(std::string name, std::string value);
    VariableStack& variables() { return variables_; }
    ListStore& lists() { return lists_; }

    // --- Procedures and labels ------------------------------------------------
    // GO "name arguments: runs the procedure (the statement and the reporter).
    void callProcedure();
    LabelTable& labels() { return labels_; }
    ProcedureTable& procedures() { return procedures_; }

    // --- Bodies -------------------------------------------------------------
    // Runs statements until `closing` is next (not consumed); an empty body
    // runs nothing.
    void runBody(TokenCode closing);
    // Moves past a bracketed body whose "[" was consumed, up to (not past)
    // its matching "]".
    void skipBracketedBody();

    // --- Surroundings ----------------------------------------------------------
    World& world() { return world_; }
    Host& host() { return host_; }
    Output& out() { return out_; }

    // Fields that live from line to line.
    std::string callName;     // the procedure called last by GO
    std::string outputValue;  // the value of the latest OUTPUT
    bool inProcedure = false;
    std::FILE* file = nullptr;  // the file of the file commands, or none

    // --- Files the program names -----------------------------------------------
    // Which files the file commands may open; not owned. nullptr (the
    // default) opens every name as it is.
    void setPathPolicy(const PathPolicy* policy) { pathPolicy_ = policy; }
    const PathPolicy* pathPolicy() const { return pathPolicy_; }
    // The path `command` opens for `name`. A name the policy refuses prints
    // "ERROR - could not open file NAME" and, on the diagnostics channel, one
    // line saying why; the result is then false.
    bool pathForFile(const char* command, const std::string& name, FileAccess access,
                     std::string& path);

    // Current depth of nested bodies, calls and sub-expressions.
    int nestingDepth() const { return depth_; }

    // --- Execution budget -------------------------------------------------------
    void setExecutionBudget(const ExecutionBudget& budget);
    // Counts one step; past the budget it reports once and ends the line, and
    // every later line ends at its first step. Every kStopPollSteps steps it
    // asks the stop signal. The usual path is one decrement and test: the
    // checks that are due next are folded into one countdown.
    void countStep() {
        if (--stepsToCheck_ == 0) checkStep();
    }
    // Counts `n` steps at once for a statement whose work grows with its
    // arguments: each point of the height grid is a step.
    void countSteps(uint64_t n);
    bool budgetExceeded() const { return budgetExceeded_; }
    uint64_t stepsTaken() const { return nextCheck_ - stepsToCheck_; }

    // --- Stopping a running line ----------------------------------------------
    // The signal is not owned; nullptr (the default) never stops a line. A
    // stop prints "ERROR - interrupted, line stopped, token T" and ends the
    // running line; later lines run as usual.
    void setStopSignal(StopSignal* signal) { stopSignal_ = signal; }
    // Lines stopped by the signal so far.
    uint64_t interruptions() const { return interruptions_; }

    // Where the budget or the stop signal last ended a line: the text and
    // the position of the statement that did not run (no text: never).
    struct StopPlace {
        ProgramTextPtr text;
        size_t position = 0;
    };
    const StopPlace& lastStop() const { return lastStop_; }

private:
    friend class NestingLevel;

    World& world_;
    Host& host_;
    Output& out_;
    Lexer lexer_;
    VariableStack variables_;
    ListStore lists_;
    LabelTable labels_;
    ProcedureTable procedures_;
    int depth_ = 0;

    ErrorSite errorSite() const;
    std::string missingElementHint(const std::string& listName, int index);

    bool deadlinePassed() const;
    [[noreturn]] void budgetExhausted();
    void checkStep();
    void scheduleNextCheck();
    void pollStopSignal();
    // A statement's write was refused for want of memory: the line ends.
    [[noreturn]] void volumeMemoryExhausted();
    const PathPolicy* pathPolicy_ = nullptr;
    uint64_t nextCheck_ = kStopPollSteps;     // the step at which checkStep runs
    uint64_t stepsToCheck_ = kStopPollSteps;  // steps left until then
    StopSignal* stopSignal_ = nullptr;
    uint64_t interruptions_ = 0;
    StopPlace lastStop_;
    bool budgeted_ = false;
    bool budgetExceeded_ = false;
    ExecutionBudget budget_;
    uint64_t steps_ = 0;  // steps taken, as of the last check
    std::chrono::steady_clock::time_point deadline_;

    // Only used when an error is printed: kept apart from what every step uses.
    ErrorReport errors_;
    uint64_t consoleLines_ = 0;
};

// One level of nesting for as long as it lives; entering one level too many
// ends the line with one message instead of running out of stack.
class NestingLevel {
public:
    explicit NestingLevel(Interpreter& interpreter) : interpreter_(interpreter) {
        if (++interpreter_.depth_ > kMaxNestingDepth) tooDeep();
    }
    ~NestingLevel() { --interpreter_.depth_; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    [[noreturn]] void tooDeep();
    Interpreter& interpreter_;
};

}  // namespace cubalorn
