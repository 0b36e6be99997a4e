// The file commands of a confined program: what a refused name prints on
// both channels, and that nothing outside the working folder is touched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "interp/path_policy.h"
#include "interp/resource_folders.h"
#include "voxel_probe.h"

namespace cubalorn::testing {
namespace {

// scratch/work (the working folder) with out -> ../outside; scratch/outside
// holds secret.txt and a CSV sprite; scratch/share/media/font.bmp is an
// installed resource.
class ConfinedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "cubalorn_confined_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        char* real = ::realpath(pattern.c_str(), nullptr);
        scratch = real;
        std::free(real);
        for (const char* folder : {"/work", "/outside", "/share", "/share/media"})
            ::mkdir((scratch + folder).c_str(), 0755);
        write("/outside/secret.txt", "secret\n");
        write("/outside/sprite.csv", "1,1,1\n#FF0000FF\n");
        write("/share/media/font.bmp", "BM");
        ASSERT_EQ(::symlink("../outside", (scratch + "/work/out").c_str()), 0);
        policy = std::make_unique<PathPolicy>(PathPolicy::confinedTo(
            scratch + "/work", ResourceFolders({scratch + "/work", scratch + "/share"})));
        run.interpreter.setPathPolicy(policy.get());
    }
    void TearDown() override { std::system(("rm -rf '" + scratch + "'").c_str()); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(scratch + name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream in(scratch + name, std::ios::binary);
        if (!in) return "(missing)";
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string expand(std::string text) {
        // The scratch folder's own name may hold "S/": go on after it.
        for (size_t at = 0; (at = text.find("S/", at)) != std::string::npos; at += scratch.size())
            text.replace(at, 1, scratch);
        return text;
    }

    std::string scratch;
    std::unique_ptr<PathPolicy> policy;
    ProgramRun run;
};

struct RefusedCase {
    const char* name;
    std::vector<std::string> lines;  // "S" stands for the scratch folder
    std::string out;
    std::string diagnostics;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class Refused : public ConfinedProgram, public ::testing::WithParamInterface<RefusedCase> {};

const char* const kLift = " (--allow-any-path lets a program open any file)\n";

TEST_P(Refused, PrintsTheOpenErrorAndSaysWhy) {
    const RefusedCase& c = GetParam();
    std::vector<std::string> lines;
    for (const std::string& line : c.lines) lines.push_back(expand(line));
    EXPECT_EQ(run.console(lines), expand(c.out));
    EXPECT_EQ(run.out.diagnostics(), expand(c.diagnostics) + kLift);
    EXPECT_EQ(read("/outside/secret.txt"), "secret\n");
    EXPECT_EQ(read("/outside/new.txt"), "(missing)");
    EXPECT_TRUE(run.host.fonts.empty());
    EXPECT_TRUE(run.host.textures.empty());
    EXPECT_EQ(countVoxels(run.volume), 0u);
}

const RefusedCase kRefused[] = {
    {"ReadThroughALink",
     {"openfile \"out/secret.txt \"r"},
     "ERROR - could not open file out/secret.txt\n",
     "OPENFILE: out/secret.txt was not opened: a symbolic link in it leads out of the working "
     "folder S/work, to S/outside/secret.txt"},
    {"Loadcsv",
     {"loadcsv \"S/outside/sprite.csv 0"},
     "ERROR - could not open file S/outside/sprite.csv\n",
     "LOADCSV: S/outside/sprite.csv was not opened: it is outside the working folder S/work"},
    {"Getfont",
     {"getfont \"out/font.bmp"},
     "ERROR - could not open file out/font.bmp\n",
     "GETFONT: out/font.bmp was not opened: a symbolic link in it leads out of the working folder "
     "S/work, to S/outside"},
    {"Gettexture",
     {"gettexture \"/etc/hostname 1 2 3 4"},
     "ERROR - could not open file /etc/hostname\n",
     "GETTEXTURE: /etc/hostname was not opened: it is outside the working folder S/work"},
    // The name goes to standard output as the program wrote it, as every
    // message does; the diagnostic line shows the escape, not its effect.
    {"ControlCharacterEscapedInTheDiagnostic",
     {"openfile \"x\x1bz \"w"},
     "ERROR - could not open file x\x1bz\n",
     "OPENFILE: x\\x1Bz was not opened: its name holds control characters"},
};

INSTANTIATE_TEST_SUITE_P(Files, Refused, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfinedProgram, InsideTheFolderEverythingWorksAsBefore) {
    write("/work/sprite.csv", "1,1,1\n#FF0000FF\n");
    EXPECT_EQ(
        run.console({"openfile \"notes.txt \"w", "writelinefile \"kept", "closefile", "make \"c \"",
                     "openfile \"" + scratch + "/work/notes.txt \"r", "\"c = readcharfile",
                     "closefile", "penup goto 3 3 3 pendown", "loadcsv \"sprite.csv 0",
                     "getfont \"media/font.bmp", "gettexture \"sprite.csv 1 2 3 4"}),
        "getfont media/font\n");
    EXPECT_EQ(run.out.diagnostics(), "");
    EXPECT_EQ(read("/work/notes.txt"), "kept\n");
    EXPECT_EQ(run.variable("c"), "k");
    EXPECT_EQ(countVoxels(run.volume), 1u);
    // The font is named as the program wrote it, read from where it is installed.
    ASSERT_EQ(run.host.fonts.size(), 1u);
    EXPECT_EQ(run.host.fonts[0].name, "media/font");
    EXPECT_EQ(run.host.fonts[0].path, scratch + "/share/media/font.bmp");
    ASSERT_EQ(run.host.textures.size(), 1u);
    EXPECT_EQ(run.host.textures[0].path, scratch + "/work/sprite.csv");
}

}  // namespace
}  // namespace cubalorn::testing
