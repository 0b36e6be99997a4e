// Procedures and labels: program files with their pre-scan, console lines,
// calls, parameters, locals, OUTPUT and the reporter form of GO.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace cubalorn::testing {
namespace {

struct FileCase {
    const char* name;
    std::string program;
    std::string expected;
    size_t stackAfter;  // variables left on the stack afterwards
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class ProgramFiles : public ::testing::TestWithParam<FileCase> {};

TEST_P(ProgramFiles, PrintExactlyAndCleanUp) {
    const FileCase& c = GetParam();
    ProgramRun run;
    EXPECT_EQ(run.programFile(c.program), c.expected);
    EXPECT_EQ(run.stackSize(), c.stackAfter);
}

const FileCase kFileCases[] = {
    {"CallBeforeDefinition", "go \"hello\nto \"hello print \"hi end\n", "hi\n", 0},
    {"TwoDefinitionsInARow",
     "to \"a print \"a end to \"b print \"b end\ngo \"b go \"a\n",
     "b\na\n", 0},
    {"ThreeArgumentsThreeParameters",
     "to \"show :a :b :c print :a \"- :b \"- :c end\ngo \"show 1 2 3\n",
     "1-2-3\n", 0},
    {"ArgumentsFromVariablesKeepTheirText",
     "make \"x \"word\nto \"show :a print :a end\ngo \"show :x\n",
     "word\n", 1},
    {"MissingArgumentIsEmpty",
     "to \"p :a :b print :a \"- :b \"| end\ngo \"p 1\n",
     "1-|\n", 0},
    {"ExtraArgumentsDoNotTouchTheCaller",
     "make \"keep \"yes\nto \"p :a print :a end\ngo \"p 1 2 3\nprint :keep\n",
     "1\nyes\n", 1},
    {"LocalMakeGoneAfterCall",
     "to \"p make \"local 5 print :local end\ngo \"p\nprint :local\n",
     "5\nERROR - vec_getvarstring: no variable found to get value, token local\n0\n", 0},
    {"RecursiveProcedure",
     "to \"down :n print :n if :n > 1 make \"m 0 \"m = :n - 1 go \"down :m endif end\n"
     "go \"down 3\n",
     "3\n2\n1\n", 0},
    {"OuterLocalsStayTheOutersAfterAnInnerCall",
     "to \"inner make \"i 1 end\nto \"outer go \"inner make \"o 2 end\ngo \"outer\nprint :o\n",
     "ERROR - vec_getvarstring: no variable found to get value, token o\n0\n", 0},
    {"DynamicScope",
     "to \"show print :v end\nto \"caller make \"v \"inside go \"show end\n"
     "make \"v \"outside\ngo \"caller\ngo \"show\n",
     "inside\noutside\n", 1},
    {"QuotedWordEndsTheArguments",
     "to \"p :a print :a end\ngo \"p 1 \"word print \"after\n",
     "1\nafter\n", 0},
    {"UnknownProcedureLeavesItsCounter",
     "go \"nothing 1 2\nprint \"after :nothing_c_o_u_n_t\n",
     "ERROR - syntax error - GO: no procedure found, token print\nafter2\n", 1},
    {"UnknownProcedureInsideACallLeavesNothingAfterIt",
     "to \"p go \"nothing 1 print :nothing_c_o_u_n_t end\ngo \"p\n",
     "ERROR - syntax error - GO: no procedure found, token print\n1\n", 0},
    {"ReporterCall",
     "to \"sq :n make \"t 0 \"t = :n * :n output :t end\nmake \"r 0\n\"r = go \"sq 3\nprint :r\n",
     "9\n", 1},
    {"ReporterWithoutOutput",
     "to \"noout print \"x end\nmake \"r \"0\n\"r = go \"noout\nprint :r\n",
     "x\nERROR - syntax error - procedurecall without an output in procedure\n, token end\n0\n",
     1},
    {"ReporterWithoutOutputAfterOneWithOutput",
     "to \"five output 5 end\nto \"noout print \"x end\nmake \"r \"0\n"
     "\"r = go \"five\n\"r = go \"noout\nprint :r\n",
     "x\nERROR - syntax error - procedurecall without an output in procedure\n, token end\n5\n",
     1},
    {"OutputDoesNotLeaveTheBody",
     "to \"f output 1 print \"still output 2 end\nmake \"r 0\n\"r = go \"f\nprint :r\n",
     "still\n2\n", 1},
    {"InnerReporterKeepsTheCallersOutput",
     "to \"g output 7 end\nto \"f output 1 make \"t 0 calc \"t = go \"g end\n"
     "make \"r 0\n\"r = go \"f\nprint :r\n",
     "1\n", 1},
    {"ProcedureBodyMissingEnd",
     "to \"p print \"a\n",
     "ERROR - syntax error - reserved tokens not found, token a\n", 0},
    {"RunawayRecursionHitsTheNestingGuard",
     "make \"keep 1\nto \"forever go \"forever end\ngo \"forever\nprint \"unreached\n",
     "ERROR - nesting deeper than 10000 levels, line stopped, token go\n", 1},
    {"LabelFurtherDown",
     "jump \"skip\nprint \"skipped\n#skip\nprint \"landed\n",
     "landed\n", 0},
    {"LabelRightAfterEnd",
     "to \"p print \"p end#after print \"x\ngo \"p\njump \"done\nprint \"no\n#done print \"yes\n",
     "x\np\nyes\n", 0},
};

INSTANTIATE_TEST_SUITE_P(Procedures, ProgramFiles, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ProgramFile, RefreshallPausesAndResumesWhereItStopped) {
    ProgramRun run;
    const std::string text =
        "make \"i 0\n#loop\n\"i = :i + 1\nprint :i\nrefreshall\njump \"loop\n";
    EXPECT_EQ(run.programFile(text, 3), "1\n2\n3\n4\n");
    EXPECT_EQ(run.resumes, 3);
    EXPECT_TRUE(run.interpreter.resumePending);
}

TEST(ProgramFile, MoreThanFortyTwoArgumentsAreRefused) {
    std::string call = "go \"p";
    for (int i = 1; i <= 45; ++i) call += " " + std::to_string(i);
    ProgramRun run;
    EXPECT_EQ(run.programFile("to \"p :a print :a end\n" + call + "\n"),
              "ERROR - GO: more than 42 arguments, the rest are ignored, token 43\n1\n");
    EXPECT_EQ(run.stackSize(), 0u);
}

TEST(ProgramFile, NestingGuardLeavesTheInterpreterUsable) {
    ProgramRun run;
    run.programFile("to \"forever go \"forever end\ngo \"forever\n");
    EXPECT_EQ(run.interpreter.nestingDepth(), 0);
    EXPECT_FALSE(run.interpreter.inProcedure);
    EXPECT_EQ(run.console({"print \"fine"}), "fine\n");
}

TEST(ProgramFile, DeepButBoundedRecursionRuns) {
    ProgramRun run;
    const std::string text =
        "to \"count :n if :n > 0 make \"m 0 \"m = :n - 1 go \"count :m endif end\n"
        "go \"count 1000\nprint \"done\n";
    EXPECT_EQ(run.programFile(text), "done\n");
    EXPECT_EQ(run.stackSize(), 0u);
}

TEST(ProgramFile, DeepExpressionsHitTheGuard) {
    std::string expression = "1";
    for (int i = 0; i < 20000; ++i) expression += " + 1";
    ProgramRun run;
    EXPECT_EQ(run.console({"make \"r 0", "\"r = " + expression, "print \"next"}),
              "ERROR - nesting deeper than 10000 levels, line stopped, token 1\nnext\n");
}

TEST(Console, ProceduresDefinedOnEarlierLines) {
    ProgramRun run;
    EXPECT_EQ(run.console({"to \"sq :a print \"sq :a end", "go \"sq 1",
                           "print \"other go \"sq 2"}),
              "sq1\nother\nsq2\n");
    EXPECT_EQ(run.console({"to \"sq :a print \"new :a end", "go \"sq 3"}), "new3\n")
        << "the latest definition of an earlier line wins";
    EXPECT_EQ(run.console({"to \"sq print \"own end go \"sq"}), "own\n")
        << "a line's own definition comes first";
}

TEST(Console, LinesAreNotPrescanned) {
    EXPECT_EQ(runConsole({"go \"later to \"later print \"x end"}),
              "ERROR - syntax error - GO: no procedure found, token to\n");
}

TEST(Prescan, RegistersEveryLabelAndProcedureAndRewinds) {
    ProgramRun run;
    run.interpreter.assignProgram(
        "#a to \"p :x print :x end #b to \"q end\nrepeat 2 [ #c ] to \"r");
    run.interpreter.prescanProgram();
    EXPECT_EQ(run.interpreter.position(), 0u);
    std::vector<std::string> labels, procedures;
    for (const LabelEntry& l : run.interpreter.labels().entries()) labels.push_back(l.name);
    for (const ProcedureEntry& p : run.interpreter.procedures().entries())
        procedures.push_back(p.name);
    EXPECT_EQ(labels, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(procedures, (std::vector<std::string>{"p", "q", "r"}));
    EXPECT_EQ(run.out.text(), "") << "the pre-scan runs nothing";
}

}  // namespace
}  // namespace cubalorn::testing
