// Control flow and console output: REPEAT, IF, FOR, JUMP, PRINT, CALC,
// RANDOMIZE, comments, labels and stray quoted words.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "interp/number_text.h"
#include "voxel/world.h"

namespace cubalorn {

void handleRepeat(Interpreter& in) {
    in.expectToken(kRepeat);
    const int count = in.integerArgument();
    in.expectToken(kOpenBracket);
    const size_t bodyStart = in.position();
    if (count > 0) {
        for (int i = 0; i < count; ++i) {
            in.countStep();  // an empty body must not make an endless loop free
            in.setPosition(bodyStart);
            in.runBody(kCloseBracket);
        }
    } else {
        in.skipBracketedBody();  // a count of 0 or less runs nothing of the body
    }
    in.expectToken(kCloseBracket);
}

namespace {

// Skips a false IF's body up to and past its ENDIF; IFs inside it bring
// their own ENDIFs.
void skipToMatchingEndif(Interpreter& in) {
    int depth = 1;
    int endifs = 0;
    do {
        for (;;) {
            const TokenCode code = in.peekToken();
            if (code == kEndif) break;
            if (code == kEndOfText) {
                in.reportSyntaxError("reserved tokens not found",
                                     ErrorDetail::unclosedBody(kEndif));
                in.abandonLine();
            }
            in.nextToken();
            if (code == kIf) ++depth;
        }
        in.nextToken();
        ++endifs;
    } while (depth > endifs);
}

}  // namespace

void handleIf(Interpreter& in) {
    in.expectToken(kIf);
    const float left = in.numberorvalue();
    bool holds;
    switch (in.peekToken()) {
        case kLess:
            in.nextToken();
            holds = left < in.numberorvalue();
            break;
        case kGreater:
            in.nextToken();
            holds = left > in.numberorvalue();
            break;
        case kEquals:
            in.nextToken();
            holds = left == in.numberorvalue();
            break;
        default:
            return;  // no comparison: the next token runs as the next statement
    }
    if (holds) {
        in.runBody(kEndif);
        in.nextToken();  // ENDIF
    } else {
        skipToMatchingEndif(in);
    }
}

void handleFor(Interpreter& in) {
    in.expectToken(kFor);
    in.expectToken(kQuoted);
    const std::string name = in.tokenText();
    const int from = in.integerArgument();
    const int to = in.integerArgument();
    const int step = in.integerArgument();
    in.expectToken(kOpenBracket);
    const size_t bodyStart = in.position();
    if (from <= to && step <= 0) {
        // It would never reach its end value.
        in.reportError("FOR: the step must be 1 or more");
        in.skipBracketedBody();
    } else if (from > to) {
        in.skipBracketedBody();
    } else {
        for (int64_t i = from; i < int64_t{to} + 1; i += step) {
            in.countStep();
            in.vec_setvar(name, static_cast<float>(i));
            in.setPosition(bodyStart);
            while (in.peekToken() != kCloseBracket) in.executeStatement();
        }
    }
    in.expectToken(kCloseBracket);
}

void handleJump(Interpreter& in) {
    in.expectToken(kJump);
    in.expectToken(kQuoted);
    if (const LabelEntry* label = in.labels().find(in.tokenText(), in.program().get()))
        in.setPosition(label->position);
    else
        in.reportSyntaxError("JUMP: no label found",
                             ErrorDetail::about(ErrorDetail::Kind::UnknownLabel, in.tokenText()));
}

namespace {

// A variable's text with its "%f" tail of zeros cut: 5.000000 reads 5.
std::string withoutZeroDecimals(std::string text) {
    const size_t cut = text.find(".000000");
    if (cut != std::string::npos) text.erase(cut);
    return text;
}

// Texts print as C strings do: a zero byte ends them.
void printText(Interpreter& in, const std::string& text) {
    in.out().write(std::string_view(text.c_str()));
}

bool startsPrintItem(TokenCode code) {
    return code == kNumber || code == kItem || code == kVariable || code == kQuoted;
}

}  // namespace

void handlePrint(Interpreter& in) {
    in.expectToken(kPrint);
    TokenCode code = in.peekToken();
    while (startsPrintItem(code) || code == kComma) {
        if (code == kComma) {
            in.nextToken();
            code = in.peekToken();
        }
        if (code == kNumber || code == kItem) {
            const float value = in.numberorvalue();
            if (value == std::floor(value))
                in.out().print("%.0f", static_cast<double>(value));
            else
                in.out().print("%.3f", static_cast<double>(value));
        } else if (code == kVariable) {
            in.nextToken();
            printText(in, withoutZeroDecimals(in.vec_getvarstring(in.tokenText())));
        } else if (code == kQuoted) {
            in.nextToken();
            printText(in, in.tokenText());
        } else {
            in.reportSyntaxError("PRINT: wrong parameter", ErrorDetail::at(Culprit::NextToken));
        }
        code = in.peekToken();
    }
    in.out().write("\n");
}

void handleCalc(Interpreter& in) {
    in.expectToken(kCalc);
    in.expectToken(kQuoted);
    const std::string target = in.tokenText();
    if (in.peekToken() == kEquals) {
        in.nextToken();
        in.assignFromReporter(target);
    }
}

void handleRandomize(Interpreter& in) {
    in.expectToken(kRandomize);
    const int seed = in.integerArgument();
    if (seed == 0)
        in.world().random.seedFromTime();
    else if (seed < 0)
        in.reportSyntaxError("RANDOM: wrong integernumber",
                             ErrorDetail::hinted("RANDOMIZE takes 0 (a seed from the clock) or a "
                                                 "positive seed"));
    else
        in.world().random.seed(static_cast<uint32_t>(seed));
}

void handleComment(Interpreter& in) { in.nextToken(); }

// Labels were registered by the pre-scan; running over one does nothing.
void handleLabel(Interpreter& in) { in.nextToken(); }

void handleQuotedWord(Interpreter& in) { in.nextToken(); }

void handleRefreshallInBody(Interpreter& in) {
    in.expectToken(kRefreshall);
    in.reportError("REFRESHALL not allowed inside other commands. \n",
                   ErrorDetail::hinted("REFRESHALL works only outside brackets and procedures",
                                       Culprit::LastToken));
}

}  // namespace cubalorn
