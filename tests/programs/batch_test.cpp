// The headless runner as a user runs it: a real process, its standard
// input, output, error stream and exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Result {
    std::string out;
    std::string err;
    int status = -1;
};

std::string scratch(const std::string& name) {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
        if (c == '/') c = '_';
    return ::testing::TempDir() + "cubalorn_batch_" + test + "_" + name;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs cubalorn-batch with `arguments` (already shell-quoted where needed)
// and `input` on its standard input.
Result runBatch(const std::string& arguments, const std::string& input = "") {
    const std::string in = scratch("stdin");
    const std::string err = scratch("stderr");
    writeFile(in, input);
    const std::string command =
        std::string("'") + CUBALORN_BATCH + "' " + arguments + " < '" + in + "' 2> '" + err + "'";
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = readFile(err);
    return r;
}

TEST(Batch, RunsStandardInputAsConsoleLines) {
    const Result r = runBatch("",
                              "make \"x 1\nprint :x\n\nHELP\nrepeat 2 [ print \"a ]\nQUIT\n"
                              "print \"never\n");
    EXPECT_EQ(r.out,
              "1\nHELP > Show this help\n"
              "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
              "FREECAM > Quit interpreter to fly with freecam\nQUIT > Quit program\na\na\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(Batch, ReadlistReadsTheNextInputLine) {
    const Result r = runBatch("", "make \"l \"\n\"l = readlist\ntyped text\nprint :l\n");
    EXPECT_EQ(r.out, "typed text\n");
}

TEST(Batch, RunsAProgramFileWithItsPrescan) {
    const std::string program = scratch("program.logo");
    writeFile(program, "go \"greet 3\nto \"greet :n repeat :n [ print \"hi ] end\n");
    const Result r = runBatch("'" + program + "'");
    EXPECT_EQ(r.out, "hi\nhi\nhi\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Batch, CapsRefreshallResumes) {
    const std::string program = scratch("loop.logo");
    writeFile(program, "make \"i 0\n#top \"i = :i + 1 print :i refreshall jump \"top\n");
    const Result r = runBatch("--max-resumes 2 '" + program + "'");
    EXPECT_EQ(r.out, "1\n2\n3\n");
    EXPECT_EQ(r.err, "cubalorn-batch: stopped after 2 REFRESHALL resumes\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(runBatch("--max-resumes=0 '" + program + "'").out, "1\n");
    EXPECT_EQ(runBatch("--frames 1 '" + program + "'").out, "1\n2\n");
}

TEST(Batch, ProgramEndsAtAZeroByte) {
    const std::string program = scratch("zero.logo");
    writeFile(program, std::string("print \"a\n\0print \"b\n", 20));
    EXPECT_EQ(runBatch("'" + program + "'").out, "a\n");
}

struct Failure {
    const char* name;
    std::string arguments;
    int status;
    std::string errorStart;
};

void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.name;
}

class BatchFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(BatchFailures, SayWhatWentWrong) {
    const Failure& f = GetParam();
    const Result r = runBatch(f.arguments);
    EXPECT_EQ(r.status, f.status);
    EXPECT_EQ(r.err.substr(0, f.errorStart.size()), f.errorStart) << r.err;
    EXPECT_EQ(r.out, "");
}

const Failure kFailures[] = {
    {"MissingFile", "/nonexistent/program.logo", 1,
     "ERROR - could not open file /nonexistent/program.logo\n"},
    {"UnknownOption", "--fast", 2, "cubalorn-batch: unknown option --fast\nusage:"},
    {"OptionWithoutValue", "--max-resumes", 2, "cubalorn-batch: --max-resumes needs a value\n"},
    {"BadCount", "--max-resumes -3", 2,
     "cubalorn-batch: --max-resumes needs a whole number of 0 or more, not '-3'\n"},
    {"BadFrames", "--frames 2x", 2,
     "cubalorn-batch: --frames needs a whole number of 0 or more, not '2x'\n"},
    {"ZeroScale", "--scale 0", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not '0'\n"},
    {"NegativeScale", "--scale=-1", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not '-1'\n"},
    {"EndlessScale", "--scale inf", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not 'inf'\n"},
    {"EmptyPath", "--stl=", 2, "cubalorn-batch: --stl needs a file name\n"},
    {"SwitchWithValue", "--smooth=1", 2, "cubalorn-batch: --smooth takes no value\n"},
    {"TwoFiles", "a.logo b.logo", 2,
     "cubalorn-batch: only one program file can be run, got 'a.logo' and 'b.logo'\n"},
};

INSTANTIATE_TEST_SUITE_P(Batch, BatchFailures, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                             return std::string(info.param.name);
                         });

TEST(Batch, VolumeTooLargeIsOneClearLine) {
    const std::string program = scratch("huge.logo");
    writeFile(program, "initvolumesize 100000 100000 100000\nprint \"x\n");
    const Result r = runBatch("'" + program + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("cubalorn-batch: cannot create the voxel volume: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Batch, MeshReportFollowsTheProgramsOutput) {
    const std::string program = scratch("empty.logo");
    writeFile(program, "initvolumesize 10 10 10\nprint \"done\n");
    const Result r = runBatch("--mesh-report '" + program + "'");
    EXPECT_EQ(r.out,
              "done\ncubic mesh: 0 vertices, 0 indices\nsmooth mesh: 0 vertices, 0 indices\n");
    EXPECT_EQ(r.status, 0);
    // Console lines get the report after the last line too.
    EXPECT_EQ(runBatch("--mesh-report", "print 1\n").out,
              "1\ncubic mesh: 0 vertices, 0 indices\nsmooth mesh: 0 vertices, 0 indices\n");
}

TEST(Batch, HelpListsEveryOption) {
    const Result r = runBatch("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--max-resumes N", "--frames N", "--mesh-report", "--obj PATH", "--ply PATH",
          "--stl PATH", "--vox PATH", "--smooth", "--scale MM", "--help"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

}  // namespace
