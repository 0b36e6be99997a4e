// cubalorn-batch and cubalorn as a user starts them: a run stopped by Ctrl+C,
// a budget or the resume limit still writes its outputs and says where it
// stopped; the progress line; outputs checked before the run; the working
// folder a program is kept in; help and version.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "running_batch.h"

namespace cubalorn::testing {
namespace {

using Result = CommandResult;

std::string fileOrMissing(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? readWholeFile(path) : "(missing)";
}

std::string withProgram(std::string text, const std::string& program) {
    for (size_t at = 0; (at = text.find("PROGRAM", at)) != std::string::npos; at += program.size())
        text.replace(at, 7, program);
    return text;
}

// One voxel, a line saying the program runs, then a loop whose every step is
// the JUMP on line 4.
const char* const kEndless =
    "initvolumesize 20 20 20\npenup goto 5 5 5 pendown setvoxel\nprint \"started\n"
    "#top jump \"top\n";
const char* const kWritten = "; the outputs are written from the volume as it stands\n";

struct StopCase {
    const char* name;
    bool console;  // the lines come on standard input, else kEndless is the program
    bool picture;  // also --png, drawn by a private X server
    std::string err;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class Interrupt : public ::testing::TestWithParam<StopCase> {};

TEST_P(Interrupt, StopsWithStatus3AndWritesTheOutputs) {
    const StopCase& c = GetParam();
    const std::string program = scratchPath("endless.logo");
    const std::string stl = scratchPath("stopped.stl");
    const std::string png = scratchPath("stopped.png");
    writeWholeFile(program, kEndless);
    std::remove(stl.c_str());
    std::remove(png.c_str());
    // Without error places on standard error, which is then exact.
    std::vector<std::string> arguments{"--no-hints", "--stl", stl};
    if (c.picture) arguments.insert(arguments.end(), {"--png", png, "--size", "64x48"});
    if (!c.console) arguments.push_back(program);
    RunningBatch batch(arguments);
    if (c.console) batch.writeInput("penup goto 5 5 5 pendown setvoxel\nprint \"started\n");
    // Once it has said so, the program runs (or the console waits for a line).
    ASSERT_EQ(batch.readLine(), "started\n");
    batch.interrupt();
    const Result r = batch.finish();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out,
              c.console ? "started\n" : "started\nERROR - interrupted, line stopped, token jump\n");
    EXPECT_EQ(r.err, withProgram(c.err, program) + kWritten);
    EXPECT_EQ(fileOrMissing(stl).size(), 84u + 12 * 50) << "the one voxel's 12 triangles";
    if (c.picture) {
        EXPECT_EQ(fileOrMissing(png).substr(1, 3), "PNG");
    }
}

const StopCase kStops[] = {
    {"ProgramFile", false, false,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) at line 4 of PROGRAM"},
    {"ConsoleWaitingForALine", true, false,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) in console line 2"},
    // The X server is in a group of its own: it outlives the Ctrl+C to draw.
    {"ProgramFileWithAPicture", false, true,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) at line 4 of PROGRAM"},
};

INSTANTIATE_TEST_SUITE_P(Batch, Interrupt, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

struct LimitCase {
    const char* name;
    std::string program;
    std::string options;
    int status;
    std::string err;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class Limits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limits, EndTheRunAndStillWriteTheOutputs) {
    const LimitCase& c = GetParam();
    const std::string program = scratchPath("program.logo");
    const std::string vox = scratchPath("out.vox");
    writeWholeFile(program, c.program);
    std::remove(vox.c_str());
    const Result r = runBatch(c.options + " --no-hints --vox '" + vox + "' '" + program + "'");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, withProgram(c.err, program));
    EXPECT_EQ(fileOrMissing(vox).substr(0, 4), "VOX ");
}

const char* const kAnimation = "setvoxel make \"i 0\n#frame \"i = :i + 1 refreshall jump \"frame\n";

const LimitCase kLimits[] = {
    {"StepBudget", kEndless, "--max-steps 1000", 3,
     std::string("cubalorn-batch: program stopped by --max-steps 1000 at line 4 of PROGRAM") +
         kWritten},
    {"Clock", kEndless, "--max-seconds 0.2", 3,
     std::string("cubalorn-batch: program stopped by --max-seconds 0.2 at line 4 of PROGRAM") +
         kWritten},
    {"InsideAProcedure", "setvoxel go \"spin\nto \"spin\n#again\njump \"again\nend\n",
     "--max-steps 500", 3,
     std::string("cubalorn-batch: program stopped by --max-steps 500 at line 4 of PROGRAM") +
         kWritten},
    {"DefaultResumeLimit", kAnimation, "", 0,
     "cubalorn-batch: stopped after 600 REFRESHALL resumes, the default limit; --frames N sets "
     "another, --frames none lets it run on\n"},
    {"ChosenResumeLimit", kAnimation, "--frames 5", 0,
     "cubalorn-batch: stopped after 5 REFRESHALL resumes\n"},
    {"NoResumeLimit", kAnimation, "--frames none --max-steps 5000", 3,
     std::string("cubalorn-batch: program stopped by --max-steps 5000 at line 2 of PROGRAM") +
         kWritten},
};

INSTANTIATE_TEST_SUITE_P(Batch, Limits, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

// On a terminal the line shows after two seconds; --progress forces it so
// that its form can be checked. How often it is redrawn follows the clock,
// so every drawing is checked, and that the last is taken away.
TEST(Progress, LineIsRedrawnInPlaceAndTakenAway) {
    const std::string program = scratchPath("endless.logo");
    writeWholeFile(program, kEndless);
    const Result r = runBatch("--progress --no-hints --max-steps 50000 '" + program + "'");
    EXPECT_EQ(r.out, "started\nERROR - step limit of 50000 reached, program stopped, token jump\n");
    const std::string last =
        "\r\x1b[Kcubalorn-batch: program stopped by --max-steps 50000 at line 4 of " + program +
        "\n";
    ASSERT_GE(r.err.size(), last.size()) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - last.size()), last);
    const std::string drawings = r.err.substr(0, r.err.size() - last.size());
    const std::regex drawing(
        "\rcubalorn-batch: [0-9]+\\.[0-9] s, ([0-9]+) steps, 0 REFRESHALL resumes "
        "\\(Ctrl\\+C stops\\)\x1b\\[K");
    std::vector<unsigned long long> steps;
    size_t consumed = 0;
    for (std::sregex_iterator it(drawings.begin(), drawings.end(), drawing), end; it != end; ++it) {
        EXPECT_EQ(size_t(it->position()), consumed) << "nothing between drawings";
        consumed = size_t(it->position() + it->length());
        steps.push_back(std::stoull((*it)[1]));
    }
    EXPECT_EQ(consumed, drawings.size()) << drawings;
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps[0], 4096u) << "forced: drawn at the interpreter's first look-up";
    for (size_t i = 1; i < steps.size(); ++i) EXPECT_GT(steps[i], steps[i - 1]);
}

// The writers' own refusals are the export tests'; these two need the
// check before the run: a picture, and a folder that only seems writable.
TEST(OutputsChecked, BeforeTheProgramRuns) {
    const std::string program = scratchPath("program.logo");
    writeWholeFile(program, "print \"ran\n");
    const struct {
        std::string options, err;
    } cases[] = {
        {"--png /nonexistent/dir/a.png",
         "cubalorn-batch: cannot write '/nonexistent/dir/a.png': the directory '/nonexistent/dir' "
         "does not exist\n"},
        {"--vox /sys/a.vox",
         "cubalorn-batch: cannot write '/sys/a.vox': cannot create a file in its directory: "},
    };
    for (const auto& c : cases) {
        const Result r = runBatch(c.options + " '" + program + "'", "", "unset DISPLAY; ");
        EXPECT_EQ(r.status, 1) << c.options;
        EXPECT_EQ(r.out, "") << "the program must not have run";
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    }
}

TEST(Folder, ProgramsWriteOnlyBelowTheWorkingFolderUnlessAllowed) {
    std::string scratch = ::testing::TempDir() + "cubalorn_folder_XXXXXX";
    ASSERT_NE(::mkdtemp(scratch.data()), nullptr);
    ::mkdir((scratch + "/work").c_str(), 0755);
    ::mkdir((scratch + "/outside").c_str(), 0755);
    ASSERT_EQ(::symlink("../outside", (scratch + "/work/out").c_str()), 0);
    const std::string outside = scratch + "/outside/";
    std::string lines;
    for (const std::string& name :
         std::vector<std::string>{outside + "absolute", "../outside/upwards", "out/linked", "in"})
        lines += "openfile \"" + name + ".txt \"w\nwritelinefile \"x\nclosefile\n";
    const std::string moveIn = "cd '" + scratch + "/work' && ";

    const Result confined = runBatch("", lines, moveIn);
    for (const char* name : {"absolute.txt", "upwards.txt", "linked.txt"})
        EXPECT_EQ(fileOrMissing(outside + name), "(missing)") << name;
    EXPECT_EQ(fileOrMissing(scratch + "/work/in.txt"), "x\n");
    EXPECT_EQ(std::count(confined.out.begin(), confined.out.end(), '\n'), 9)
        << "for each refused name the open error and two without an open file\n"
        << confined.out;
    EXPECT_NE(confined.err.find("OPENFILE: out/linked.txt was not opened: a symbolic link in it "
                                "leads out of the working folder "),
              std::string::npos)
        << confined.err;

    const Result allowed = runBatch("--allow-any-path", lines, moveIn);
    EXPECT_EQ(allowed.out + allowed.err, "");
    for (const char* name : {"absolute.txt", "upwards.txt", "linked.txt"})
        EXPECT_EQ(fileOrMissing(outside + name), "x\n") << name;
    std::system(("rm -rf '" + scratch + "'").c_str());
}

struct HelpCase {
    const char* name;
    bool window;  // cubalorn, else cubalorn-batch
    std::string arguments;
    int status;
    std::vector<std::string> outHas;
    std::string err;  // its start
};

void PrintTo(const HelpCase& c, std::ostream* os) {
    *os << c.name;
}

class HelpAndVersion : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpAndVersion, AnswerWithoutRunningAnything) {
    const HelpCase& c = GetParam();
#ifdef CUBALORN_WINDOW
    const std::string binary = c.window ? CUBALORN_WINDOW : CUBALORN_BATCH;
#else
    if (c.window) GTEST_SKIP() << "built without the window program";
    const std::string binary = CUBALORN_BATCH;
#endif
    // No display: a window opened by mistake would fail the run.
    const std::string err = scratchPath("stderr");
    const Result r = runCommand("unset DISPLAY; '" + binary + "' " + c.arguments +
                                " < /dev/null 2> '" + err + "'");
    EXPECT_EQ(r.status, c.status);
    for (const std::string& text : c.outHas)
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    const std::string errors = readWholeFile(err);
    EXPECT_EQ(errors.substr(0, c.err.size()), c.err);
    if (c.err.empty()) {
        EXPECT_EQ(errors, "");
    }
}

const HelpCase kHelp[] = {
    {"WindowHelp",
     true,
     "--help",
     0,
     {"usage: cubalorn [options] [--] [PROGRAM]", "two or more", "FREECAM", "QUIT", "Escape",
      "Ctrl+C", "configwindows.xml.txt", "shaders/", "--allow-any-path"},
     ""},
    {"WindowShortHelpAfterAProgram", true, "prog.logo -h", 0, {"usage: cubalorn "}, ""},
    {"WindowVersion", true, "--version", 0, {std::string("cubalorn ") + CUBALORN_VERSION}, ""},
    {"WindowUnknownOption",
     true,
     "--fast",
     2,
     {},
     "cubalorn: unknown option --fast (a program file whose name starts with - goes after --)\n"
     "cubalorn --help shows the usage\n"},
    {"BatchShortHelp",
     false,
     "-h",
     0,
     {"usage: cubalorn-batch [options] [--] [FILE]", "--allow-any-path", "--progress",
      "Exit status"},
     ""},
    {"BatchVersion",
     false,
     "--version",
     0,
     {std::string("cubalorn-batch ") + CUBALORN_VERSION},
     ""},
    {"BatchFileAfterDoubleDash", false, "-- -h", 1, {}, "ERROR - could not open file -h\n"},
};

INSTANTIATE_TEST_SUITE_P(CommandLines, HelpAndVersion, ::testing::ValuesIn(kHelp),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn::testing
