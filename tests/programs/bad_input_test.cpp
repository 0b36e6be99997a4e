// Numbers and bytes no program should contain, each with the plain result
// the interpreter gives it: no crash, no undefined conversion, the line goes on.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "interp/program_text.h"

namespace cubalorn::testing {
namespace {

struct BadInput {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
};

void PrintTo(const BadInput& c, std::ostream* os) {
    *os << c.name;
}

const std::string k41Nines(41, '9');  // past the largest float: reads as infinity

const BadInput kCases[] = {
    // sqrt of -1 is not a number; as a count it truncates to 0.
    {"NotANumberCountRunsNothing",
     {"make \"n 0", "\"n = sqrt - 1", "repeat :n [ print \"a ]", "print \"b"},
     "b\n"},
    {"InfinityPrints", {"print " + k41Nines}, "inf\n"},
    // Integer arguments saturate: the element 2147483647 does not exist.
    {"HugeItemIndex",
     {"make \"l {3}", "print item 99999999999 \"l"},
     "ERROR - vec_getitem: no variable found to get value, token l\n0\n"},
    {"HugeTextIndex",
     {"make \"s \"", "\"s = index \"abc 4000000000", "print \"[<] :s \"[>]"},
     "ERROR - INDEX: index outside the text, token 4000000000\n<>\n"},
    {"InfiniteIndex",
     {"make \"s \"", "\"s = index \"abc " + k41Nines},
     "ERROR - INDEX: index outside the text, token " + k41Nines + "\n"},
    // PRINT writes a text as a C string would: up to its zero byte.
    {"ZeroByteInsideAWord", {std::string("print \"x\0y", 10)}, "x\n"},
    {"NumberWithTwoPoints", {"print 1.2.3"}, "1.200\n"},
};

class BadInputs : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, GiveThePlainResult) {
    const BadInput& c = GetParam();
    EXPECT_EQ(runConsole(c.lines), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, BadInputs, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes that are neither letters, digits, punctuation nor blanks are reported
// (once for each time the lexer passes them) and skipped; the line goes on.
TEST(BadBytes, AreReportedAndSkipped) {
    for (const char* bad : {"\xff", "\x01", "\x7f", "?", "@"}) {
        const std::string printed = runConsole({std::string(bad) + " print \"a"});
        const std::string error = std::string("ERROR - scan error - ") + bad + ", token ";
        ASSERT_GE(printed.size(), 2u) << bad;
        EXPECT_EQ(printed.substr(printed.size() - 2), "a\n") << bad;
        size_t lines = 0;
        for (size_t at = 0; at < printed.size() - 2; at = printed.find('\n', at) + 1, ++lines)
            EXPECT_EQ(printed.compare(at, error.size(), error), 0) << bad << ": " << printed;
        EXPECT_GE(lines, 1u) << bad;
    }
}

// A quoted list without its "]" keeps the rest of the line as its text; the
// lexer says so each time it passes it, and the next line is unharmed.
TEST(BadBrackets, UnclosedQuotedListIsReportedAndKept) {
    const std::string printed = runConsole({"print \"[a b", "print \"c"});
    const std::string error = "ERROR - list: closing ] not found\n";
    const std::string tail = "a b\nc\n";
    ASSERT_GT(printed.size(), tail.size());
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail);
    const std::string head = printed.substr(0, printed.size() - tail.size());
    ASSERT_FALSE(head.empty());
    for (size_t at = 0; at < head.size(); at += error.size())
        EXPECT_EQ(head.compare(at, error.size(), error), 0) << printed;
}

// The headless runner refuses a program file that never ends.
TEST(BadFiles, EndlessProgramFileIsRefused) {
    const std::string command = std::string("'") + CUBALORN_BATCH + "' /dev/zero 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    char buffer[512];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) printed.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(printed, "cubalorn-batch: /dev/zero is longer than " +
                           std::to_string(kLongestProgramFile) +
                           " bytes, not loaded\nERROR - could not open file /dev/zero\n");
}

}  // namespace
}  // namespace cubalorn::testing
