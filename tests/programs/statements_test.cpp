// Console lines in, exact console text out: statements, expressions,
// variables and the messages of each.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace cubalorn::testing {
namespace {

struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ConsoleLines : public ::testing::TestWithParam<Case> {};

TEST_P(ConsoleLines, PrintExactly) {
    const Case& c = GetParam();
    EXPECT_EQ(runConsole(c.lines), c.expected);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

const Case kPrintCases[] = {
    {"WholeNumber", {"print 7"}, "7\n"},
    {"FractionWithThreeDecimals", {"print 2.5"}, "2.500\n"},
    {"FractionRounded", {"print 0.1"}, "0.100\n"},
    {"PointZeroIsWhole", {"print 3.0"}, "3\n"},
    {"AssignedWholeNumberLosesZeros", {"make \"x 5", "\"x = :x + 0", "print :x"}, "5\n"},
    {"AssignedFractionKeepsItsText", {"make \"h 2.5", "\"h = :h * 1", "print :h"}, "2.500000\n"},
    {"MadeNumberPrintsAsWritten", {"make \"h 2.50", "print :h"}, "2.50\n"},
    {"ItemsWithoutSeparator", {"make \"w \"hello", "print :w , \"there 3"}, "hellothere3\n"},
    {"NothingToPrint", {"print"}, "\n"},
    {"WrongItemAfterComma",
     {"print 1 , ]"},
     "1ERROR - syntax error - PRINT: wrong parameter, token 1\n\n"
     "ERROR - syntax error - token not found , token 1\n"},
    {"QuotedList", {"print \"[a b c]"}, "a b c\n"},
    {"TextsEndAtAZeroByte",
     {std::string("make \"w \"x\0y", 12), std::string("print \"a\0b , :w", 15)},
     "ax\n"},
};
INSTANTIATE_TEST_SUITE_P(Print, ConsoleLines, ::testing::ValuesIn(kPrintCases), caseName);

// Assigns the expression to r and prints r.
Case arithmetic(const char* name, const std::string& expression, const std::string& printed) {
    return {name, {"make \"r 0", "\"r = " + expression, "print :r"}, printed + "\n"};
}

const Case kArithmeticCases[] = {
    arithmetic("MinusGroupsFromTheRight", "10 - 2 - 3", "11"),
    arithmetic("ParenthesesGroupFirst", "(10 - 2) - 3", "5"),
    arithmetic("DivideGroupsFromTheRight", "8 / 4 / 2", "4"),
    arithmetic("MinusThenPlus", "10 - 2 + 3", "5"),
    arithmetic("TimesBeforePlus", "2 + 3 * 4", "14"),
    arithmetic("ParenthesesTimes", "(2 + 3) * 4", "20"),
    arithmetic("PowTakesTheBaseSecond", "pow 2 3", "9"),
    arithmetic("AtantwoZero", "atantwo 1 0", "0"),
    arithmetic("AtantwoQuarterTurn", "atantwo 0 1", "1.570796"),
    arithmetic("SineOfRadians", "sin 90", "0.893997"),
    arithmetic("Neg", "neg 4", "-4"),
    arithmetic("AbsOfNegativeArgument", "abs - 3", "3"),
    arithmetic("Sqrt", "sqrt 16", "4"),
    arithmetic("LogOfOne", "log 1", "0"),
    arithmetic("FunctionArgumentsAreNotExpressions", "sqrt 16 + 9", "13"),
    arithmetic("DivisionByZero", "1 / 0", "inf"),
    arithmetic("FloatRounding", "0.1 + 0.2", "0.300000"),
    arithmetic("SingleClosingParenthesisIsZero", ") + 4", "4"),
    arithmetic("ExpressionEndsAtFirstNonOperator", "2 + 3 print \"next", "next\n5"),
    {"LeadingMinusReportsThenSubtracts",
     {"make \"r 0", "\"r = - 5", "print :r"},
     "ERROR - syntax error - math expr parser: not expected token found, token r\n-5\n"},
    {"WordCountsAsSumOfCodes",
     {"make \"w \"abc", "make \"r 0", "\"r = :w + 0", "print :r"},
     "294\n"},
    {"DigitsThenLettersReadAsNumber",
     {"make \"w \"12abc", "make \"r 0", "\"r = :w + 0", "print :r"},
     "12\n"},
    {"EmptyTextIsZero", {"make \"w \"", "make \"r 1", "\"r = :w + 0", "print :r"}, "0\n"},
    {"QuotedWordArgumentIsSumOfCodes", {"make \"r 0", "\"r = abs \"ab", "print :r"}, "195\n"},
    {"RandomOfZeroIsZeroWithMessage",
     {"make \"r 5", "\"r = random 0", "print :r"},
     "ERROR - syntax error - RANDOM: wrong integernumber, token 0\n0\n"},
    {"RandomOfMinusOneIsZeroWithoutMessage", {"make \"r 5", "\"r = random - 1", "print :r"}, "0\n"},
    {"NumberExpectedButBracketFound",
     {"make \"r 1", "\"r = abs ]", "print :r"},
     "ERROR - syntax error - numberorvalue: expected number or variablevalue, token abs\n"
     "ERROR - syntax error - token not found , token abs\n0\n"},
    {"AssignmentToUnknownVariable",
     {"\"nope = 3"},
     "ERROR - vec_setvar: no variable found to set value, token 3\n"},
};
INSTANTIATE_TEST_SUITE_P(Arithmetic, ConsoleLines, ::testing::ValuesIn(kArithmeticCases),
                         caseName);

const Case kVariableCases[] = {
    {"MakeThenPrint", {"make \"x 5", "print :x"}, "5\n"},
    {"AssignmentStoresFloatText", {"make \"x 5", "\"x = :x + 1", "print \"[ ] :x"}, " 6\n"},
    {"NewerMakeShadowsAndPopUncovers",
     {"make \"x 1", "make \"x 2", "print :x", "pop", "print :x", "pop", "print :x"},
     "2\n1\nERROR - vec_getvarstring: no variable found to get value, token x\n0\n"},
    {"MakeWithMinus", {"make \"m - 3", "print :m"}, "-3\n"},
    {"MakeFromVariable", {"make \"a \"word", "make \"b :a", "print :b"}, "word\n"},
    {"MakeFromQuotedList", {"make \"a \"[forward 10]", "print :a"}, "forward 10\n"},
    {"MakeWrongParameter",
     {"make \"a ("},
     "ERROR - syntax error - MAKE: wrong parameter, token a\n"
     "ERROR - syntax error - token not found , token a\n"},
    {"NamesAreCaseSensitive",
     {"make \"A 1", "print :a"},
     "ERROR - vec_getvarstring: no variable found to get value, token a\n0\n"},
    {"ListElementsStartEmpty",
     {"make \"s \"x", "make \"pts { 4 }", "\"s = append item 3 \"pts", "print :s"},
     "x\n"},
    {"SetitemThenItem",
     {"make \"pts { 4 }", "setitem 2 \"pts \"hello", "make \"s \"", "\"s = append item 2 \"pts",
      "print :s"},
     "hello\n"},
    {"ItemReadsAsNumberInPrint",
     {"make \"pts { 2 }", "setitem 1 \"pts 42", "print item 1 \"pts"},
     "42\n"},
    {"ItemPastTheEnd",
     {"make \"pts { 4 }", "print item 4 \"pts"},
     "ERROR - vec_getitem: no variable found to get value, token pts\n0\n"},
    {"SetitemPastTheEnd",
     {"make \"pts { 2 }", "setitem 9 \"pts 1"},
     "ERROR - vec_setitem array: no item found to set value, token 1\n"},
    {"RemadeListIsEmptyAgain",
     {"make \"l { 1 }", "setitem 0 \"l \"old", "make \"l { 1 }", "make \"s \"<",
      "\"s = append item 0 \"l", "print :s"},
     "<\n"},
    {"HugeListRefused",
     {"make \"big { 99999999 }", "print item 0 \"big"},
     "ERROR - MAKE: a list holds at most 1000000 elements, token 99999999\n"
     "ERROR - vec_getitem: no variable found to get value, token big\n0\n"},
};
INSTANTIATE_TEST_SUITE_P(Variables, ConsoleLines, ::testing::ValuesIn(kVariableCases), caseName);

const Case kReporterCases[] = {
    {"First", {"make \"s \"", "\"s = first \"hello", "print :s"}, "h\n"},
    {"Last", {"make \"s \"", "\"s = last \"hello", "print :s"}, "o\n"},
    {"Index", {"make \"s \"", "\"s = index \"hello 1", "print :s"}, "e\n"},
    {"IndexTruncates", {"make \"s \"", "\"s = index \"hello 3.9", "print :s"}, "l\n"},
    {"IndexAtLength",
     {"make \"s \"x", "\"s = index \"hello 5", "print :s"},
     "ERROR - INDEX: index outside the text, token 5\n\n"},
    {"IndexNegative",
     {"make \"s \"x", "\"s = index \"hello - 1", "print :s"},
     "ERROR - INDEX: index outside the text, token 1\n\n"},
    {"LastOfEmptyText",
     {"make \"s \"x", "\"s = last \"", "print :s"},
     "ERROR - LAST: the text is empty, token \n\n"},
    {"FirstOfVariable", {"make \"w \"abc", "make \"s \"", "\"s = first :w", "print :s"}, "a\n"},
    {"Append", {"make \"s \"ab", "\"s = append \"cd", "\"s = append 5", "print :s"}, "abcd5\n"},
    {"QuotedWordAtTopLevel", {"make \"s \"0", "\"s = \"word", "print :s"}, "word\n"},
    {"QuotedWordInBodyIsAnExpression",
     {"make \"s \"0", "repeat 1 [ \"s = \"word ]", "print :s"},
     "ERROR - syntax error - math expr parser: not expected token found, token word\n0\n"},
    {"CalcRunsReportersInBodies",
     {"make \"s \"0", "repeat 1 [ calc \"s = \"word ]", "print :s"},
     "word\n"},
    {"CalcWithoutEqualsReadsNothingMore", {"make \"s \"0", "calc \"s print :s"}, "0\n"},
    {"CalcOfNumberIsNoReporter",
     {"make \"s \"0", "calc \"s = 5"},
     "ERROR - syntax error - in calc: no token found, token 5\n"
     "ERROR - syntax error - token not found , token 5\n"},
    {"ReporterIntoUnknownVariable",
     {"\"nope = first \"abc"},
     "ERROR - vec_setvarstring: no variable found to set value, token abc\n"},
};
INSTANTIATE_TEST_SUITE_P(Reporters, ConsoleLines, ::testing::ValuesIn(kReporterCases), caseName);

const Case kControlCases[] = {
    {"RepeatRunsBody", {"repeat 3 [ print \"a ]"}, "a\na\na\n"},
    {"RepeatThenMore", {"repeat 2 [ print \"a ] print \"b"}, "a\na\nb\n"},
    {"NestedRepeat", {"repeat 2 [ repeat 2 [ print \"x ] print \"y ]"}, "x\nx\ny\nx\nx\ny\n"},
    {"RepeatCountTruncates", {"repeat 2.9 [ print \"a ]"}, "a\na\n"},
    {"RepeatZeroSkipsBody", {"repeat 0 [ print \"a repeat 2 [ print \"c ] ] print \"b"}, "b\n"},
    {"RepeatNegativeSkipsBody", {"repeat - 2 [ print \"a ] print \"b"}, "b\n"},
    {"RepeatEmptyBody", {"repeat 3 [ ] print \"b"}, "b\n"},
    {"RepeatCountFromVariable", {"make \"n 2", "repeat :n [ print \"a ]"}, "a\na\n"},
    {"RepeatMissingBracketEndsLineOnce",
     {"repeat 3 [ print \"a"},
     "a\nERROR - syntax error - reserved tokens not found, token a\n"},
    {"RepeatOpenAtEnd",
     {"repeat 1000000 [", "print \"next"},
     "ERROR - syntax error - reserved tokens not found, token 1000000\nnext\n"},
    {"ForCountsInclusive",
     {"make \"i 0", "for \"i 1 3 1 [ print :i ]", "print :i"},
     "1\n2\n3\n3\n"},
    {"ForLeavesFloatText", {"make \"i 0", "for \"i 1 3 1 [ ]", "print \"[ ] :i"}, " 3\n"},
    {"ForWithStep", {"make \"i 0", "for \"i 1 6 2 [ print :i ]"}, "1\n3\n5\n"},
    {"ForEmptyRangeSkipsBody", {"make \"i 0", "for \"i 5 1 1 [ print :i ] print \"done"}, "done\n"},
    {"ForStepZeroRefused",
     {"make \"i 0", "for \"i 1 3 0 [ print :i ] print \"done"},
     "ERROR - FOR: the step must be 1 or more, token 0\ndone\n"},
    {"ForNeedsItsVariable",
     {"for \"k 1 2 1 [ print \"a ]"},
     "ERROR - vec_setvar: no variable found to set value, token 1\na\n"
     "ERROR - vec_setvar: no variable found to set value, token a\na\n"},
    {"IfLess", {"if 1 < 2 print \"yes endif"}, "yes\n"},
    {"IfGreater", {"if 3 > 2 print \"yes endif"}, "yes\n"},
    {"IfEqual", {"if 3 = 3 print \"yes endif"}, "yes\n"},
    {"IfFalseSkips", {"if 2 < 1 print \"no endif print \"after"}, "after\n"},
    {"NestedIfSkippedWithItsEndif",
     {"if 1 > 2 if 1 < 2 print \"inner endif print \"outer endif print \"end"},
     "end\n"},
    {"NestedIfInTrueBranch",
     {"if 1 < 2 if 2 < 1 print \"no endif print \"yes endif print \"end"},
     "yes\nend\n"},
    {"IfWithoutOperatorRunsOn", {"if 1 print \"x"}, "x\n"},
    {"IfComparesWordsBySum", {"if \"abc = 294 print \"same endif"}, "same\n"},
    {"IfEmptyBody", {"if 1 < 2 endif print \"b"}, "b\n"},
    {"IfMissingEndifTrue",
     {"if 1 < 2 print \"a"},
     "a\nERROR - syntax error - reserved tokens not found, token a\n"},
    {"IfMissingEndifFalse",
     {"if 2 < 1 print \"a"},
     "ERROR - syntax error - reserved tokens not found, token a\n"},
    {"RefreshallEndsConsoleLine", {"print \"a refreshall print \"b"}, "a\n"},
    {"RefreshallInsideBody",
     {"repeat 2 [ refreshall ] print \"b"},
     "ERROR - REFRESHALL not allowed inside other commands. \n, token refreshall\n"
     "ERROR - REFRESHALL not allowed inside other commands. \n, token refreshall\nb\n"},
    {"JumpWithoutLabel", {"jump \"x"}, "ERROR - syntax error - JUMP: no label found, token x\n"},
    {"LabelsOfConsoleLinesAreNotKnown",
     {"#here print \"a jump \"here"},
     "a\nERROR - syntax error - JUMP: no label found, token here\n"},
    {"Comment", {"print \"a ; print \"b"}, "a\n"},
    {"CommentInsideBody", {"repeat 2 [ ; note\n print \"a ]"}, "a\na\n"},
    {"StrayNumberEndsTopLevel",
     {"5 print \"a"},
     "ERROR - syntax error - token not found , token 5\n"},
    {"StrayTokenInBody",
     {"repeat 1 [ 5 print \"a ]"},
     "ERROR - syntax error - reserved tokens not found, token 5\na\n"},
    {"LoneQuotedWordIgnored", {"\"word print \"a"}, "a\n"},
    {"RandomizeNegative",
     {"randomize - 1"},
     "ERROR - syntax error - RANDOM: wrong integernumber, token 1\n"},
    {"InitvolumesizeSkippedAtTopLevel", {"initvolumesize 1 2 3 print \"a"}, "a\n"},
    {"InitvolumesizeRefusedInBody",
     {"repeat 1 [ initvolumesize ] print \"a"},
     "ERROR - syntax error - reserved tokens not found, token initvolumesize\na\n"},
    {"KeywordsIgnoreCase", {"PrInT \"a"}, "a\n"},
    {"WordDirectlyFollowedByNumber", {"print7"}, "7\n"},
    {"UnknownWordIsSkippedWithScanErrors",
     {"foo print \"a"},
     "ERROR - scan error -  , token foo\nERROR - scan error -  , token foo\n"
     "ERROR - scan error -  , token foo\nERROR - scan error -  , token foo\n"
     "ERROR - scan error -  , token foo\na\n"},
    {"StatementsAfterErrorsGoOn",
     {"make \"a (", "print \"still"},
     "ERROR - syntax error - MAKE: wrong parameter, token a\n"
     "ERROR - syntax error - token not found , token a\nstill\n"},
};
INSTANTIATE_TEST_SUITE_P(Control, ConsoleLines, ::testing::ValuesIn(kControlCases), caseName);

TEST(Random, StaysInRangeAndRepeatsWithItsSeed) {
    auto draws = [](const std::string& seed) {
        ProgramRun run;
        run.console({"randomize " + seed, "make \"r 0", "make \"n 0"});
        std::string all;
        for (int i = 0; i < 200; ++i) {
            run.out.clear();
            run.console({"\"r = random 6", "print :r"});
            all += run.out.text();
        }
        return all;
    };
    const std::string first = draws("7");
    EXPECT_EQ(first, draws("7"));
    EXPECT_NE(first, draws("8"));
    for (char digit = '0'; digit <= '9'; ++digit) {
        const bool inRange = digit <= '5';
        EXPECT_EQ(first.find(std::string(1, digit) + "\n") != std::string::npos, inRange)
            << "digit " << digit;
    }
}

TEST(Flags, RunLineReportsHowTheLineEnded) {
    ProgramRun run;
    Interpreter& in = run.interpreter;
    in.assignProgram("print \"a");
    in.lineFinished = true;
    in.runLine();
    EXPECT_EQ(run.out.text(), "") << "a finished line is not run again";

    in.lineFinished = false;
    in.runLine();
    EXPECT_EQ(run.out.text(), "a\n");
    EXPECT_TRUE(in.lineFinished);
    EXPECT_FALSE(in.resumePending);
    run.out.clear();

    in.assignProgram("print \"b refreshall print \"c");
    in.lineFinished = false;
    in.runLine();
    EXPECT_TRUE(in.lineFinished);
    EXPECT_TRUE(in.resumePending);
    EXPECT_EQ(run.out.text(), "b\n");
    in.lineFinished = false;
    in.runLine();
    EXPECT_FALSE(in.resumePending);
    EXPECT_EQ(run.out.text(), "b\nc\n");
}

TEST(Repeat, LeavesThePositionAfterTheClosingBracket) {
    ProgramRun run;
    Interpreter& in = run.interpreter;
    const std::string line = "repeat 4 [ print \"x ] print \"after";
    in.assignProgram(line);
    in.executeStatement();
    EXPECT_EQ(in.position(), line.find(']') + 1);
}

}  // namespace
}  // namespace cubalorn::testing
