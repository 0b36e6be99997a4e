#include "interp/interpreter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "interp/commands.h"
#include "interp/number_text.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

// Thrown to end the running line once its message has been printed; caught
// only by runLine.
struct LineAbandoned {};

// 2.5 -> "2.5", 10 -> "10".
std::string formatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

}  // namespace

Interpreter::Interpreter(World& world, Host& host, Output& out)
    : world_(world),
      host_(host),
      out_(out),
      lexer_(out),
      errors_(out, procedures_, variables_, labels_) {
    lexer_.setErrorReport(&errors_);
}

Interpreter::~Interpreter() {
    if (file) std::fclose(file);
}

void Interpreter::assignProgram(std::string text, TextOrigin origin) {
    errors_.startRun();
    if (origin.fileName.empty() && origin.consoleLine == 0) origin.consoleLine = consoleLines_ + 1;
    if (origin.fileName.empty()) consoleLines_ = origin.consoleLine;
    lexer_.assign(std::make_shared<ProgramText>(std::move(text), std::move(origin)));
    inProcedure = false;
}

void Interpreter::expectToken(TokenCode expected) {
    if (nextToken() != expected)
        reportSyntaxError("token not found ", ErrorDetail::expected(expected));
}

ErrorSite Interpreter::errorSite() const {
    return {lexer_.program(), lexer_.position, lexer_.namedTokenSpan()};
}

void Interpreter::reportSyntaxError(std::string_view what, const ErrorDetail& detail) {
    out_.print("ERROR - syntax error - %.*s, token %s\n", static_cast<int>(what.size()), what.data(),
               tokenText().c_str());
    errors_.afterError("syntax error - " + std::string(what), errorSite(), detail);
}

void Interpreter::reportError(std::string_view what, const ErrorDetail& detail) {
    out_.print("ERROR - %.*s, token %s\n", static_cast<int>(what.size()), what.data(),
               tokenText().c_str());
    errors_.afterError(what, errorSite(), detail);
}

void Interpreter::noteNotFinite(TokenCode command, float value) {
    if (std::isfinite(value)) {
        // Only a variable whose text is inf or nan is meant.
        const Lexer::TokenSpan named = lexer_.namedTokenSpan();
        if (!named.text || named.begin == 0 || named.text->text[named.begin - 1] != ':') return;
        const std::string name = named.text->text.substr(named.begin, named.length);
        const VariableEntry* entry = variables_.findNewest(name);
        if (!entry || (entry->value() != "inf" && entry->value() != "nan")) return;
        errors_.afterNotFinite(command, value, errorSite(),
                               ":" + name + ", which holds " + entry->value());
        return;
    }
    errors_.afterNotFinite(command, value, errorSite(), {});
}

void Interpreter::abandonLine() { throw LineAbandoned{}; }

void NestingLevel::tooDeep() {
    --interpreter_.depth_;
    interpreter_.reportError(
        "nesting deeper than " + std::to_string(kMaxNestingDepth) + " levels, line stopped",
        ErrorDetail::hinted("a procedure that calls itself with no way to stop, for example"));
    interpreter_.abandonLine();
}

void Interpreter::setExecutionBudget(const ExecutionBudget& budget) {
    budget_ = budget;
    budgeted_ = budget.maxSteps != 0 || budget.maxSeconds > 0.0;
    budgetExceeded_ = false;
    steps_ = 0;
    if (budget.maxSeconds > 0.0)
        deadline_ = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(budget.maxSeconds));
    scheduleNextCheck();
}

void Interpreter::checkStep() {
    steps_ = nextCheck_;
    if (budgeted_ && (budgetExceeded_ || (budget_.maxSteps != 0 && steps_ > budget_.maxSteps) ||
                      ((steps_ & 1023) == 0 && deadlinePassed())))
        budgetExhausted();
    scheduleNextCheck();  // first: a stop leaves by an exception
    if ((steps_ & (kStopPollSteps - 1)) == 0 && stopSignal_ != nullptr) pollStopSignal();
}

// The first step at which something is due: the next stop poll, and with a
// budget the step past the cap and the next look at the clock (every 1024).
void Interpreter::scheduleNextCheck() {
    uint64_t next = (steps_ | (kStopPollSteps - 1)) + 1;
    if (budgeted_) {
        if (budgetExceeded_) next = steps_ + 1;
        if (budget_.maxSeconds > 0.0) next = std::min(next, (steps_ | 1023) + 1);
        if (budget_.maxSteps != 0 && budget_.maxSteps >= steps_)
            next = std::min(next, budget_.maxSteps + 1);
    }
    nextCheck_ = next;
    stepsToCheck_ = next - steps_;
}

void Interpreter::countSteps(uint64_t n) {
    if (n == 0) return;
    steps_ = stepsTaken();
    const uint64_t before = steps_;
    steps_ = n > UINT64_MAX - steps_ ? UINT64_MAX : steps_ + n;
    if (budgeted_ && (budgetExceeded_ || (budget_.maxSteps != 0 && steps_ > budget_.maxSteps) ||
                      deadlinePassed()))
        budgetExhausted();
    scheduleNextCheck();
    if (stopSignal_ != nullptr && before / kStopPollSteps != steps_ / kStopPollSteps)
        pollStopSignal();
}

void Interpreter::volumeMemoryExhausted() {
    // What was drawn before the refused write stays.
    reportError("not enough memory for more voxel blocks, line stopped");
    abandonLine();
}

bool Interpreter::deadlinePassed() const {
    return budget_.maxSeconds > 0.0 && std::chrono::steady_clock::now() >= deadline_;
}

void Interpreter::budgetExhausted() {
    if (!budgetExceeded_) {
        budgetExceeded_ = true;
        lastStop_ = {program(), position()};
        if (budget_.maxSteps != 0 && steps_ > budget_.maxSteps)
            reportError("step limit of " + std::to_string(budget_.maxSteps) +
                        " reached, program stopped");
        else
            reportError("time limit of " + formatSeconds(budget_.maxSeconds) +
                        " seconds reached, program stopped");
    }
    // Every later step ends its line at once.
    nextCheck_ = steps_ + 1;
    stepsToCheck_ = 1;
    abandonLine();
}

void Interpreter::pollStopSignal() {
    if (!stopSignal_->stopRequested()) return;
    ++interruptions_;
    lastStop_ = {program(), position()};
    reportError("interrupted, line stopped");
    abandonLine();
}

void Interpreter::runLine() {
    if (lineFinished) return;
    try {
        for (;;) {
            if (peekSecondToken() == kEquals) {
                countStep();
                assignmentStatement(true);
                continue;
            }
            const TokenCode code = peekToken();
            if (code == kRefreshall) {
                nextToken();
                lineFinished = true;
                resumePending = true;
                return;
            }
            if (code == kInitvolumesize) {
                // Its values were taken before the volume existed.
                for (int i = 0; i < 4; ++i) nextToken();
                continue;
            }
            if (statementHandler(code) != nullptr) {
                executeStatement();
                continue;
            }
            if (nextToken() != kEndOfText)
                reportSyntaxError(
                    "token not found ",
                    ErrorDetail::at(Culprit::LastToken, ErrorDetail::Kind::StopsLine));
            break;
        }
    } catch (const LineAbandoned&) {
    }
    lineFinished = true;
    resumePending = false;
    errors_.finishRun();
}

void Interpreter::executeStatement() {
    countStep();
    NestingLevel level(*this);
    if (peekSecondToken() == kEquals) {
        assignmentStatement(false);
        return;
    }
    const TokenCode code = peekToken();
    if (const StatementHandler handler = statementHandler(code)) {
        handler(*this);
        if (world_.volume.takeMemoryRefusal()) volumeMemoryExhausted();
        return;
    }
    if (code == kEndOfText) {
        // A body whose closing token never comes: end the line once.
        reportSyntaxError("reserved tokens not found", ErrorDetail::unclosedBody(kDummy));
        abandonLine();
    }
    nextToken();
    reportSyntaxError("reserved tokens not found",
                      ErrorDetail::at(Culprit::LastToken, ErrorDetail::Kind::SkippedInBody));
}

void Interpreter::assignmentStatement(bool topLevel) {
    if (nextToken() != kQuoted)
        reportSyntaxError("token not found ", ErrorDetail::expected(kQuoted));
    const std::string target = tokenText();
    expectToken(kEquals);
    switch (peekToken()) {
        case kIskeydown:
        case kMouseleftbuttondown:
            assignFromReporter(target);
            return;
        case kQuoted:
        case kGo:
        case kFirst:
        case kLast:
        case kIndex:
        case kReadlist:
        case kAppend:
        case kReadcharfile:
            if (topLevel) {
                assignFromReporter(target);
                return;
            }
            break;
        default:
            break;
    }
    vec_setvar(target, evaluateExpression());
}

void Interpreter::runBody(TokenCode closing) {
    // An empty body runs nothing; the quiet look prints nothing, so a
    // non-empty body prints exactly what running it prints.
    if (peekTokenQuietly() == closing) return;
    executeStatement();
    while (peekToken() != closing) executeStatement();
}

void Interpreter::skipBracketedBody() {
    int open = 1;
    for (;;) {
        const TokenCode code = peekToken();
        if (code == kEndOfText) {
            reportSyntaxError("reserved tokens not found",
                              ErrorDetail::unclosedBody(kCloseBracket));
            abandonLine();
        }
        if (code == kCloseBracket && open == 1) return;
        nextToken();
        if (code == kOpenBracket) ++open;
        if (code == kCloseBracket) --open;
    }
}

// --- Variables and lists ---------------------------------------------------------

float Interpreter::vec_getvar(const std::string& name) {
    if (const VariableEntry* entry = variables_.findNewest(name))
        return static_cast<float>(entry->atofValue());
    reportError("vec_getvar: no variable found to get value",
                ErrorDetail::about(ErrorDetail::Kind::UnknownVariable, name));
    return 0.0f;
}

std::string Interpreter::vec_getvarstring(const std::string& name) {
    if (const VariableEntry* entry = variables_.findNewest(name)) return entry->value();
    reportError("vec_getvarstring: no variable found to get value",
                ErrorDetail::about(ErrorDetail::Kind::UnknownVariable, name));
    return "0";
}

void Interpreter::vec_setvar(const std::string& name, float value) {
    if (VariableEntry* entry = variables_.findNewest(name)) {
        entry->setNumber(value);
        return;
    }
    reportError("vec_setvar: no variable found to set value",
                ErrorDetail::about(ErrorDetail::Kind::UnknownVariable, name));
}

void Interpreter::vec_setvarstring(const std::string& name, const std::string& value) {
    if (VariableEntry* entry = variables_.findNewest(name)) {
        entry->setValue(value);
        return;
    }
    reportError("vec_setvarstring: no variable found to set value",
                ErrorDetail::about(ErrorDetail::Kind::UnknownVariable, name));
}

std::string Interpreter::vec_getitem() {
    const int index = integerArgument();
    expectToken(kQuoted);
    if (const std::string* element = lists_.find(tokenText() + std::to_string(index)))
        return *element;
    reportError("vec_getitem: no variable found to get value",
                ErrorDetail::hinted(missingElementHint(tokenText(), index)));
    return "";
}

void Interpreter::vec_setitem(const std::string& listName, int index, const std::string& value) {
    if (std::string* element = lists_.find(listName + std::to_string(index))) {
        *element = value;
        return;
    }
    reportError("vec_setitem array: no item found to set value",
                ErrorDetail::hinted(missingElementHint(listName, index)));
}

std::string Interpreter::missingElementHint(const std::string& listName, int index) {
    const std::string name = shownName(listName);
    if (!lists_.find(listName + "0"))
        return "there is no list named " + name + "; MAKE \"" + name +
               " {10} makes one of 10 elements, 0 to 9";
    // A list's elements are made together, from 0 up; cold path, so count them.
    int count = 1;
    while (count < 1000000 && lists_.find(listName + std::to_string(count))) ++count;
    return "the list " + name + " has no element " + std::to_string(index) + ", only 0 to " +
           std::to_string(count - 1);
}

void Interpreter::makeVariable(std::string name, std::string value) {
    if (inProcedure) {
        // Counted as a local of the running call, so its clean-up removes it.
        const std::string counter = callName + "_c_o_u_n_t";
        vec_setvar(counter, vec_getvar(counter) + 1.0f);
    }
    variables_.push(std::move(name), std::move(value));
}

}  // namespace cubalorn
