// Argument readers, the arithmetic expression parser and the reporters that
// assignments run.

#include <cmath>
#include <cstdio>
#include <string>

#include "interp/commands.h"
#include "interp/function_table.h"
#include "interp/interpreter.h"
#include "interp/number_text.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

// Why an expression cannot hold the token it met.
const char* expressionHint(TokenCode code) {
    switch (code) {
        case kMinus:
            return "an expression cannot start with -: write 0 - 5";
        case kQuoted:
            return "a text is not a number; inside brackets, CALC stores a text";
        default:
            return "";
    }
}

}  // namespace

float Interpreter::numberorvalue() {
    switch (peekToken()) {
        case kNumber:
            nextToken();
            return static_cast<float>(atofText(tokenView()));
        case kMinus:
            nextToken();
            expectToken(kNumber);
            return -static_cast<float>(atofText(tokenView()));
        case kVariable: {
            nextToken();
            if (const VariableEntry* entry = variables_.findNewest(tokenView()))
                return entry->numericValue();
            return textToNumber(vec_getvarstring(tokenText()));
        }
        case kQuoted:
            nextToken();
            return sumOfCharacterCodes(tokenText());
        case kItem:
            nextToken();
            return static_cast<float>(atofText(vec_getitem()));
        default:
            reportSyntaxError(
                "numberorvalue: expected number or variablevalue",
                ErrorDetail::at(Culprit::NextToken, ErrorDetail::Kind::MissingArgument));
            return 0.0f;
    }
}

int Interpreter::integerArgument() { return truncateToInt(numberorvalue()); }

std::string Interpreter::getstrorvalue() {
    switch (peekToken()) {
        case kQuoted:
        case kNumber:
            nextToken();
            return tokenText();
        case kVariable:
            nextToken();
            return vec_getvarstring(tokenText());
        case kItem:
            nextToken();
            return vec_getitem();
        default:
            reportSyntaxError(
                "getstrorvalue: expected number or variablevalue",
                ErrorDetail::at(Culprit::NextToken, ErrorDetail::Kind::MissingArgument));
            return "";
    }
}

// Both operator levels recurse to the right: 10 - 2 - 3 is 10 - (2 - 3).
float Interpreter::evaluateExpression() {
    NestingLevel level(*this);
    const float left = evaluateTerm();
    switch (peekToken()) {
        case kPlus:
            nextToken();
            return left + evaluateExpression();
        case kMinus:
            nextToken();
            return left - evaluateExpression();
        default:
            return left;
    }
}

float Interpreter::evaluateTerm() {
    NestingLevel level(*this);
    const float left = evaluateFactor();
    switch (peekToken()) {
        case kTimes:
            nextToken();
            return left * evaluateTerm();
        case kDivide:
            nextToken();
            return left / evaluateTerm();
        default:
            return left;
    }
}

float Interpreter::evaluateFactor() {
    const TokenCode code = peekToken();
    switch (code) {
        case kEndOfText:
            return 0.0f;
        case kNumber:
        case kVariable:
            return numberorvalue();
        case kOpenParen: {
            nextToken();
            const float value = evaluateExpression();
            expectToken(kCloseParen);
            return value;
        }
        case kCloseParen:
            nextToken();
            return 0.0f;
        case kRandom:
        case kMousepositionx:
        case kMousepositiony:
        case kGetvoxel:
        case kDsget:
        case kItem:
            return evaluateFunction();
        default:
            if (findMathFunction(code)) return evaluateFunction();
            reportSyntaxError("math expr parser: not expected token found",
                              ErrorDetail::hinted(expressionHint(code), Culprit::NextToken));
            return 0.0f;
    }
}

float Interpreter::evaluateFunction() {
    const TokenCode code = nextToken();
    switch (code) {
        case kRandom: {
            // A negative count gives 0 to |count| - 1, as C's % does.
            const int count = integerArgument();
            if (count == 0) {
                reportSyntaxError("RANDOM: wrong integernumber",
                                  ErrorDetail::hinted("RANDOM n gives a whole number from 0 to "
                                                      "n - 1, so n cannot be 0"));
                return 0.0f;
            }
            return static_cast<float>(world_.random.next() % count);
        }
        case kMousepositionx:
            return static_cast<float>(host_.mouseX());
        case kMousepositiony:
            return static_cast<float>(host_.mouseY());
        case kGetvoxel:
            return evaluateGetvoxel(*this);
        case kDsget:
            return evaluateDsget(*this);
        case kItem:
            return static_cast<float>(atofText(vec_getitem()));
        default:
            break;
    }
    const MathFunction* function = findMathFunction(code);
    if (!function) return 0.0f;  // evaluateFactor only sends functions here
    const float first = numberorvalue();
    const float second = function->argumentCount == 2 ? numberorvalue() : 0.0f;
    return function->apply(first, second);
}

void Interpreter::assignFromReporter(const std::string& target) {
    switch (peekToken()) {
        case kIskeydown:
            reportIskeydown(*this, target);
            return;
        case kMouseleftbuttondown:
            reportMouseleftbuttondown(*this, target);
            return;
        case kFirst: {
            nextToken();
            const std::string text = getstrorvalue();
            vec_setvarstring(target, text.substr(0, 1));
            return;
        }
        case kLast: {
            nextToken();
            const std::string text = getstrorvalue();
            if (text.empty()) {
                reportError("LAST: the text is empty");
                vec_setvarstring(target, "");
                return;
            }
            vec_setvarstring(target, text.substr(text.size() - 1));
            return;
        }
        case kIndex: {
            nextToken();
            const std::string text = getstrorvalue();
            const int index = integerArgument();
            if (index < 0 || static_cast<size_t>(index) >= text.size()) {
                reportError("INDEX: index outside the text");
                vec_setvarstring(target, "");
                return;
            }
            vec_setvarstring(target, text.substr(static_cast<size_t>(index), 1));
            return;
        }
        case kAppend: {
            nextToken();
            const std::string tail = getstrorvalue();
            vec_setvarstring(target, vec_getvarstring(target) + tail);
            return;
        }
        case kReadlist: {
            nextToken();
            std::string line;
            out_.flush();
            host_.readConsoleLine(line);
            vec_setvarstring(target, line);
            return;
        }
        case kReadcharfile:
            nextToken();
            reportReadcharfile(*this, target);
            return;
        case kQuoted:
            nextToken();
            vec_setvarstring(target, tokenText());
            return;
        case kGo: {
            // The callee's OUTPUT must not replace the caller's own output.
            std::string callerOutput = std::move(outputValue);
            outputValue.clear();
            callProcedure();
            if (!outputValue.empty())
                vec_setvarstring(target, outputValue);
            else
                reportSyntaxError("procedurecall without an output in procedure\n");
            if (inProcedure) outputValue = std::move(callerOutput);
            return;
        }
        default:
            reportSyntaxError(
                "in calc: no token found",
                ErrorDetail::hinted("a reporter was expected here: a quoted word, FIRST, LAST, "
                                    "INDEX, APPEND, READLIST, READCHARFILE, GO, ISKEYDOWN or "
                                    "MOUSELEFTBUTTONDOWN",
                                    Culprit::NextToken));
            return;
    }
}

}  // namespace cubalorn
