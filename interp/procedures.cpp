// Labels and procedures: the pre-scan of a program file, TO, GO (statement
// and reporter), OUTPUT.

#include <cstdio>
#include <string>
#include <vector>

#include "interp/commands.h"
#include "interp/interpreter.h"

namespace cubalorn {

namespace {

// A call collects at most this many arguments.
constexpr size_t kMostArguments = 42;

// Moves past the body of a definition up to and past its END. Returns false
// when the text ends first.
bool skipDefinitionBody(Interpreter& in) {
    for (;;) {
        const TokenCode code = in.peekToken();
        if (code == kEndOfText) return false;
        in.nextToken();
        if (code == kEnd) return true;
    }
}

// Registers a procedure whose TO has been consumed: its quoted name, then
// the body up to END.
bool defineProcedure(Interpreter& in) {
    in.expectToken(kQuoted);
    in.procedures().add({in.tokenText(), in.position(), in.program()});
    return skipDefinitionBody(in);
}

// Everything a call changes, put back when the call ends however it ends:
// the caller's procedure name and flag, its text and position, and a
// variable stack without the call's counter, parameters and locals.
class CallFrame {
public:
    explicit CallFrame(Interpreter& in)
        : in_(in),
          callName_(in.callName),
          inProcedure_(in.inProcedure),
          stackHeight_(in.variables().size()) {}
    ~CallFrame() {
        if (switchedText_) in_.switchProgram(callerText_, returnPosition_);
        in_.callName = std::move(callName_);
        in_.inProcedure = inProcedure_;
        in_.variables().truncate(stackHeight_);
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // A call that finds no procedure leaves its counter on the stack; an
    // enclosing call's clean-up still removes it.
    void keepCounter() { ++stackHeight_; }

    void enter(const ProcedureEntry& procedure) {
        returnPosition_ = in_.position();
        callerText_ = in_.program();
        switchedText_ = true;
        in_.switchProgram(procedure.text, procedure.position);
    }

private:
    Interpreter& in_;
    std::string callName_;
    bool inProcedure_;
    size_t stackHeight_;
    bool switchedText_ = false;
    ProgramTextPtr callerText_;
    size_t returnPosition_ = 0;
};

}  // namespace

void Interpreter::prescanProgram() {
    setPosition(0);
    for (TokenCode code = nextToken(); code != kEndOfText; code = nextToken())
        if (code == kLabel) labels_.add({tokenText(), position(), program()});
    setPosition(0);
    for (TokenCode code = nextToken(); code != kEndOfText; code = nextToken())
        if (code == kTo && !defineProcedure(*this)) break;
    setPosition(0);
}

void Interpreter::forgetProgram() {
    errors_.finishRun();
    variables_.truncate(0);
    lists_.clear();
    labels_.clear();
    procedures_.clear();
    callName.clear();
    outputValue.clear();
    inProcedure = false;
    if (file) std::fclose(file);
    file = nullptr;
    lineFinished = true;
    resumePending = false;
}

void Interpreter::callProcedure() {
    expectToken(kGo);
    expectToken(kQuoted);
    CallFrame frame(*this);
    callName = tokenText();
    const std::string counter = callName + "_c_o_u_n_t";
    variables_.push(counter, "0");

    std::vector<std::string> arguments;
    bool refused = false;
    for (TokenCode code = peekToken(); code == kNumber || code == kVariable; code = peekToken()) {
        std::string argument = getstrorvalue();
        if (arguments.size() == kMostArguments) {
            if (!refused) reportError("GO: more than 42 arguments, the rest are ignored");
            refused = true;
            continue;
        }
        arguments.push_back(std::move(argument));
        vec_setvar(counter, static_cast<float>(arguments.size()));
    }

    const ProcedureEntry* procedure = procedures_.find(callName, program().get());
    if (!procedure) {
        reportSyntaxError("GO: no procedure found",
                          ErrorDetail::about(ErrorDetail::Kind::UnknownProcedure, callName));
        frame.keepCounter();
        return;
    }
    frame.enter(*procedure);
    size_t next = 0;
    while (peekToken() == kVariable) {
        nextToken();
        variables_.push(tokenText(), next < arguments.size() ? arguments[next] : std::string());
        ++next;
    }
    inProcedure = true;
    while (peekToken() != kEnd) executeStatement();
}

void handleTo(Interpreter& in) {
    in.expectToken(kTo);
    if (!defineProcedure(in)) {
        in.reportSyntaxError("reserved tokens not found", ErrorDetail::unclosedBody(kEnd));
        in.abandonLine();
    }
}

void handleGo(Interpreter& in) { in.callProcedure(); }

void handleOutput(Interpreter& in) {
    in.expectToken(kOutput);
    in.outputValue = in.getstrorvalue();
}

}  // namespace cubalorn
