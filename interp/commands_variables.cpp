// MAKE, POP and SETITEM.

#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"

namespace cubalorn {

namespace {

// A list made by one MAKE stays below this many elements, so that a mistyped
// size cannot exhaust the memory.
constexpr float kLongestList = 1000000.0f;

void makeList(Interpreter& in, const std::string& name) {
    in.nextToken();  // LBRACE
    const float count = in.numberorvalue();
    if (count > kLongestList) {
        in.reportError("MAKE: a list holds at most 1000000 elements");
    } else {
        for (int i = 0; static_cast<float>(i) < count; ++i) {
            in.countStep();  // each element is one pass of the making loop
            in.lists().add(name + std::to_string(i));
        }
    }
    in.expectToken(kRbrace);
}

}  // namespace

void handleMake(Interpreter& in) {
    in.expectToken(kMake);
    in.expectToken(kQuoted);
    std::string name = in.tokenText();
    switch (in.peekToken()) {
        case kNumber:
            in.nextToken();
            in.makeVariable(std::move(name), in.tokenText());
            return;
        case kMinus:
            in.nextToken();
            in.expectToken(kNumber);
            in.makeVariable(std::move(name), "-" + in.tokenText());
            return;
        case kLbrace:
            makeList(in, name);
            return;
        case kVariable: {
            in.nextToken();
            std::string value = in.vec_getvarstring(in.tokenText());
            in.makeVariable(std::move(name), std::move(value));
            return;
        }
        case kQuoted:
            in.nextToken();
            in.makeVariable(std::move(name), in.tokenText());
            return;
        default:
            in.reportSyntaxError(
                "MAKE: wrong parameter",
                ErrorDetail::hinted("MAKE \"name takes a number, a quoted word, a :variable or "
                                    "{size} for a list",
                                    Culprit::NextToken));
            return;
    }
}

void handlePop(Interpreter& in) {
    in.expectToken(kPop);
    in.variables().pop();
}

void handleSetitem(Interpreter& in) {
    in.expectToken(kSetitem);
    const int index = in.integerArgument();
    in.expectToken(kQuoted);
    const std::string listName = in.tokenText();
    const std::string value = in.getstrorvalue();
    in.vec_setitem(listName, index, value);
}

}  // namespace cubalorn
