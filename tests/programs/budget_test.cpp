// The execution budget: endless programs end with one message when a caller
// caps the statements or the time, and nothing changes when no cap is set.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "harness.h"

namespace cubalorn::testing {
namespace {

struct BudgetCase {
    const char* name;
    bool programFile;  // else console lines
    std::vector<std::string> lines;
    ExecutionBudget budget;
    std::string expected;
    bool exceeded;
};

void PrintTo(const BudgetCase& c, std::ostream* os) {
    *os << c.name;
}

ExecutionBudget steps(uint64_t n) {
    return ExecutionBudget{n, 0.0};
}
ExecutionBudget seconds(double s) {
    return ExecutionBudget{0, s};
}

const BudgetCase kBudgetCases[] = {
    {"EveryStatementFits", false, {"print 1 print 2 print 3"}, steps(3), "1\n2\n3\n", false},
    // The message names the statement that did not run. A JUMP lands after
    // its label, so a loop runs its label once and its JUMP on every pass.
    {"OneStatementOver",
     false,
     {"print 1 print 2 print 3"},
     steps(2),
     "1\n2\nERROR - step limit of 2 reached, program stopped, token print\n",
     true},
    {"TopLevelAssignmentsCount",
     false,
     {"make \"x 0", "\"x = 1", "\"x = 2", "print :x"},
     steps(2),
     "ERROR - step limit of 2 reached, program stopped, token x\n",
     true},
    {"EndlessJumpLoop",
     true,
     {"#top print \"a jump \"top"},
     steps(5),
     "a\na\nERROR - step limit of 5 reached, program stopped, token print\n",
     true},
    // An empty body costs nothing per pass; the pass itself must count.
    {"HugeRepeatWithEmptyBody",
     false,
     {"repeat 2000000000 [ ]"},
     steps(1000),
     "ERROR - step limit of 1000 reached, program stopped, token 2000000000\n",
     true},
    {"HugeForWithEmptyBody",
     false,
     {"make \"i 0 for \"i 1 2000000000 1 [ ]"},
     steps(1000),
     "ERROR - step limit of 1000 reached, program stopped, token 1\n",
     true},
    {"EndlessLoopInsideAProcedure",
     true,
     {"go \"spin", "to \"spin #again jump \"again end"},
     steps(100),
     "ERROR - step limit of 100 reached, program stopped, token jump\n",
     true},
    // Making a list is a loop too: each element is a pass.
    {"EveryListElementCounts",
     false,
     {"make \"l {5000}"},
     steps(100),
     "ERROR - step limit of 100 reached, program stopped, token 5000\n",
     true},
    // Each height-grid point that DSINIT or DIAMONDSQUARE computes is a step:
    // 1 + 81 for the DSINIT, 1 + 81 for the DIAMONDSQUARE.
    {"HeightGridWithinBudget",
     false,
     {"dsinit 8 1 diamondsquare print \"done"},
     steps(165),
     "done\n",
     false},
    {"HeightGridPastBudget",
     false,
     {"dsinit 8 1 diamondsquare print \"done"},
     steps(150),
     "ERROR - step limit of 150 reached, program stopped, token diamondsquare\n",
     true},
    {"LargeGridStopsBeforeItIsMade",
     false,
     {"dsinit 4096 1"},
     steps(1000000),
     "ERROR - step limit of 1000000 reached, program stopped, token 1\n",
     true},
    // The budget spans every resume of a program that pauses at REFRESHALL.
    {"EndlessRefreshallLoop",
     true,
     {"#top refreshall jump \"top"},
     steps(50),
     "ERROR - step limit of 50 reached, program stopped, token jump\n",
     true},
    // Once used up, later lines stop at their first step without a new message.
    {"LaterLinesRunNothing",
     false,
     {"repeat 5000 [ ]", "print \"after"},
     steps(100),
     "ERROR - step limit of 100 reached, program stopped, token 5000\n",
     true},
    {"EndlessLoopStopsOnTime",
     true,
     {"#top jump \"top"},
     seconds(0.2),
     "ERROR - time limit of 0.2 seconds reached, program stopped, token jump\n",
     true},
    {"NoBudgetRunsEverything",
     false,
     {"repeat 100000 [ ] print \"done"},
     ExecutionBudget{},
     "done\n",
     false},
};

class Budget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(Budget, StopsOnlyPastTheCap) {
    const BudgetCase& c = GetParam();
    ProgramRun run;
    run.interpreter.setExecutionBudget(c.budget);
    std::string printed;
    if (c.programFile) {
        std::string text;
        for (const std::string& line : c.lines) text += line + "\n";
        printed = run.programFile(text);
    } else {
        printed = run.console(c.lines);
    }
    EXPECT_EQ(printed, c.expected);
    EXPECT_EQ(run.interpreter.budgetExceeded(), c.exceeded);
    EXPECT_FALSE(run.interpreter.resumePending);
}

INSTANTIATE_TEST_SUITE_P(Steps, Budget, ::testing::ValuesIn(kBudgetCases),
                         [](const ::testing::TestParamInfo<BudgetCase>& info) {
                             return std::string(info.param.name);
                         });

// Nested loops: 1 outer REPEAT + 100 passes + 100 x (1 inner REPEAT + 100
// passes + 100 PRINTs) = 20201 steps, so the exact cap runs it all and one
// less stops it before the last PRINT.
TEST(BudgetCounting, NestedLoopsCountEveryStatementAndPass) {
    const std::string line = "repeat 100 [ repeat 100 [ print 1 ] ]";
    struct Row {
        uint64_t cap;
        size_t printedOnes;
        bool exceeded;
    };
    for (const Row& row : {Row{20201, 10000, false}, Row{20200, 9999, true}}) {
        ProgramRun run;
        run.interpreter.setExecutionBudget(steps(row.cap));
        const std::string printed = run.console({line});
        size_t ones = 0;
        for (size_t p = printed.find("1\n"); p != std::string::npos; p = printed.find("1\n", p + 2))
            if (p == 0 || printed[p - 1] == '\n') ++ones;
        EXPECT_EQ(ones, row.printedOnes) << "cap " << row.cap;
        EXPECT_EQ(run.interpreter.budgetExceeded(), row.exceeded) << "cap " << row.cap;
    }
}

TEST(BudgetCounting, ListStopsAfterTheElementsThatFit) {
    // MAKE is step 1, element i is step i + 2: a cap of 100 makes elements 0 to 98.
    ProgramRun run;
    run.interpreter.setExecutionBudget(steps(100));
    run.console({"make \"l {5000}"});
    EXPECT_EQ(run.interpreter.lists().size(), 99u);
    EXPECT_NE(run.interpreter.lists().find("l98"), nullptr);
    EXPECT_EQ(run.interpreter.lists().find("l99"), nullptr);
}

// A stop (Ctrl+C, Escape) ends only the running line, at a poll, with one
// message; what it drew stays and the next line runs. Unbudgeted runs poll too.
TEST(StopSignalPolls, EndsTheRunningLineOnly) {
    struct StopAtPoll : StopSignal {
        int polls = 0;
        int stopAt = 0;
        bool stopRequested() override { return ++polls == stopAt; }
    };
    for (const bool budgeted : {false, true}) {
        ProgramRun run;
        StopAtPoll signal;
        signal.stopAt = 3;
        if (budgeted) run.interpreter.setExecutionBudget(steps(1000000));
        run.interpreter.setStopSignal(&signal);
        const std::string printed =
            run.console({"setvoxel repeat 100000 [ ]", "print \"after"});
        EXPECT_EQ(printed, "ERROR - interrupted, line stopped, token 100000\nafter\n")
            << "budgeted " << budgeted;
        EXPECT_EQ(signal.polls, 3);
        EXPECT_EQ(run.interpreter.interruptions(), 1u);
        EXPECT_FALSE(run.interpreter.budgetExceeded());
        Vec3i cell;
        ASSERT_TRUE(run.world.turtle.cellUnder(cell));
        EXPECT_NE(run.volume.voxel(cell.x, cell.y, cell.z).raw, 0);

        // Polling goes on after a stop: a second long line is stopped too.
        signal.polls = 0;
        signal.stopAt = 2;
        EXPECT_EQ(run.console({"repeat 100000 [ ]"}),
                  "ERROR - interrupted, line stopped, token 100000\n");
        EXPECT_EQ(run.interpreter.interruptions(), 2u);
    }
}

// --- The headless runner -------------------------------------------------------------

using Result = CommandResult;

struct BatchCase {
    const char* name;
    std::string options;
    std::string program;  // empty: `input` is the console
    std::string input;
    int status;
    std::string out;
    std::string err;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

const BatchCase kBatchCases[] = {
    // Without the error places on standard error, which is then exact.
    {"EndlessProgramStopsWithStatus3", "--max-steps 1000 --no-hints", "#top jump \"top\n", "", 3,
     "ERROR - step limit of 1000 reached, program stopped, token jump\n",
     "cubalorn-batch: program stopped by --max-steps 1000 at line 1 of PROGRAM\n"},
    {"EndlessProgramStopsOnTime", "--max-seconds 0.3 --no-hints", "#top jump \"top\n", "", 3,
     "ERROR - time limit of 0.3 seconds reached, program stopped, token jump\n",
     "cubalorn-batch: program stopped by --max-seconds 0.3 at line 1 of PROGRAM\n"},
    {"ConsoleStopsReadingLines", "--max-steps=50 --no-hints", "",
     "repeat 2000000000 [ ]\nprint \"after\n", 3,
     "ERROR - step limit of 50 reached, program stopped, token 2000000000\n",
     "cubalorn-batch: program stopped by --max-steps 50 in console line 1\n"},
    {"ProgramWithinBudgetEndsNormally", "--max-steps 10 --max-seconds 60", "print 1 print 2\n", "",
     0, "1\n2\n", ""},
    {"ZeroSteps", "--max-steps 0", "", "", 2, "",
     "cubalorn-batch: --max-steps needs a whole number of 1 or more, not '0'\n"},
    {"WordForSteps", "--max-steps many", "", "", 2, "",
     "cubalorn-batch: --max-steps needs a whole number of 1 or more, not 'many'\n"},
    {"ZeroSeconds", "--max-seconds 0", "", "", 2, "",
     "cubalorn-batch: --max-seconds needs a number of seconds above 0, not '0'\n"},
    {"NegativeSeconds", "--max-seconds -2", "", "", 2, "",
     "cubalorn-batch: --max-seconds needs a number of seconds above 0, not '-2'\n"},
    {"EndlessSeconds", "--max-seconds inf", "", "", 2, "",
     "cubalorn-batch: --max-seconds needs a number of seconds above 0, not 'inf'\n"},
    {"SecondsWithUnit", "--max-seconds 5s", "", "", 2, "",
     "cubalorn-batch: --max-seconds needs a number of seconds above 0, not '5s'\n"},
};

class BatchBudget : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchBudget, EndsWithTheRightStatus) {
    const BatchCase& c = GetParam();
    std::string arguments = c.options;
    std::string err = c.err;
    if (!c.program.empty()) {
        const std::string path = scratchPath("program.logo");
        std::ofstream(path, std::ios::binary) << c.program;
        arguments += " '" + path + "'";
        if (const size_t at = err.find("PROGRAM"); at != std::string::npos)
            err.replace(at, 7, path);
    }
    const Result r = runBatch(arguments, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    // Usage errors go on with the usage text; compare the first line.
    EXPECT_EQ(r.err.substr(0, err.size()), err);
    if (c.status != 2) {
        EXPECT_EQ(r.err, err);
    }
}

INSTANTIATE_TEST_SUITE_P(Batch, BatchBudget, ::testing::ValuesIn(kBatchCases),
                         [](const ::testing::TestParamInfo<BatchCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(BatchBudgetHelp, ListsBothLimits) {
    const Result r = runBatch("--help", "");
    EXPECT_NE(r.out.find("--max-steps N"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--max-seconds S"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace cubalorn::testing
