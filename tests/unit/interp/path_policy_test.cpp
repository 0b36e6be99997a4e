// The confinement of the file commands against a real folder tree with
// links pointing in, out and nowhere: the policy's decisions, and what the
// commands print when it refuses.

#include "interp/path_policy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "interp/interpreter.h"
#include "interp/recording_host.h"
#include "interp/resource_folders.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

// scratch/work            the working folder
//   notes.txt, sub/inner.txt
//   in -> sub             a link that stays inside
//   out -> ../outside     a link to a folder outside
//   secret -> ../outside/secret.txt
//   nowhere -> ../outside/none.txt   (its target is missing)
// scratch/outside/secret.txt
// scratch/share/media/font.bmp, scratch/share/private.txt   an installed place
class Tree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = ::testing::TempDir() + "cubalorn_paths_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        char* real = ::realpath(pattern.c_str(), nullptr);
        scratch = real;
        std::free(real);
        for (const char* folder : {"/work", "/work/sub", "/outside", "/share", "/share/media"})
            ::mkdir((scratch + folder).c_str(), 0755);
        for (const char* file : {"/work/notes.txt", "/work/sub/inner.txt", "/outside/secret.txt",
                                 "/share/media/font.bmp", "/share/private.txt"})
            std::ofstream(scratch + file) << "x";
        ASSERT_EQ(::symlink("sub", (scratch + "/work/in").c_str()), 0);
        ASSERT_EQ(::symlink("../outside", (scratch + "/work/out").c_str()), 0);
        ASSERT_EQ(::symlink("../outside/secret.txt", (scratch + "/work/secret").c_str()), 0);
        ASSERT_EQ(::symlink("../outside/none.txt", (scratch + "/work/nowhere").c_str()), 0);
    }
    static void TearDownTestSuite() { std::system(("rm -rf '" + scratch + "'").c_str()); }
    static PathPolicy policy() {
        return PathPolicy::confinedTo(scratch + "/work",
                                      ResourceFolders({scratch + "/work", scratch + "/share"}));
    }
    static std::string scratch;
};

std::string Tree::scratch;

struct Case {
    const char* name;
    std::string fileName;  // "S" stands for the scratch folder
    FileAccess access;
    bool allowed;
    std::string expected;  // the path to open, or the start of the reason
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string expand(std::string text, const std::string& scratch) {
    // The scratch folder's own name may hold "S/": go on after it.
    for (size_t at = 0; (at = text.find("S/", at)) != std::string::npos; at += scratch.size())
        text.replace(at, 1, scratch);
    return text;
}

class Confinement : public Tree, public ::testing::WithParamInterface<Case> {};

TEST_P(Confinement, DecidesByWhereTheNameLeads) {
    const Case& c = GetParam();
    const PathDecision d = policy().decide(expand(c.fileName, scratch), c.access);
    EXPECT_EQ(d.allowed, c.allowed) << d.reason;
    const std::string expected = expand(c.expected, scratch);
    if (c.allowed)
        EXPECT_EQ(d.path, expected);
    else
        EXPECT_EQ(d.reason.substr(0, expected.size()), expected);
}

const FileAccess R = FileAccess::Read;
const FileAccess W = FileAccess::Write;

const Case kCases[] = {
    {"PlainName", "notes.txt", R, true, "S/work/notes.txt"},
    {"NewFileIsMadeHere", "new.txt", W, true, "S/work/new.txt"},
    {"BelowAndBackInside", "sub/../sub/./inner.txt", R, true, "S/work/sub/inner.txt"},
    {"LinkThatStaysInside", "in/inner.txt", W, true, "S/work/sub/inner.txt"},
    {"AbsoluteInside", "S/work/sub/inner.txt", R, true, "S/work/sub/inner.txt"},
    {"MissingFolderInsideFailsLater", "no/such/file", W, true, "no/such/file"},
    {"AbsoluteOutside", "S/outside/secret.txt", R, false,
     "it is outside the working folder S/work"},
    {"AbsoluteNewFileOutside", "S/outside/new.txt", W, false, "it is outside the working folder"},
    {"DotDotOut", "../outside/secret.txt", W, false, "its .. leads out of the working folder"},
    {"LongDotDotChain", "sub/../../../../../../../etc/passwd", R, false, "its .. leads out"},
    {"DotDotOutOfAMissingFolder", "no/../../x", W, false, "its .. leads out"},
    {"LinkedFolderOut", "out/secret.txt", R, false,
     "a symbolic link in it leads out of the working folder S/work, to S/outside/secret.txt"},
    {"NewFileThroughLinkedFolder", "out/new.txt", W, false, "a symbolic link in it leads out"},
    {"LinkedFileOut", "secret", W, false, "a symbolic link in it leads out"},
    {"DanglingLinkWouldMakeItsTarget", "nowhere", W, false,
     "it is a symbolic link whose target does not exist"},
    {"InstalledMediaIsReadable", "S/share/media/font.bmp", R, true, "S/share/media/font.bmp"},
    {"InstalledMediaIsNotWritable", "S/share/media/font.bmp", W, false, "it is outside"},
    {"RestOfTheInstalledPlaceIsNot", "S/share/private.txt", R, false, "it is outside"},
    {"RelativeMediaFoundWhereInstalled", "media/font.bmp", R, true, "S/share/media/font.bmp"},
    // Found nowhere (the installed place is no way to the rest of it): the
    // name stays, and opening it fails as for any missing file.
    {"InstalledPlaceIsNoWayOut", "media/../private.txt", R, true, "media/../private.txt"},
    {"ControlCharacters", "bad\x1b[2Jname", W, false, "its name holds control characters"},
    {"Newline", "two\nlines", R, false, "its name holds control characters"},
    {"LongName", std::string(5000, 'a'), W, false, "its name is longer than 4096 bytes"},
    {"LongButAllowedName", std::string(300, 'a'), W, true, "S/work/" + std::string(300, 'a')},
};

INSTANTIATE_TEST_SUITE_P(Paths, Confinement, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tree, AnyPathOpensEveryNameAsItIs) {
    const PathPolicy any = PathPolicy::anyPath();
    for (const std::string name : {"../outside/secret.txt", "/etc/passwd", "bad\x1bname"}) {
        const PathDecision d = any.decide(name, FileAccess::Write);
        EXPECT_TRUE(d.allowed);
        EXPECT_EQ(d.path, name);
    }
}

TEST(PathText, NormalFormsAndEscapes) {
    const struct {
        const char* path;
        const char* normal;
    } paths[] = {{"/", "/"},           {"/a/./b/../c", "/a/c"}, {"/../../x", "/x"},
                 {"//a///b/", "/a/b"}, {"/a/b/..", "/a"},       {"/a/..b", "/a/..b"}};
    for (const auto& p : paths) EXPECT_EQ(lexicallyNormal(p.path), p.normal) << p.path;

    EXPECT_TRUE(isWithin("/w", "/w"));
    EXPECT_TRUE(isWithin("/w/x", "/w"));
    EXPECT_FALSE(isWithin("/wx", "/w"));
    EXPECT_TRUE(isWithin("/anything", "/"));

    EXPECT_EQ(printableName("a\x1b[2J\n\\b"), "a\\x1B[2J\\x0A\\x5Cb");
    EXPECT_EQ(printableName("caf\xc3\xa9"), "caf\xc3\xa9");
}

TEST_F(Tree, ResourcesAreFoundInOrderAndNamedWhenMissing) {
    const ResourceFolders folders(
        {scratch + "/work", scratch + "/share", scratch + "/./share", scratch + "/outside"});
    EXPECT_EQ(folders.places().size(), 3u) << "a place given twice is searched once";
    EXPECT_EQ(folders.find("notes.txt"), "notes.txt") << "the working folder's name as it is";
    EXPECT_EQ(folders.find("media/font.bmp"), scratch + "/share/media/font.bmp");
    EXPECT_EQ(folders.find("secret.txt"), scratch + "/outside/secret.txt");
    EXPECT_EQ(folders.find("none.txt"), "");
    EXPECT_EQ(folders.describeMissing("none.txt"), "none.txt was not found in " + scratch +
                                                       "/work, " + scratch + "/share, " + scratch +
                                                       "/outside");
}

// A confined interpreter: each file command refuses with the open error on
// standard output and the reason on the diagnostics channel, and opens what
// the policy resolved.
class Commands : public Tree {
protected:
    Commands() : volume(Region{{0, 0, 0}, {20, 20, 20}}, 32), world(volume) {
        interpreter.setPathPolicy(&confined);
    }
    std::string run(const std::string& line) {
        interpreter.assignProgram(expand(line, scratch));
        interpreter.lineFinished = false;
        interpreter.runLine();
        return out.text();
    }
    PathPolicy confined = policy();
    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter{world, host, out};
};

TEST_F(Commands, RefuseWithTheOpenErrorAndSayWhy) {
    const struct {
        std::string line, name, diagnostic;
    } cases[] = {
        {"openfile \"out/secret.txt \"w", "out/secret.txt",
         "OPENFILE: out/secret.txt was not opened: a symbolic link in it leads out of the working "
         "folder S/work, to S/outside/secret.txt"},
        {"loadcsv \"S/outside/secret.txt 0", "S/outside/secret.txt",
         "LOADCSV: S/outside/secret.txt was not opened: it is outside the working folder S/work"},
        {"getfont \"../outside/font.bmp", "../outside/font.bmp",
         "GETFONT: ../outside/font.bmp was not opened: its .. leads out"},
        {"gettexture \"/etc/hostname 1 2 3 4", "/etc/hostname",
         "GETTEXTURE: /etc/hostname was not opened: it is outside"},
        // Standard output shows the name as written, as every message does;
        // the diagnostic shows the escape, not its effect on a terminal.
        {"openfile \"x\x1bz \"w", "x\x1bz",
         "OPENFILE: x\\x1Bz was not opened: its name holds control characters"},
    };
    for (const auto& c : cases) {
        out.clear();
        EXPECT_EQ(run(c.line), "ERROR - could not open file " + expand(c.name, scratch) + "\n");
        const std::string start = expand(c.diagnostic, scratch);
        EXPECT_EQ(out.diagnostics().substr(0, start.size()), start) << out.diagnostics();
        const std::string lift = " (--allow-any-path lets a program open any file)\n";
        EXPECT_EQ(std::count(out.diagnostics().begin(), out.diagnostics().end(), '\n'), 1);
        EXPECT_EQ(out.diagnostics().substr(out.diagnostics().size() - lift.size()), lift);
    }
    EXPECT_TRUE(host.fonts.empty());
    EXPECT_TRUE(host.textures.empty());
    std::ifstream secret(scratch + "/outside/secret.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(secret), {}), "x");
}

TEST_F(Commands, OpenWhatThePolicyResolved) {
    EXPECT_EQ(run("openfile \"made.txt \"w writelinefile \"kept closefile getfont "
                  "\"media/font.bmp gettexture \"in/inner.txt 1 2 3 4"),
              "getfont media/font\n");
    EXPECT_EQ(out.diagnostics(), "");
    std::ifstream made(scratch + "/work/made.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(made), {}), "kept\n");
    std::remove((scratch + "/work/made.txt").c_str());
    // Named as the program wrote it, read from where it is installed.
    ASSERT_EQ(host.fonts.size(), 1u);
    EXPECT_EQ(host.fonts[0].name, "media/font");
    EXPECT_EQ(host.fonts[0].path, scratch + "/share/media/font.bmp");
    ASSERT_EQ(host.textures.size(), 1u);
    EXPECT_EQ(host.textures[0].path, scratch + "/work/sub/inner.txt");
}

}  // namespace
}  // namespace cubalorn
