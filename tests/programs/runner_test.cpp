// cubalorn-batch and cubalorn as a user starts them: stopping a run with
// Ctrl+C or a budget, the default resume limit, the progress line, output
// paths checked before the run, the folder a program is confined to, and
// the help and version options.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string substituted(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// One voxel, a line that says the program runs, then a loop whose every
// step is the JUMP on line 4.
const char* const kEndless =
    "initvolumesize 20 20 20\npenup goto 5 5 5 pendown setvoxel\nprint \"started\n"
    "#top jump \"top\n";

// A binary STL of the one voxel: 80 bytes of header, a count, 12 triangles.
constexpr size_t kOneVoxelStl = 84 + 12 * 50;

// --- Stopping ------------------------------------------------------------------

struct StopCase {
    const char* name;
    bool console;            // the lines come on standard input, else kEndless is a file
    bool picture;            // also --png, through a private X server
    std::string stderrLine;  // PROGRAM stands for the program file
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class Interrupt : public ::testing::TestWithParam<StopCase> {};

TEST_P(Interrupt, StopsWithStatus3AndWritesTheOutputs) {
    const StopCase& c = GetParam();
    const std::string program = scratchPath("endless.logo");
    const std::string stl = scratchPath("stopped.stl");
    const std::string vox = scratchPath("stopped.vox");
    const std::string png = scratchPath("stopped.png");
    writeWholeFile(program, kEndless);
    std::remove(stl.c_str());
    std::remove(vox.c_str());
    std::remove(png.c_str());
    std::vector<std::string> arguments{"--stl", stl, "--vox", vox};
    if (c.picture) arguments.insert(arguments.end(), {"--png", png, "--size", "64x48"});
    if (!c.console) arguments.push_back(program);
    RunningBatch batch(arguments, "", {"DISPLAY="});
    if (c.console) batch.writeInput("penup goto 5 5 5 pendown setvoxel\nprint \"started\n");
    // Once it has said so, the program runs (or the console waits for a line).
    ASSERT_EQ(batch.readLine(), "started\n");
    batch.interrupt();
    const Result r = batch.finish();
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out,
              c.console ? "started\n" : "started\nERROR - interrupted, line stopped, token jump\n");
    EXPECT_EQ(r.err, substituted(c.stderrLine, "PROGRAM", program));
    EXPECT_EQ(fileOrMissing(stl).size(), kOneVoxelStl);
    EXPECT_EQ(fileOrMissing(vox).substr(0, 4), "VOX ");
    if (c.picture) {
        EXPECT_EQ(fileOrMissing(png).substr(1, 3), "PNG");
    }
}

const StopCase kStops[] = {
    {"ProgramFile", false, false,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) at line 4 of PROGRAM; the outputs "
     "are written from the volume as it stands\n"},
    {"ConsoleWaitingForALine", true, false,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) in console line 2; the outputs are "
     "written from the volume as it stands\n"},
    // The private X server is not in the group the terminal signals, so it
    // is still there to draw the picture.
    {"ProgramFileWithAPicture", false, true,
     "cubalorn-batch: program stopped by an interrupt (Ctrl+C) at line 4 of PROGRAM; the outputs "
     "are written from the volume as it stands\n"},
};

INSTANTIATE_TEST_SUITE_P(Batch, Interrupt, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

struct LimitCase {
    const char* name;
    std::string program;
    std::string options;
    int status;
    std::string err;  // PROGRAM stands for the program file
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
    const Result r = runBatch(c.options + " --vox '" + vox + "' '" + program + "'");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, substituted(c.err, "PROGRAM", program));
    EXPECT_EQ(fileOrMissing(vox).substr(0, 4), "VOX ");
}

// One voxel first: an empty volume would add a warning to the exports.
const char* const kAnimation =
    "setvoxel make \"i 0\n#frame \"i = :i + 1 refreshall jump \"frame\n";

const LimitCase kLimits[] = {
    {"StepBudget", kEndless, "--max-steps 1000", 3,
     "cubalorn-batch: program stopped by --max-steps 1000 at line 4 of PROGRAM; the outputs are "
     "written from the volume as it stands\n"},
    {"Clock", kEndless, "--max-seconds 0.2", 3,
     "cubalorn-batch: program stopped by --max-seconds 0.2 at line 4 of PROGRAM; the outputs are "
     "written from the volume as it stands\n"},
    {"StopInsideAProcedureNamesItsLine", "setvoxel go \"spin\nto \"spin\n#again\njump \"again\nend\n",
     "--max-steps 500", 3,
     "cubalorn-batch: program stopped by --max-steps 500 at line 4 of PROGRAM; the outputs are "
     "written from the volume as it stands\n"},
    // Without --frames an endless animation ends after the default number
    // of passes, and says which option changes that.
    {"DefaultResumeLimit", kAnimation, "", 0,
     "cubalorn-batch: stopped after 600 REFRESHALL resumes, the default limit; --frames N sets "
     "another, --frames none lets it run on\n"},
    {"ChosenResumeLimit", kAnimation, "--frames 5", 0,
     "cubalorn-batch: stopped after 5 REFRESHALL resumes\n"},
    {"NoResumeLimit", kAnimation, "--frames none --max-steps 5000", 3,
     "cubalorn-batch: program stopped by --max-steps 5000 at line 2 of PROGRAM; the outputs are "
     "written from the volume as it stands\n"},
};

INSTANTIATE_TEST_SUITE_P(Batch, Limits, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

// The line only shows on a terminal after two seconds; --progress forces it
// so that its form can be checked. How often it is redrawn depends on the
// clock, so every drawing is checked, and that the last is taken away.
TEST(Progress, LineIsRedrawnInPlaceAndTakenAway) {
    const std::string program = scratchPath("endless.logo");
    writeWholeFile(program, kEndless);
    const Result r = runBatch("--progress --max-steps 50000 '" + program + "'");
    EXPECT_EQ(r.status, 3);
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
        EXPECT_EQ(size_t(it->position()), consumed) << "only drawings before the last line";
        consumed = size_t(it->position() + it->length());
        steps.push_back(std::stoull((*it)[1]));
    }
    EXPECT_EQ(consumed, drawings.size()) << drawings;
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps[0], 4096u) << "forced: drawn at the first look-up";
    for (size_t i = 1; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i] % 4096, 0u);
        EXPECT_GT(steps[i], steps[i - 1]);
    }
}

// --- Output paths, checked before the program runs -------------------------------

struct OutputCase {
    const char* name;
    std::string options;  // PROGRAM stands for the program file
    std::string err;      // the start of standard error
};

void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputsChecked : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputsChecked, BeforeTheProgramRuns) {
    const OutputCase& c = GetParam();
    const std::string program = scratchPath("program.logo");
    writeWholeFile(program, "print \"ran\n");
    const Result r = runBatch(substituted(c.options, "PROGRAM", program) + " '" + program + "'", "",
                              "unset DISPLAY; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "") << "the program must not have run";
    const std::string err = substituted(c.err, "PROGRAM", program);
    EXPECT_EQ(r.err.substr(0, err.size()), err) << r.err;
    EXPECT_EQ(readWholeFile(program), "print \"ran\n");
}

const OutputCase kOutputs[] = {
    {"MissingFolder", "--stl /nonexistent/dir/a.stl",
     "cubalorn-batch: cannot write '/nonexistent/dir/a.stl': the directory '/nonexistent/dir' "
     "does not exist\n"},
    {"PictureInAMissingFolder", "--png /nonexistent/dir/a.png",
     "cubalorn-batch: cannot write '/nonexistent/dir/a.png': the directory '/nonexistent/dir' "
     "does not exist\n"},
    {"FolderThatTakesNoFile", "--vox /sys/a.vox",
     "cubalorn-batch: cannot write '/sys/a.vox': cannot create a file in its directory: "},
    {"AFolder", "--ply /tmp", "cubalorn-batch: cannot write '/tmp': it is a directory\n"},
    {"TheProgramFile", "--obj PROGRAM",
     "cubalorn-batch: --obj PROGRAM would overwrite the program file\n"},
    {"TwoOutputsOneFile", "--stl /tmp/same.stl --png /tmp/./same.stl",
     "cubalorn-batch: --stl /tmp/same.stl and --png /tmp/./same.stl name the same file\n"},
};

INSTANTIATE_TEST_SUITE_P(Batch, OutputsChecked, ::testing::ValuesIn(kOutputs),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Confinement of the file commands --------------------------------------------

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "cubalorn_folder_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
        ::mkdir((scratch + "/work").c_str(), 0755);
        ::mkdir((scratch + "/outside").c_str(), 0755);
        ASSERT_EQ(::symlink("../outside", (scratch + "/work/out").c_str()), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + scratch + "'").c_str()); }
    std::string scratch;
};

TEST_F(Folder, ProgramsWriteOnlyBelowTheWorkingFolderUnlessAllowed) {
    const std::string outside = scratch + "/outside/";
    const std::string lines =
        "openfile \"" + outside +
        "absolute.txt \"w\nwritelinefile \"x\nclosefile\n"
        "openfile \"../outside/upwards.txt \"w\nwritelinefile \"x\nclosefile\n"
        "openfile \"out/linked.txt \"w\nwritelinefile \"x\nclosefile\n"
        "openfile \"inside.txt \"w\nwritelinefile \"x\nclosefile\n";
    const std::string moveIn = "cd '" + scratch + "/work' && ";
    const Result confined = runBatch("", lines, moveIn);
    EXPECT_EQ(confined.status, 0);
    for (const char* name : {"absolute.txt", "upwards.txt", "linked.txt"})
        EXPECT_EQ(fileOrMissing(outside + name), "(missing)") << name;
    EXPECT_EQ(fileOrMissing(scratch + "/work/inside.txt"), "x\n");
    EXPECT_EQ(std::count(confined.out.begin(), confined.out.end(), '\n'), 9)
        << "an open error and two no-file errors for each refused name\n"
        << confined.out;
    EXPECT_NE(confined.err.find("OPENFILE: out/linked.txt was not opened: a symbolic link in it "
                                "leads out of the working folder "),
              std::string::npos)
        << confined.err;

    const Result allowed = runBatch("--allow-any-path", lines, moveIn);
    EXPECT_EQ(allowed.out, "");
    EXPECT_EQ(allowed.err, "");
    for (const char* name : {"absolute.txt", "upwards.txt", "linked.txt"})
        EXPECT_EQ(fileOrMissing(outside + name), "x\n") << name;
}

// --- Help and version -------------------------------------------------------------

struct HelpCase {
    const char* name;
    bool window;  // cubalorn, else cubalorn-batch
    std::string arguments;
    int status;
    std::vector<std::string> outHas;  // each somewhere on standard output
    std::string errStart;
};

void PrintTo(const HelpCase& c, std::ostream* os) {
    *os << c.name;
}

class HelpAndVersion : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpAndVersion, AnswerWithoutRunningAnything) {
    const HelpCase& c = GetParam();
#ifndef CUBALORN_WINDOW
    if (c.window) GTEST_SKIP() << "built without the window program";
    const std::string binary = CUBALORN_BATCH;
#else
    const std::string binary = c.window ? CUBALORN_WINDOW : CUBALORN_BATCH;
#endif
    // No display: a window that opened by mistake would fail the run.
    const std::string err = scratchPath("stderr");
    const Result r = runCommand("unset DISPLAY; '" + binary + "' " + c.arguments +
                                " < /dev/null 2> '" + err + "'");
    const std::string errors = readWholeFile(err);
    EXPECT_EQ(r.status, c.status) << errors;
    for (const std::string& text : c.outHas)
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    EXPECT_EQ(errors.substr(0, c.errStart.size()), c.errStart);
    if (c.errStart.empty()) {
        EXPECT_EQ(errors, "");
    }
}

const std::string kVersion = CUBALORN_VERSION;

const HelpCase kHelp[] = {
    {"WindowHelp",
     true,
     "--help",
     0,
     {"usage: cubalorn [options] [--] [PROGRAM]", "interactive", "two or more", "HELP", "FREECAM",
      "QUIT", "Escape", "wireframe", "configwindows.xml.txt", "media/", "shaders/",
      "--allow-any-path"},
     ""},
    {"WindowShortHelp", true, "-h", 0, {"usage: cubalorn "}, ""},
    {"WindowHelpAfterAProgram", true, "prog.logo --help", 0, {"usage: cubalorn "}, ""},
    {"WindowVersion", true, "--version", 0, {"cubalorn " + kVersion + "\n"}, ""},
    {"WindowUnknownOption",
     true,
     "--fast",
     2,
     {},
     "cubalorn: unknown option --fast (a program file whose name starts with - goes after --)\n"
     "cubalorn --help shows the usage\n"},
    {"WindowSwitchWithValue", true, "--help=yes", 2, {}, "cubalorn: --help takes no value\n"},
    {"BatchShortHelp",
     false,
     "-h",
     0,
     {"usage: cubalorn-batch [options] [--] [FILE]", "--allow-any-path", "--progress", "--frames N",
      "--version", "Exit status"},
     ""},
    {"BatchVersion", false, "--version", 0, {"cubalorn-batch " + kVersion + "\n"}, ""},
    {"BatchUnknownShortOption", false, "-x", 2, {}, "cubalorn-batch: unknown option -x\nusage:"},
    // After "--" a name that starts with - is a file, here a missing one.
    {"BatchFileAfterDoubleDash", false, "-- -h", 1, {}, "ERROR - could not open file -h\n"},
};

INSTANTIATE_TEST_SUITE_P(CommandLines, HelpAndVersion, ::testing::ValuesIn(kHelp),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn::testing
