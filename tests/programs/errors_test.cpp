// Error places and hints on the diagnostics channel: the exact text after
// each kind of mistake, with the console text beside it unchanged; each
// place told once per run; RANDOM of a negative number; --strict and
// --no-hints of the headless runner.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "harness.h"

namespace cubalorn::testing {
namespace {

struct ErrorCase {
    const char* name;
    std::string file;                // a program file of this name, else console lines
    std::vector<std::string> lines;  // the file's lines, or the console lines
    std::string out;                 // the console text, as it has always been
    std::string diagnostics;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

std::string times(int n, const std::string& line) {
    std::string text;
    for (int i = 0; i < n; ++i) text += line;
    return text;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Lines of the console text that are ERROR lines.
uint64_t errorLines(const std::string& out) {
    uint64_t count = 0;
    for (size_t at = 0; at < out.size(); at = out.find('\n', at) + 1) {
        if (out.compare(at, 8, "ERROR - ") == 0) ++count;
        if (out.find('\n', at) == std::string::npos) break;
    }
    return count;
}

std::string runCase(const ErrorCase& c, ProgramRun& run) {
    if (c.file.empty()) return run.console(c.lines);
    run.fileName = c.file;
    return run.programFile(joined(c.lines));
}

class ErrorPlaces : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorPlaces, AreToldOnTheDiagnosticsChannel) {
    const ErrorCase& c = GetParam();
    ProgramRun run;
    EXPECT_EQ(runCase(c, run), c.out);
    EXPECT_EQ(run.out.diagnostics(), c.diagnostics);
    // --strict relies on the count.
    EXPECT_EQ(run.interpreter.errorReport().errorsPrinted(), errorLines(c.out));
}

TEST_P(ErrorPlaces, SwitchedOffTellNothingAndChangeNothing) {
    const ErrorCase& c = GetParam();
    ProgramRun run;
    run.interpreter.errorReport().setEnabled(false);
    EXPECT_EQ(runCase(c, run), c.out);
    EXPECT_EQ(run.out.diagnostics(), "");
    EXPECT_EQ(run.interpreter.errorReport().errorsPrinted(), errorLines(c.out));
}

const ErrorCase kCases[] = {
    // Every re-reading of the unknown word prints its scan error again: one
    // place, told once, counted at the end.
    {"TypoNearAKeywordStopsTheFile",
     "square.logo",
     {"repeat 4 [ forward 10 left 90 ]", "fowrard 10", "right 90"},
     times(5, "ERROR - scan error -  , token fowrard\n") +
         "ERROR - syntax error - token not found , token 10\n",
     "  at square.logo:2:1\n"
     "    fowrard 10\n"
     "    ^~~~~~~\n"
     "  hint: did you mean FORWARD?\n"
     "  at square.logo:2:9\n"
     "    fowrard 10\n"
     "            ^~\n"
     "  hint: no statement starts with this, so nothing after it was run\n"
     "  at square.logo:2:1: 5 times in all: scan error -  \n"},
    {"MissingArgumentNamesTheCommandOnTheLineBefore",
     "shapes.logo",
     {"goto 10 20", "print \"x"},
     "ERROR - syntax error - numberorvalue: expected number or variablevalue, token print\nx\n",
     "  at shapes.logo:2:1\n"
     "    print \"x\n"
     "    ^~~~~\n"
     "  hint: GOTO at line 1, column 1 needs an argument here\n"},
    {"MissingBracketNamesTheOpeningOne",
     "shapes.logo",
     {"repeat 4 [ forward 5", "left 90"},
     "ERROR - syntax error - reserved tokens not found, token 90\n",
     "  at shapes.logo:2:8\n"
     "    left 90\n"
     "           ^\n"
     "  hint: the [ at line 1, column 10 has no ]\n"},
    {"MissingEndifNamesTheIf",
     "shapes.logo",
     {"make \"a 1", "if :a < 2", "print \"small"},
     "small\nERROR - syntax error - reserved tokens not found, token small\n",
     "  at shapes.logo:3:13\n"
     "    print \"small\n"
     "                ^\n"
     "  hint: the IF at line 2, column 1 has no ENDIF\n"},
    {"BracketGluedToANameIsPointedAt",
     "",
     {"make \"x 1", "repeat 2 [ print :x]"},
     "ERROR - vec_getvarstring: no variable found to get value, token x]\n0\n"
     "ERROR - syntax error - reserved tokens not found, token x]\n",
     "  at line 2, column 18\n"
     "    repeat 2 [ print :x]\n"
     "                     ^~~\n"
     "  hint: there is no variable named x]: a name takes every character up to a blank, so "
     "put one before the ]\n"
     "  at line 2, column 21\n"
     "    repeat 2 [ print :x]\n"
     "                        ^\n"
     "  hint: the [ at column 10 has no ]\n"
     "  hint: :x] at column 18 reads as one name, ] included: put a blank before the ]\n"},
    {"TopLevelStopBlamesTheTokenNotTheWordAfter",
     "shapes.logo",
     {"print \"a", ")", "print \"b"},
     "a\nERROR - syntax error - token not found , token print\n",
     "  at shapes.logo:2:1\n"
     "    )\n"
     "    ^\n"
     "  hint: no statement starts with this, so nothing after it was run\n"},
    {"ExpectedTokenIsNamed",
     "",
     {"repeat 1 forward 5 ]"},
     "ERROR - syntax error - token not found , token forward\n"
     "ERROR - syntax error - reserved tokens not found, token 5\n",
     "  at line 1, column 10\n"
     "    repeat 1 forward 5 ]\n"
     "             ^~~~~~~\n"
     "  hint: [ was expected here\n"
     "  at line 1, column 18\n"
     "    repeat 1 forward 5 ]\n"
     "                     ^\n"
     "  hint: no statement starts with this, so it was skipped\n"},
    {"NearVariableIsSuggested",
     "",
     {"make \"size 3", "forward :sise"},
     "ERROR - vec_getvarstring: no variable found to get value, token sise\n",
     "  at line 2, column 9\n"
     "    forward :sise\n"
     "            ^~~~~\n"
     "  hint: there is no variable named sise; did you mean :size?\n"},
    {"AssignmentToAnUnknownVariable",
     "",
     {"\"total = 2 + 3"},
     "ERROR - vec_setvar: no variable found to set value, token 3\n",
     "  at line 1, column 1\n"
     "    \"total = 2 + 3\n"
     "    ^~~~~~\n"
     "  hint: there is no variable named total; MAKE \"total 0 makes one\n"},
    {"LoopErrorToldOnceAndCounted",
     "",
     {"repeat 3 [ forward :nothere ]", "print \"done"},
     times(3, "ERROR - vec_getvarstring: no variable found to get value, token nothere\n") +
         "done\n",
     "  at line 1, column 20\n"
     "    repeat 3 [ forward :nothere ]\n"
     "                       ^~~~~~~~\n"
     "  hint: there is no variable named nothere; MAKE \"nothere 0 makes one\n"
     "  at line 1, column 20: 3 times in all: vec_getvarstring: no variable found to get value\n"},
    {"ProcedureBodyErrorIsPlacedInItsFile",
     "shapes.logo",
     {"to \"p", "  print :zz", "end", "go \"p", "go \"p"},
     "ERROR - vec_getvarstring: no variable found to get value, token zz\n0\n"
     "ERROR - vec_getvarstring: no variable found to get value, token zz\n0\n",
     "  at shapes.logo:2:9\n"
     "      print :zz\n"
     "            ^~~\n"
     "  hint: there is no variable named zz; MAKE \"zz 0 makes one\n"
     "  at shapes.logo:2:9: 2 times in all: vec_getvarstring: no variable found to get value\n"},
    {"NearProcedureIsSuggested",
     "",
     {"to \"square forward 1 end", "go \"sqare"},
     "ERROR - syntax error - GO: no procedure found, token sqare\n",
     "  at line 2, column 4\n"
     "    go \"sqare\n"
     "       ^~~~~~\n"
     "  hint: did you mean \"square?\n"},
    {"ProcedureNameAloneIsAWord",
     "",
     {"to \"square forward 1 end", "square"},
     "ERROR - scan error - e, token square\nERROR - scan error - e, token square\n"
     "ERROR - scan error - e, token square\n",
     "  at line 2, column 1\n"
     "    square\n"
     "    ^~~~~~\n"
     "  hint: square is a procedure: call it with GO \"square\n"
     "  at line 2, column 1: 3 times in all: scan error - e\n"},
    {"ListWithoutItsBracket",
     "",
     {"print \"[a b"},
     "ERROR - list: closing ] not found\nERROR - list: closing ] not found\n"
     "ERROR - list: closing ] not found\nERROR - list: closing ] not found\na b\n",
     "  at line 1, column 7\n"
     "    print \"[a b\n"
     "          ^~\n"
     "  hint: this list runs to the end of the text: end it with ]\n"
     "  at line 1, column 7: 4 times in all: list: closing ] not found\n"},
    {"MissingListElement",
     "",
     {"make \"pts {3}", "print item 5 \"pts"},
     "ERROR - vec_getitem: no variable found to get value, token pts\n0\n",
     "  at line 2, column 14\n"
     "    print item 5 \"pts\n"
     "                 ^~~~\n"
     "  hint: the list pts has no element 5, only 0 to 2\n"},
    // A division by zero stores the text inf, which reads as 317: said once
    // per run, with no ERROR line.
    {"InfinityStoredAsATextReachesADrawingCommand",
     "",
     {"make \"d 0", "\"d = 1 / 0", "repeat 2 [ forward :d ]"},
     "",
     "  at line 3, column 12: FORWARD was given :d, which holds inf as a text\n"
     "    repeat 2 [ forward :d ]\n"
     "               ^~~~~~~\n"
     "  hint: a number that is not finite is stored as that text (after a division by zero, "
     "for example)\n"
     "  hint: a text that starts with a letter counts as the sum of its character codes, so "
     "here it counts as 317\n"
     "  hint: this is told once per run\n"},
    {"InfinityReachesADrawingCommand",
     "",
     {"make \"d 0", "\"d = 0 - 1 / 0", "sphere :d back :d", "back 317"},
     "",
     "  at line 3, column 1: SPHERE was given -inf, which is not a finite number\n"
     "    sphere :d back :d\n"
     "    ^~~~~~\n"
     "  hint: a division by zero, for example, gives one\n"
     "  hint: it counts as the smallest whole number\n"
     "  hint: this is told once per run\n"},
};

INSTANTIATE_TEST_SUITE_P(Errors, ErrorPlaces, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             return std::string(info.param.name);
                         });

// A program that pauses at REFRESHALL is one run however often it resumes:
// its place is told once and counted when the run is finished.
TEST(ErrorRuns, ResumesOfAProgramAreOneRun) {
    ProgramRun run;
    run.fileName = "loop.logo";
    const std::string out = run.programFile("#top\nforward :nothere\nrefreshall\njump \"top\n", 3);
    run.interpreter.finishRun();
    EXPECT_EQ(out, times(4,
                         "ERROR - vec_getvarstring: no variable found to get value, token "
                         "nothere\n"));
    EXPECT_EQ(run.out.diagnostics(),
              "  at loop.logo:2:9\n"
              "    forward :nothere\n"
              "            ^~~~~~~~\n"
              "  hint: there is no variable named nothere; MAKE \"nothere 0 makes one\n"
              "  at loop.logo:2:9: 4 times in all: vec_getvarstring: no variable found to get "
              "value\n");
}

// Each console line is a run of its own: a procedure's mistake is told on
// every line that meets it, at the line that defined it.
TEST(ErrorRuns, EachConsoleLineIsARun) {
    ProgramRun run;
    run.console({"to \"p print :zz end", "go \"p go \"p", "go \"p"});
    const std::string block =
        "  at line 1, column 13\n"
        "    to \"p print :zz end\n"
        "                ^~~\n"
        "  hint: there is no variable named zz; MAKE \"zz 0 makes one\n";
    EXPECT_EQ(run.out.diagnostics(),
              block +
                  "  at line 1, column 13: 2 times in all: vec_getvarstring: no variable found "
                  "to get value\n" +
                  block);
}

// RANDOM -n draws what RANDOM n draws from the same generator state, with
// no message: a whole number from 0 to n - 1.
TEST(RandomOfANegativeNumber, DrawsLikeItsSize) {
    for (const char* n : {"1", "2", "7", "100", "32768", "2147483647"}) {
        ProgramRun positive, negative;
        positive.console({"make \"r 0", "randomize 5"});
        negative.console({"make \"r 0", "randomize 5"});
        const double size = std::atof(n);
        for (int draw = 0; draw < 40; ++draw) {
            EXPECT_EQ(positive.console({std::string("\"r = random ") + n}), "");
            EXPECT_EQ(negative.console({std::string("\"r = random - ") + n}), "");
            const std::string drawn = negative.variable("r");
            EXPECT_EQ(drawn, positive.variable("r")) << n;
            const double value = std::atof(drawn.c_str());
            EXPECT_TRUE(value >= 0 && value < size && value == std::floor(value)) << drawn;
        }
        EXPECT_EQ(negative.out.diagnostics(), "");
    }
}

// --- The headless runner ---------------------------------------------------------------

struct BatchCase {
    const char* name;
    std::string options;
    std::string program;  // empty: `input` is the console
    std::string input;
    int status;
    std::string err;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kUnknownX =
    "  at line 3, column 7\n"
    "    print :x\n"
    "          ^~\n"
    "  hint: there is no variable named x; MAKE \"x 0 makes one\n";

const BatchCase kBatchCases[] = {
    // Console lines are numbered as standard input's lines, empty ones too.
    {"ErrorsAloneKeepStatus0", "", "", "print 1\n\nprint :x\n", 0, kUnknownX},
    {"StrictEndsWithStatus4", "--strict", "", "print 1\n\nprint :x\n", 4,
     kUnknownX + "cubalorn-batch: --strict: ERROR lines printed: 1\n"},
    {"StrictWithoutErrors", "--strict", "print 1\n", "", 0, ""},
    {"NoHintsLeavesOnlyTheStatusLine", "--no-hints --strict", "", "print :x\nprint :y\n", 4,
     "cubalorn-batch: --strict: ERROR lines printed: 2\n"},
    // A stopped run keeps the status that says so.
    {"BudgetStatusComesFirst", "--strict --no-hints --max-steps 100", "#top\njump \"top\n", "", 3,
     "cubalorn-batch: program stopped by --max-steps 100 at line 2 of PROGRAM\n"},
};

class BatchErrors : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchErrors, EndWithTheRightStatus) {
    const BatchCase& c = GetParam();
    std::string arguments = c.options;
    std::string err = c.err;
    if (!c.program.empty()) {
        const std::string path = scratchPath("program.logo");
        writeWholeFile(path, c.program);
        arguments += " '" + path + "'";
        if (const size_t at = err.find("PROGRAM"); at != std::string::npos)
            err.replace(at, 7, path);
    }
    const CommandResult r = runBatch(arguments, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, err);
}

INSTANTIATE_TEST_SUITE_P(Batch, BatchErrors, ::testing::ValuesIn(kBatchCases),
                         [](const ::testing::TestParamInfo<BatchCase>& info) {
                             return std::string(info.param.name);
                         });

// The settings pass reads the file with an interpreter of its own before the
// program runs; the count at the end covers both, as the console shows them.
TEST(BatchErrorRuns, SettingsPassBelongsToTheRun) {
    const std::string path = scratchPath("typo.logo");
    writeWholeFile(path, "initvolumesize 40 40 40\nfowrard 10\n");
    const CommandResult r = runBatch("'" + path + "'");
    const uint64_t scanErrors = errorLines(r.out) - 1;  // and the line's end at 10
    EXPECT_GT(scanErrors, 1u);
    EXPECT_EQ(r.err.find("  at " + path + ":2:1\n"), 0u) << r.err;
    const std::string count =
        "  at " + path + ":2:1: " + std::to_string(scanErrors) + " times in all: scan error -  \n";
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), count.size())), count) << r.err;
}

}  // namespace
}  // namespace cubalorn::testing
