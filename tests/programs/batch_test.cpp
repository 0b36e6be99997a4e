// The headless runner as a user runs it: a real process, its standard
// input, output, error stream and exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"

namespace {

using cubalorn::testing::runBatch;
using cubalorn::testing::runCommand;
using Result = cubalorn::testing::CommandResult;

std::string scratch(const std::string& name) {
    return cubalorn::testing::scratchPath(name);
}
void writeFile(const std::string& path, const std::string& text) {
    cubalorn::testing::writeWholeFile(path, text);
}
std::string readFile(const std::string& path) {
    return cubalorn::testing::readWholeFile(path);
}

TEST(Batch, RunsStandardInputAsConsoleLines) {
    const Result r = runBatch("",
                              "make \"x 1\nprint :x\n\nHELP\nrepeat 2 [ print \"a ]\nQUIT\n"
                              "print \"never\n");
    EXPECT_EQ(r.out,
              "1\nHELP > Show this help\n"
              "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
              "FREECAM > Quit interpreter to fly with freecam\nQUIT > Quit program\n"
              "UNDO > Undo the last line: drawing, turtle, pen and colours (variables stay)\n"
              "REDO > Redo the line UNDO took back\na\na\n");
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
     "cubalorn-batch: --max-resumes needs a whole number of 0 or more, or none, not '-3'\n"},
    {"BadFrames", "--frames 2x", 2,
     "cubalorn-batch: --frames needs a whole number of 0 or more, or none, not '2x'\n"},
    {"ZeroScale", "--scale 0", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not '0'\n"},
    {"NegativeScale", "--scale=-1", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not '-1'\n"},
    {"EndlessScale", "--scale inf", 2,
     "cubalorn-batch: --scale needs a number greater than 0, not 'inf'\n"},
    {"EmptyPath", "--stl=", 2, "cubalorn-batch: --stl needs a file name\n"},
    {"SwitchWithValue", "--smooth=1", 2, "cubalorn-batch: --smooth takes no value\n"},
    {"EveryWithoutPng", "--png-every 3 a.logo", 2,
     "cubalorn-batch: --png-every goes with --png, which names the picture\n"},
    {"SizeWithoutPng", "--size 64x64 a.logo", 2,
     "cubalorn-batch: --size goes with --png, which names the picture\n"},
    {"SizeTooSmall", "--png a.png --size 8x8", 2,
     "cubalorn-batch: --size needs WIDTHxHEIGHT, each from 16 to 8192, not '8x8'\n"},
    {"SizeNotASize", "--png a.png --size 640", 2,
     "cubalorn-batch: --size needs WIDTHxHEIGHT, each from 16 to 8192, not '640'\n"},
    {"EveryZero", "--png a.png --png-every 0", 2,
     "cubalorn-batch: --png-every needs a whole number of 1 or more, not '0'\n"},
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
    // The volume's memory: 36 bytes of index per block of 32^3 voxels, and
    // the shared empty block (16 bytes of header, 64 KiB of voxels).
    EXPECT_EQ(r.out,
              "done\ncubic mesh: 0 vertices, 0 indices\nsmooth mesh: 0 vertices, 0 indices\n"
              "volume memory: 65588 bytes, 0 of 1 blocks hold their own voxels\n");
    EXPECT_EQ(r.status, 0);
    // Console lines get the report after the last line too (4 x 2 x 4 blocks).
    EXPECT_EQ(runBatch("--mesh-report", "print 1\n").out,
              "1\ncubic mesh: 0 vertices, 0 indices\nsmooth mesh: 0 vertices, 0 indices\n"
              "volume memory: 66704 bytes, 0 of 32 blocks hold their own voxels\n");
}

TEST(Batch, MeshReportCountsBothSurfacesOfOneVoxel) {
    const std::string program = scratch("voxel.logo");
    writeFile(program, "initvolumesize 20 20 20\npenup goto 5 5 5 pendown setvoxel\n");
    EXPECT_EQ(runBatch("--mesh-report '" + program + "'").out,
              "cubic mesh: 24 vertices, 36 indices\nsmooth mesh: 6 vertices, 24 indices\n"
              "volume memory: 131140 bytes, 1 of 1 blocks hold their own voxels\n");
}

// UNDO and REDO at the headless console: back and forth over the drawing,
// the pen and the colours; a program line clears what could be redone.
TEST(Batch, UndoAndRedoAtTheConsole) {
    const Result r =
        runBatch("--mesh-report",
                 "pencolor 9 penup goto 5 5 5 pendown setvoxel\nsetrgb 9 1 2 3\n"
                 "print 1\nundo\nUndo\nUNDO\nredo\nmake \"c 0 \"c = getvoxel print :c\n"
                 "redo\nredo\n");
    // After the undos nothing is drawn; REDO brings back the voxel (the
    // probe line is one more line, so the last REDO finds nothing).
    EXPECT_EQ(r.out,
              "1\n9\ncubic mesh: 24 vertices, 36 indices\nsmooth mesh: 6 vertices, 24 indices\n"
              "volume memory: 132256 bytes, 1 of 32 blocks hold their own voxels\n");
    EXPECT_EQ(r.err, "UNDO: nothing to undo\nREDO: nothing to redo\nREDO: nothing to redo\n");
    EXPECT_EQ(r.status, 0);
}

// The check for an empty .vox reads only the blocks that hold anything: a
// lone voxel in the last, partly filled block at the far corner still counts.
TEST(Batch, VoxWarnsOnlyWhenNoVoxelIsSolid) {
    const struct {
        const char* name;
        const char* program;
        bool warned;
    } cases[] = {
        {"Empty", "initvolumesize 70 40 70\n", true},
        {"FarCorner", "initvolumesize 70 40 70\npenup goto 70 40 70 pendown setvoxel\n", false},
        {"NearCorner", "initvolumesize 70 40 70\npenup goto 0 0 0 pendown setvoxel\n", false},
    };
    for (const auto& c : cases) {
        const std::string program = scratch(std::string(c.name) + ".logo");
        writeFile(program, c.program);
        const Result r =
            runBatch("--vox '" + scratch(std::string(c.name) + ".vox") + "' '" + program + "'");
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.err.find("holds no voxels") != std::string::npos, c.warned)
            << c.name << ": " << r.err;
    }
}

TEST(Batch, HelpListsEveryOption) {
    const Result r = runBatch("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--png PATH", "--size WxH", "--png-every K", "--max-resumes N", "--frames N",
          "--mesh-report", "--obj PATH", "--ply PATH", "--stl PATH", "--vox PATH", "--3mf PATH",
          "--glb PATH", "--origin PLACE", "--smooth", "--scale MM", "--help"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

}  // namespace

namespace {

// Exports read back by programs no one here wrote: admesh for the STL,
// assimp for the OBJ and the PLY. The sculpture is two boxes whose counts
// follow from their sizes alone.
struct Box {
    int x, y, z;  // lower corner
    int w, h, d;  // extent along x, y, z
    int material;
};

const Box kBoxes[] = {{5, 0, 5, 4, 3, 2, 9}, {20, 10, 20, 2, 1, 5, 32}};

std::string boxesProgram() {
    std::string text = "initvolumesize 40 40 40\n";
    for (const Box& b : kBoxes)
        text += "penup goto " + std::to_string(b.x) + " " + std::to_string(b.y) + " " +
                std::to_string(b.z) + " pendown pencolor " + std::to_string(b.material) + " cube " +
                std::to_string(b.d) + " " + std::to_string(b.h) + " " + std::to_string(b.w) + "\n";
    return text;
}

long long boxTriangles(const Box& b) {
    return 4LL * (b.w * b.h + b.h * b.d + b.d * b.w);
}

// Distinct (corner, normal) pairs: a grid of corners on each of the six sides.
long long boxSideCorners(const Box& b) {
    return 2LL * ((b.w + 1) * (b.h + 1) + (b.h + 1) * (b.d + 1) + (b.d + 1) * (b.w + 1));
}

// Distinct corners of the lattice on the box's surface: the PLY writes each
// once per colour, and each box has one colour.
long long boxSurfacePoints(const Box& b) {
    return 1LL * (b.w + 1) * (b.h + 1) * (b.d + 1) - 1LL * (b.w - 1) * (b.h - 1) * (b.d - 1);
}

// The number after "label" and its ':' or '=' on the tool's report, or -1.
double reportedNumber(const std::string& report, const std::string& label, int column = 0) {
    const size_t at = report.find(label);
    if (at == std::string::npos) return -1;
    std::istringstream rest(report.substr(report.find_first_of(":=", at) + 1));
    double value = -1;
    for (int i = 0; i <= column; ++i) rest >> value;
    return value;
}

class Consumers : public ::testing::Test {
protected:
    void SetUp() override {
        program = scratch("boxes.logo");
        writeFile(program, boxesProgram());
        for (const Box& b : kBoxes) {
            triangles += boxTriangles(b);
            sideCorners += boxSideCorners(b);
            surfacePoints += boxSurfacePoints(b);
            volume += b.w * b.h * b.d;
        }
    }
    std::string program;
    long long triangles = 0, sideCorners = 0, surfacePoints = 0, volume = 0;
};

TEST_F(Consumers, AdmeshFindsAClosedPrintableSurface) {
    for (const double scale : {1.0, 2.5}) {
        const std::string stl = scratch("boxes.stl");
        const Result r =
            runBatch("--stl '" + stl + "' --scale " + std::to_string(scale) + " '" + program + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const Result admesh = runCommand("admesh '" + stl + "' 2>&1");
        ASSERT_EQ(admesh.status, 0) << admesh.out;
        const std::string& report = admesh.out;
        EXPECT_EQ(reportedNumber(report, "Number of facets"), triangles) << report;
        EXPECT_EQ(reportedNumber(report, "Total disconnected facets"), 0) << report;
        EXPECT_EQ(reportedNumber(report, "Facets with 1 disconnected edge"), 0) << report;
        EXPECT_EQ(reportedNumber(report, "Number of parts"), 2) << report;
        for (const char* repair :
             {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added",
              "Facets reversed", "Backwards edges", "Normals fixed"})
            EXPECT_EQ(reportedNumber(report, repair), 0) << repair << "\n" << report;
        // Outward normals give a positive volume; scale is per voxel, so cubed.
        EXPECT_NEAR(reportedNumber(report, "Volume"), volume * scale * scale * scale, 1e-3)
            << report;
        // On the plate: the floor box's bottom at z = 0, the top 11 voxels up,
        // centred in x and y.
        EXPECT_NEAR(reportedNumber(report, "Min Z"), 0, 1e-4) << report;
        EXPECT_NEAR(reportedNumber(report, "Max Z"), 11 * scale, 1e-4) << report;
        EXPECT_NEAR(reportedNumber(report, "Min X"), -reportedNumber(report, "Max X"), 1e-4);
        EXPECT_NEAR(reportedNumber(report, "Min Y"), -reportedNumber(report, "Max Y"), 1e-4);
    }
}

TEST_F(Consumers, AssimpLoadsObjAndPlyWithTheirCounts) {
    const std::string obj = scratch("boxes.obj");
    const std::string ply = scratch("boxes.ply");
    const Result r = runBatch("--obj '" + obj + "' --ply '" + ply + "' '" + program + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readFile(scratch("boxes.mtl")).find("newmtl m32"), std::string::npos);

    struct Expectation {
        std::string file;
        double meshes;
        long long vertices;
    };
    // OBJ: one mesh per material, and assimp joins equal vertices, so each
    // side's grid of corners once (its normal tells the sides apart); PLY:
    // one mesh with vertex colours, welded, so each corner once.
    for (const Expectation& e :
         {Expectation{obj, 2, sideCorners}, Expectation{ply, 1, surfacePoints}}) {
        const Result info = runCommand("assimp info '" + e.file + "' 2>&1");
        ASSERT_EQ(info.status, 0) << info.out;
        EXPECT_EQ(reportedNumber(info.out, "Faces:"), triangles) << e.file << info.out;
        EXPECT_EQ(reportedNumber(info.out, "Vertices:"), e.vertices) << e.file << info.out;
        EXPECT_EQ(reportedNumber(info.out, "Meshes:"), e.meshes) << e.file << info.out;
        EXPECT_NE(info.out.find("Primitive Types:    triangles"), std::string::npos);
        // y up, standing on y = 0, centred in x and z.
        EXPECT_NE(info.out.find("Minimum point      (-8.500000 0.000000 -10.000000)"),
                  std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("Maximum point      (8.500000 11.000000 10.000000)"),
                  std::string::npos)
            << info.out;
    }
}

TEST(SmoothConsumers, SurfacesAreClosedToo) {
    // A ball in the air and a box on the volume's floor: two closed pieces.
    const std::string program = scratch("ball.logo");
    writeFile(program,
              "initvolumesize 40 40 40\npenup goto 20 20 20 pendown pencolor 21 sphere 8\n"
              "penup goto 2 0 2 pendown cube 5 3 5\n");
    const std::string stl = scratch("ball.stl");
    const std::string obj = scratch("ball.obj");
    const Result r = runBatch("--smooth --stl '" + stl + "' --obj '" + obj + "' '" + program + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const Result admesh = runCommand("admesh '" + stl + "' 2>&1");
    const double facets = reportedNumber(admesh.out, "Number of facets");
    EXPECT_GT(facets, 1000) << admesh.out;
    EXPECT_EQ(reportedNumber(admesh.out, "Total disconnected facets"), 0) << admesh.out;
    EXPECT_EQ(reportedNumber(admesh.out, "Number of parts"), 2) << admesh.out;
    EXPECT_EQ(reportedNumber(admesh.out, "Backwards edges"), 0) << admesh.out;
    EXPECT_GT(reportedNumber(admesh.out, "Volume"), 0) << admesh.out;
    // Closed triangle surfaces without holes: V - E + F = 2 per piece, and
    // E = 3F / 2, so V = F / 2 + 4 for the two pieces.
    const Result info = runCommand("assimp info '" + obj + "' 2>&1");
    EXPECT_EQ(reportedNumber(info.out, "Faces:"), facets) << info.out;
    EXPECT_EQ(reportedNumber(info.out, "Vertices:"), facets / 2 + 4) << info.out;
}

std::string fileOrMissing(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "(missing)";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(Consumers, FailedExportsLeaveEverythingAsItWas) {
    const std::string stl = scratch("kept.stl");
    const std::string vox = scratch("other.vox");
    writeFile(stl, "old stl");
    // A file size limit of four blocks: the STL cannot be written, the small
    // .vox beside it can.
    const Result r =
        runBatch("--stl '" + stl + "' --vox '" + vox + "' '" + program + "'", "", "ulimit -f 4; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cubalorn-batch: cannot write '" + stl +
                         "': the data could not be written: File too large\n");
    EXPECT_EQ(fileOrMissing(stl), "old stl");
    EXPECT_EQ(fileOrMissing(vox).substr(0, 4), "VOX ");
    // No temporary file is left beside them.
    const std::string name = stl.substr(stl.rfind('/') + 1);
    const Result leftovers =
        runCommand("ls -a '" + ::testing::TempDir() + "' | grep -c -F '." + name + ".'");
    EXPECT_EQ(leftovers.out, "0\n");
}

struct Refusal {
    const char* name;
    std::string arguments;  // "PROGRAM" stands for the program file
    std::string error;      // likewise
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class ExportRefusals : public Consumers, public ::testing::WithParamInterface<Refusal> {};

std::string substituted(std::string text, const std::string& program) {
    for (size_t at; (at = text.find("PROGRAM")) != std::string::npos;) text.replace(at, 7, program);
    return text;
}

TEST_P(ExportRefusals, SayWhyAndKeepTheFiles) {
    const Refusal& c = GetParam();
    writeFile(program, "print \"ran\n" + boxesProgram());
    const std::string before = readFile(program);
    const Result r = runBatch(substituted(c.arguments, program));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, substituted(c.error, program));
    EXPECT_EQ(r.out, "") << "refused before the program runs";
    EXPECT_EQ(readFile(program), before);
}

const Refusal kRefusals[] = {
    {"MissingDirectory", "--stl /nonexistent/dir/a.stl 'PROGRAM'",
     "cubalorn-batch: cannot write '/nonexistent/dir/a.stl': the directory '/nonexistent/dir' "
     "does not exist\n"},
    {"TheProgramItself", "--ply 'PROGRAM' 'PROGRAM'",
     "cubalorn-batch: --ply PROGRAM would overwrite the program file\n"},
    {"ObjNamedLikeItsMaterials", "--obj /tmp/x.mtl 'PROGRAM'",
     "cubalorn-batch: --obj (material library) /tmp/x.mtl and --obj /tmp/x.mtl name the same "
     "file\n"},
    {"SameFileTwice", "--stl /tmp/same.stl --vox /tmp/./same.stl 'PROGRAM'",
     "cubalorn-batch: --stl /tmp/same.stl and --vox /tmp/./same.stl name the same file\n"},
    {"ADevice", "--stl /dev/full 'PROGRAM'",
     "cubalorn-batch: cannot write '/dev/full': it exists and is not a regular file\n"},
    {"GlbOverTheProgram", "--glb 'PROGRAM' 'PROGRAM'",
     "cubalorn-batch: --glb PROGRAM would overwrite the program file\n"},
    {"ThreeMfAndGlbOneFile", "--3mf /tmp/one.model --glb /tmp/one.model 'PROGRAM'",
     "cubalorn-batch: --3mf /tmp/one.model and --glb /tmp/one.model name the same file\n"},
    {"ThreeMfIntoADirectory", "--3mf /tmp 'PROGRAM'",
     "cubalorn-batch: cannot write '/tmp': it is a directory\n"},
};

INSTANTIATE_TEST_SUITE_P(Batch, ExportRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A .vox opened by goxel, which writes every voxel it loaded as a text line
// "X Y Z RRGGBB". Boxes straddle the model seams at 256 on both split axes.
TEST(VoxConsumer, GoxelOpensEveryModelInPlace) {
    struct VoxBox {
        int x, y, z, w, h, d, material;
        const char* colour;
    };
    const VoxBox boxes[] = {{250, 2, 250, 12, 3, 10, 9, "ff0000"},
                            {0, 0, 0, 1, 1, 1, 40, "010203"},
                            {100, 255, 3, 2, 4, 2, 64, "ff00ff"}};
    std::string text = "initvolumesize 299 270 270\nsetrgb 40 1 2 3\n";
    for (const VoxBox& b : boxes)
        text += "penup goto " + std::to_string(b.x) + " " + std::to_string(b.y) + " " +
                std::to_string(b.z) + " pendown pencolor " + std::to_string(b.material) + " cube " +
                std::to_string(b.d) + " " + std::to_string(b.h) + " " + std::to_string(b.w) + "\n";
    const std::string program = scratch("seams.logo");
    const std::string vox = scratch("seams.vox");
    const std::string listing = scratch("seams.txt");
    writeFile(program, text);
    const Result r = runBatch("--vox '" + vox + "' '" + program + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const Result goxel =
        runCommand("xvfb-run -a goxel '" + vox + "' -e '" + listing + "' > /dev/null 2>&1");
    ASSERT_EQ(goxel.status, 0);

    // The file is z up and not mirrored: the volume's (x, y, z) is (x, z, y) there.
    std::set<std::string> expected;
    for (const VoxBox& b : boxes)
        for (int z = b.z; z < b.z + b.d; ++z)
            for (int y = b.y; y < b.y + b.h; ++y)
                for (int x = b.x; x < b.x + b.w; ++x)
                    expected.insert(std::to_string(x) + " " + std::to_string(z) + " " +
                                    std::to_string(y) + " " + b.colour);
    // goxel may move the whole scene; the voxels' places relative to each
    // other must stay. Both sets are compared from their lowest corner.
    auto normalised = [](const std::vector<std::array<int, 3>>& points,
                         const std::vector<std::string>& colours) {
        std::array<int, 3> low{INT32_MAX, INT32_MAX, INT32_MAX};
        for (const auto& p : points)
            for (int k = 0; k < 3; ++k) low[k] = std::min(low[k], p[k]);
        std::set<std::string> out;
        for (size_t i = 0; i < points.size(); ++i)
            out.insert(std::to_string(points[i][0] - low[0]) + " " +
                       std::to_string(points[i][1] - low[1]) + " " +
                       std::to_string(points[i][2] - low[2]) + " " + colours[i]);
        return out;
    };
    auto parse = [](std::istream& in, std::vector<std::array<int, 3>>& points,
                    std::vector<std::string>& colours) {
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream words(line);
            std::array<int, 3> p;
            std::string colour;
            words >> p[0] >> p[1] >> p[2] >> colour;
            points.push_back(p);
            colours.push_back(colour);
        }
    };
    std::vector<std::array<int, 3>> points, expectedPoints;
    std::vector<std::string> colours, expectedColours;
    std::ifstream found(listing);
    parse(found, points, colours);
    std::istringstream wanted([&] {
        std::string all;
        for (const std::string& e : expected) all += e + "\n";
        return all;
    }());
    parse(wanted, expectedPoints, expectedColours);
    EXPECT_EQ(points.size(), expected.size());
    EXPECT_EQ(normalised(points, colours), normalised(expectedPoints, expectedColours));
}

}  // namespace

namespace {

// Pictures through the real OpenGL driver. The tests run without DISPLAY so
// that cubalorn-batch starts its own X server, as it would on a machine
// without a screen.
const char* const kNoDisplay = "unset DISPLAY; ";

struct PngSize {
    int width = -1, height = -1;
};

// Width and height from the IHDR chunk, which a PNG must start with.
PngSize pngSize(const std::string& bytes) {
    PngSize size;
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return size;
    auto u32 = [&](size_t at) {
        return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
               (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
    };
    size.width = static_cast<int>(u32(16));
    size.height = static_cast<int>(u32(20));
    return size;
}

struct Rgb8 {
    int r = -1, g = -1, b = -1;
};

// One pixel, read by ImageMagick.
Rgb8 pixelAt(const std::string& png, int x, int y) {
    const Result r = runCommand("convert '" + png + "' -crop 1x1+" + std::to_string(x) + "+" +
                                std::to_string(y) + " -depth 8 txt:- 2>/dev/null");
    Rgb8 c;
    const size_t hash = r.out.find('#', r.out.find('\n'));
    if (hash == std::string::npos || hash + 7 > r.out.size()) return c;
    c.r = std::stoi(r.out.substr(hash + 1, 2), nullptr, 16);
    c.g = std::stoi(r.out.substr(hash + 3, 2), nullptr, 16);
    c.b = std::stoi(r.out.substr(hash + 5, 2), nullptr, 16);
    return c;
}

// A block of one colour in front of a camera that looks at its middle. The
// window turns the mesh half round the vertical axis, so the voxel (x, y, z)
// is drawn at (-x, y, -z): the camera's numbers are in that frame.
std::string blockProgram(int material, int red, int green, int blue) {
    return "initvolumesize 60 60 60\nbackground 60 60 60\ncamerapos -30 30 30 -30 30 -30\n"
           "setrgb " +
           std::to_string(material) + " " + std::to_string(red) + " " + std::to_string(green) +
           " " + std::to_string(blue) + "\npencolor " + std::to_string(material) +
           "\npenup goto 20 20 20 pendown cube 20 20 20\n";
}

struct ColourCase {
    const char* name;
    int material, red, green, blue;
    int width, height;
};

void PrintTo(const ColourCase& c, std::ostream* os) {
    *os << c.name;
}

class Pictures : public ::testing::TestWithParam<ColourCase> {};

TEST_P(Pictures, ShowTheVoxelsInTheirPaletteColour) {
    const ColourCase& c = GetParam();
    const std::string program = scratch("block.logo");
    const std::string png = scratch("block.png");
    writeFile(program, blockProgram(c.material, c.red, c.green, c.blue));
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    const Result r =
        runBatch("--png '" + png + "' --size " + size + " '" + program + "'", "", kNoDisplay);
    ASSERT_EQ(r.status, 0) << r.err;
    const PngSize s = pngSize(readFile(png));
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);

    // The block fills the middle: its colour, lit and shaded, keeps its
    // strongest channel strongest.
    const Rgb8 middle = pixelAt(png, c.width / 2, c.height / 2);
    const int channels[3] = {middle.r, middle.g, middle.b};
    const int wanted[3] = {c.red, c.green, c.blue};
    const int strongest = int(std::max_element(wanted, wanted + 3) - wanted);
    for (int k = 0; k < 3; ++k) {
        if (k == strongest) continue;
        EXPECT_GT(channels[strongest], channels[k] + 40)
            << "channel " << k << " at the middle: " << middle.r << "," << middle.g << ","
            << middle.b;
    }
    // A corner shows the program's background.
    const Rgb8 corner = pixelAt(png, 2, 2);
    EXPECT_NEAR(corner.r, 60, 12);
    EXPECT_NEAR(corner.g, 60, 12);
    EXPECT_NEAR(corner.b, 60, 12);
}

const ColourCase kColours[] = {
    {"Red", 9, 255, 0, 0, 320, 240},
    {"GreenRedefined", 70, 20, 220, 30, 256, 256},
    {"BlueWide", 200, 0, 40, 255, 400, 200},
};

INSTANTIATE_TEST_SUITE_P(Batch, Pictures, ::testing::ValuesIn(kColours),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Pictures, AnimationFramesEveryKPasses) {
    const std::string program = scratch("grow.logo");
    // One more block per pass, in view of the configured camera: every frame
    // differs from the one before.
    writeFile(program,
              "make \"x 40\npencolor 16\n"
              "#grow penup goto :x 20 50 pendown cube 4 4 4 \"x = :x + 5 refreshall jump \"grow\n");
    const std::string png = scratch("grow.png");
    const Result r =
        runBatch("--png '" + png + "' --size 64x48 --frames 5 --png-every 2 '" + program + "'", "",
                 kNoDisplay);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "cubalorn-batch: stopped after 5 REFRESHALL resumes\n");
    const std::string stem = png.substr(0, png.size() - 4);
    std::vector<std::string> frames;
    for (const char* n : {"-00000", "-00002", "-00004"}) {
        frames.push_back(readFile(stem + n + ".png"));
        EXPECT_EQ(pngSize(frames.back()).width, 64) << n;
    }
    for (const char* n : {"-00001", "-00003", "-00005"})
        EXPECT_EQ(fileOrMissing(stem + n + ".png"), "(missing)") << n;
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    // The final picture is the state after the fifth resume, a frame of its own.
    const std::string final = readFile(png);
    EXPECT_EQ(pngSize(final).height, 48);
    EXPECT_NE(final, frames[2]);
}

TEST(Pictures, FailuresAreOneClearLine) {
    const std::string program = scratch("tiny.logo");
    writeFile(program, "initvolumesize 10 10 10\nsetvoxel\n");
    const Result missing =
        runBatch("--png /nonexistent/dir/a.png --size 32x32 '" + program + "'", "", kNoDisplay);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "cubalorn-batch: cannot write '/nonexistent/dir/a.png': the directory "
              "'/nonexistent/dir' does not exist\n");
    // A display that is not there is named, not waited for.
    const Result noServer =
        runBatch("--png '" + scratch("x.png") + "' --size 32x32 '" + program + "'", "",
                 "export DISPLAY=:4093; ");
    EXPECT_EQ(noServer.status, 1);
    EXPECT_NE(noServer.err.find("cubalorn-batch: cannot open an OpenGL window of 32x32 on "
                                "display :4093\n"),
              std::string::npos)
        << noServer.err;
    EXPECT_EQ(fileOrMissing(scratch("x.png")), "(missing)");
}

}  // namespace
