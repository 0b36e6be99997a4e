// Every export of every example program, of a shape with edge and corner
// contacts, of three arms of different lengths and of an empty volume,
// written by the real cubalorn-batch and opened by the programs people use:
// our own readers (strict manifold and placement), the Khronos glTF
// validator, PrusaSlicer and assimp. `make deps` installs them all.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mesh_check.h"
#include "package_readers.h"
#include "programs/batch_runner.h"
#include "readers.h"

namespace cubalorn::export_test {
namespace {

using cubalorn::testing::CommandResult;
using cubalorn::testing::readWholeFile;
using cubalorn::testing::runCommand;

const std::string kSource = CUBALORN_SOURCE_DIR;

struct Case {
    std::string name;
    std::string program;  // relative to the source folder; empty: an empty console run
};

std::vector<Case> cases(bool withEmpty) {
    std::vector<Case> all;
    std::vector<std::string> examples;
    if (DIR* dir = opendir((kSource + "/examples").c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 5 && name.substr(name.size() - 5) == ".logo")
                examples.push_back(name.substr(0, name.size() - 5));
        }
        closedir(dir);
    }
    std::sort(examples.begin(), examples.end());
    for (const std::string& e : examples) all.push_back({e, "examples/" + e + ".logo"});
    all.push_back({"contacts", "tests/consumers/contacts.logo"});
    all.push_back({"arms", "tests/consumers/arms.logo"});
    // PrusaSlicer and assimp refuse a model without triangles, as they should.
    if (withEmpty) all.push_back({"empty", ""});
    return all;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// The files of one case, written once for all its tests.
struct Exports {
    std::string directory;
    CommandResult cubic, smooth;
    std::string path(const std::string& name) const { return directory + "/" + name; }
};

const Exports& exportsOf(const Case& c) {
    static std::map<std::string, Exports> done;
    const auto found = done.find(c.name);
    if (found != done.end()) return found->second;
    Exports& e = done[c.name];
    e.directory = "";
    // One folder per test: CTest runs the tests of one case side by side.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "_" + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    e.directory = ::testing::TempDir() + "cubalorn_" + std::to_string(::getpid()) + "_" + name;
    runCommand("rm -rf '" + e.directory + "' && mkdir -p '" + e.directory + "' && ln -s '" +
               kSource + "/examples' '" + e.directory + "/examples' && ln -s '" + kSource +
               "/tests' '" + e.directory + "/tests'");
    // An animation loops until a key that never comes: its passes are capped.
    const std::string run = "cd '" + e.directory + "' && exec '" + CUBALORN_BATCH +
                            "' --max-resumes 200 " + (c.program.empty() ? "" : c.program + " ");
    const std::string input = c.program.empty() ? " < /dev/null" : "";
    e.cubic = runCommand(run +
                         "--stl cubic.stl --3mf cubic.3mf --glb cubic.glb --obj cubic.obj "
                         "--ply cubic.ply --vox cubic.vox 2> cubic.err > /dev/null" +
                         input);
    e.cubic.err = readWholeFile(e.path("cubic.err"));
    e.smooth = runCommand(run +
                          "--smooth --stl smooth.stl --3mf smooth.3mf --glb smooth.glb "
                          "2> smooth.err > /dev/null" +
                          input);
    e.smooth.err = readWholeFile(e.path("smooth.err"));
    return e;
}

// A mesh file read by our own readers, with its up axis (1 = y, 2 = z).
struct ReadFile {
    std::string error;
    TriangleSoup soup;
    int up = 1;
};

ReadFile readExport(const std::string& path) {
    ReadFile f;
    const std::string bytes = readWholeFile(path);
    const std::string extension = path.substr(path.rfind('.') + 1);
    if (extension == "stl") {
        const StlFile stl = readStl(bytes);
        if (!stl.ok) f.error = "STL does not read";
        for (const StlFacet& facet : stl.facets)
            f.soup.add(facet.corner[0], facet.corner[1], facet.corner[2]);
        f.up = 2;
    } else if (extension == "obj") {
        const ObjFile obj = readObj(bytes);
        if (!obj.ok) f.error = "OBJ does not read";
        f.soup.positions = obj.positions;
        for (const ObjFace& face : obj.faces)
            for (int k = 0; k < 3; ++k) f.soup.triangles.push_back(uint32_t(face.position[k] - 1));
    } else if (extension == "ply") {
        const PlyFile ply = readPly(bytes);
        if (!ply.ok) f.error = "PLY does not read";
        for (const PlyVertex& v : ply.vertices) f.soup.positions.push_back(v.pos);
        for (const auto& face : ply.faces)
            f.soup.triangles.insert(f.soup.triangles.end(), face.begin(), face.end());
    } else if (extension == "3mf") {
        const ThreeMfPackage package = unzip3mf(bytes);
        const ColouredMesh m = read3mfModel(package.model);
        if (!package.ok || !m.ok) f.error = "3MF does not read: " + package.error + m.error;
        f.soup.positions = m.positions;
        f.soup.triangles = m.triangles;
        f.up = 2;
    } else if (extension == "glb") {
        const ColouredMesh m = readGlb(bytes);
        if (!m.ok) f.error = "GLB does not read: " + m.error;
        f.soup.positions = m.positions;
        f.soup.triangles = m.triangles;
    }
    for (uint32_t v : f.soup.triangles)
        if (v >= f.soup.positions.size()) f.error = "a triangle names a missing vertex";
    return f;
}

float axis(const Float3& p, int i) {
    return i == 0 ? p.x : i == 1 ? p.y : p.z;
}

const char* const kCubicFiles[] = {"cubic.stl", "cubic.obj", "cubic.ply", "cubic.3mf", "cubic.glb"};
const char* const kSmoothFiles[] = {"smooth.stl", "smooth.3mf", "smooth.glb"};

class Consumers : public ::testing::TestWithParam<Case> {
protected:
    const Exports& files() { return exportsOf(GetParam()); }
    bool empty() const { return GetParam().program.empty(); }
};

TEST_P(Consumers, OurReadersFindManifoldFilesOnThePlate) {
    const Exports& e = files();
    ASSERT_EQ(e.cubic.status, 0) << e.cubic.err;
    ASSERT_EQ(e.smooth.status, 0) << e.smooth.err;
    if (empty()) {
        const std::string warning =
            "cubalorn-batch: warning: the final volume has no solid surface; the mesh files "
            "hold no triangles\ncubalorn-batch: warning: the final volume has no solid voxel; "
            "cubic.vox holds no voxels\n";
        EXPECT_EQ(e.cubic.err, warning);
    }
    std::vector<std::string> names(std::begin(kCubicFiles), std::end(kCubicFiles));
    names.insert(names.end(), std::begin(kSmoothFiles), std::end(kSmoothFiles));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const ReadFile f = readExport(e.path(name));
        ASSERT_EQ(f.error, "");
        if (empty()) {
            EXPECT_TRUE(f.soup.triangles.empty());
            continue;
        }
        ASSERT_FALSE(f.soup.triangles.empty());
        const ManifoldCheck check = checkManifold(f.soup);
        EXPECT_TRUE(check.manifold()) << check.badEdges << " edges and " << check.badVertices
                                      << " vertices not manifold; " << check.firstProblem;
        EXPECT_GT(check.volume, 0) << "wound inward";
        const Box3 b = boundsOf(f.soup.positions);
        EXPECT_EQ(axis(b.lo, f.up), 0.0f) << "not standing on the plate";
        for (int i = 0; i < 3; ++i) {
            if (i == f.up) continue;
            EXPECT_NEAR(axis(b.lo, i), -axis(b.hi, i), 1e-4) << "not centred on axis " << i;
        }
    }
    EXPECT_EQ(readVox(readWholeFile(e.path("cubic.vox"))).error, "");
}

TEST_P(Consumers, GltfValidatorFindsNoErrorOrWarning) {
    const Exports& e = files();
    const CommandResult r =
        runCommand("node '" + kSource + "/tests/consumers/validate_gltf.js' '" + CUBALORN_NPM_DIR +
                   "' '" + e.path("cubic.glb") + "' '" + e.path("smooth.glb") + "' 2>&1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("cubic.glb errors 0 warnings 0"), std::string::npos) << r.out;
}

// The number after "label = " in PrusaSlicer's --info report, or -1e30.
double reported(const std::string& report, const std::string& label) {
    const size_t at = report.find("\n" + label + " = ");
    return at == std::string::npos ? -1e30 : std::stod(report.substr(at + label.size() + 4));
}

class ConsumersOfModels : public Consumers {};

TEST_P(ConsumersOfModels, PrusaSlicerFindsThemManifoldAndSlicesThe3mf) {
    const Exports& e = files();
    for (const std::string name :
         {"cubic.stl", "cubic.3mf", "cubic.obj", "smooth.stl", "smooth.3mf"}) {
        SCOPED_TRACE(name);
        const ReadFile ours = readExport(e.path(name));
        const CommandResult info =
            runCommand("prusa-slicer --loglevel 1 --info '" + e.path(name) + "' 2>&1");
        ASSERT_EQ(info.status, 0) << info.out;
        EXPECT_NE(info.out.find("\nmanifold = yes\n"), std::string::npos) << info.out;
        EXPECT_EQ(info.out.find("open_edges"), std::string::npos) << info.out;
        EXPECT_EQ(reported(info.out, "number_of_facets"), double(ours.soup.triangles.size() / 3));
        const Box3 b = boundsOf(ours.soup.positions);
        const char* lows[] = {"min_x", "min_y", "min_z"};
        const char* highs[] = {"max_x", "max_y", "max_z"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(reported(info.out, lows[i]), axis(b.lo, i), 1e-3) << info.out;
            EXPECT_NEAR(reported(info.out, highs[i]), axis(b.hi, i), 1e-3) << info.out;
        }
    }
    const CommandResult slice =
        runCommand("prusa-slicer --loglevel 1 --export-gcode '" + e.path("cubic.3mf") +
                   "' --output '" + e.path("cubic.gcode") + "' 2>&1");
    EXPECT_EQ(slice.status, 0) << slice.out;
    EXPECT_NE(readWholeFile(e.path("cubic.gcode")).find("G1 "), std::string::npos) << slice.out;
}

// Positions and triangles of an OBJ file as assimp writes it.
TriangleSoup readAnyObj(const std::string& text) {
    TriangleSoup s;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "v") {
            Float3 p;
            words >> p.x >> p.y >> p.z;
            s.positions.push_back(p);
        } else if (keyword == "f") {
            std::string corner;
            while (words >> corner) s.triangles.push_back(uint32_t(std::stoul(corner) - 1));
        }
    }
    return s;
}

TEST_P(ConsumersOfModels, AssimpReadsTheSameShapeFromEveryFormat) {
    const Exports& e = files();
    const float arms[3] = {3, 4, 5};
    for (const std::string name : kCubicFiles) {
        SCOPED_TRACE(name);
        const ReadFile ours = readExport(e.path(name));
        const std::string converted = e.path(name + ".assimp.obj");
        const CommandResult r =
            runCommand("assimp export '" + e.path(name) + "' '" + converted + "' -fobj 2>&1");
        ASSERT_EQ(r.status, 0) << r.out;
        const TriangleSoup theirs = readAnyObj(readWholeFile(converted));
        EXPECT_EQ(theirs.triangles.size(), ours.soup.triangles.size());
        const Box3 a = boundsOf(theirs.positions), b = boundsOf(ours.soup.positions);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(axis(a.lo, i), axis(b.lo, i), 1e-3) << "axis " << i;
            EXPECT_NEAR(axis(a.hi, i), axis(b.hi, i), 1e-3) << "axis " << i;
        }
        if (GetParam().name == "arms") {
            EXPECT_EQ(armsHandedness(theirs.positions, arms, 1.0f), windowHandedness())
                << "mirrored";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, Consumers, ::testing::ValuesIn(cases(true)),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Exports, ConsumersOfModels, ::testing::ValuesIn(cases(false)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace cubalorn::export_test
