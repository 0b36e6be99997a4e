// The text file commands against real files in a scratch directory.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"

namespace cubalorn::testing {
namespace {

class TextFiles : public ::testing::Test {
protected:
    std::string path(const std::string& name) {
        const std::string full = ::testing::TempDir() + "cubalorn_files_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 "_" + name;
        std::remove(full.c_str());
        return full;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
};

TEST_F(TextFiles, WritesOneLinePerCommand) {
    const std::string out = path("out.txt");
    EXPECT_EQ(runConsole({"openfile \"" + out + " \"w", "writelinefile \"one",
                          "writelinefile \"two", "closefile"}),
              "");
    EXPECT_EQ(contents(out), "one\ntwo\n");
}

TEST_F(TextFiles, WritesTextsAsTheyAre) {
    const std::string out = path("values.txt");
    ProgramRun run;
    run.console({"make \"v 0", "\"v = 3", "make \"w \"[two words]", "make \"l { 1 }",
                 "setitem 0 \"l \"elem", "openfile \"" + out + " \"W", "writelinefile :v",
                 "writelinefile :w", "writelinefile 2.50", "writelinefile item 0 \"l",
                 "closefile"});
    EXPECT_EQ(contents(out), "3.000000\ntwo words\n2.50\nelem\n");
}

TEST_F(TextFiles, ReadsCharactersThenCode255) {
    const std::string in = path("in.txt");
    write(in, "ab");
    ProgramRun run;
    run.console({"make \"c \"", "make \"d \"", "make \"e \"", "openfile \"" + in + " \"R",
                 "\"c = readcharfile", "repeat 1 [ calc \"d = readcharfile ]",
                 "\"e = readcharfile", "closefile"});
    EXPECT_EQ(run.variable("c"), "a");
    EXPECT_EQ(run.variable("d"), "b");
    EXPECT_EQ(run.variable("e"), std::string(1, '\xff'));
    EXPECT_EQ(run.out.text(), "");
}

TEST_F(TextFiles, FileStaysOpenFromLineToLine) {
    const std::string in = path("lines.txt");
    write(in, "xy");
    ProgramRun run;
    run.console({"make \"c \"", "openfile \"" + in + " \"r"});
    run.console({"\"c = readcharfile"});
    run.console({"\"c = readcharfile"});
    EXPECT_EQ(run.variable("c"), "y");
}

TEST_F(TextFiles, OpeningAnotherFileClosesTheFirst) {
    const std::string a = path("a.txt");
    const std::string b = path("b.txt");
    runConsole({"openfile \"" + a + " \"w", "writelinefile \"first", "openfile \"" + b + " \"w",
                "writelinefile \"second"});
    EXPECT_EQ(contents(a), "first\n") << "closed (and so written out) by the second OPENFILE";
}

struct Refusal {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class WithoutOpenFile : public ::testing::TestWithParam<Refusal> {};

TEST_P(WithoutOpenFile, CommandsReportAndDoNothing) {
    const Refusal& r = GetParam();
    ProgramRun run;
    std::vector<std::string> lines = {"make \"c \"kept"};
    lines.insert(lines.end(), r.lines.begin(), r.lines.end());
    EXPECT_EQ(run.console(lines), r.expected);
    EXPECT_EQ(run.variable("c"), "kept");
}

const Refusal kRefusals[] = {
    {"CloseNothing", {"closefile"}, "ERROR - CLOSEFILE: no file is open, token closefile\n"},
    {"WriteNothing",
     {"writelinefile \"x"},
     "ERROR - WRITELINEFILE: no file is open, token x\n"},
    {"ReadNothing",
     {"\"c = readcharfile"},
     "ERROR - READCHARFILE: no file is open, token readcharfile\n"},
    {"ReadAfterFailedOpen",
     {"openfile \"/nonexistent/dir/file \"r", "\"c = readcharfile"},
     "ERROR - READCHARFILE: no file is open, token readcharfile\n"},
    {"CloseTwice",
     {"openfile \"/dev/null \"r", "closefile", "closefile"},
     "ERROR - CLOSEFILE: no file is open, token closefile\n"},
    {"ReadAfterClose",
     {"openfile \"/dev/null \"r", "closefile", "\"c = readcharfile"},
     "ERROR - READCHARFILE: no file is open, token readcharfile\n"},
    {"UnknownModeOpensNothing",
     {"openfile \"/dev/null \"a", "writelinefile \"x"},
     "ERROR - WRITELINEFILE: no file is open, token x\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, WithoutOpenFile, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace cubalorn::testing
