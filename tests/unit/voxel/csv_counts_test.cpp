// A CSV header's counts are read from the file as they stand: whatever they
// say, the import ends in time and draws only the cells the file holds. The
// huge layer count without rows was found by the CSV fuzzer (it made the
// import skip whitespace two billion times).

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "voxel/csv.h"
#include "voxel_scene.h"

namespace cubalorn::testing {
namespace {

struct CountsCase {
    const char* name;
    std::string file;
    size_t voxels;  // drawn
    Cell turtle;    // where the turtle ends
};

void PrintTo(const CountsCase& c, std::ostream* os) {
    *os << c.name;
}

const CountsCase kCases[] = {
    {"HugeLayersWithoutRows", "3,2000000000,0\n#FF0000FF,#FF0000FF,#FF0000FF\n", 0, {5, 5, 5}},
    {"HugeLayersWithNegativeRows", "3,2000000000,-4\n#FF0000FF\n", 0, {5, 5, 5}},
    // A layer's rows that do not move through the file repeat the cell read
    // last: here none was read, so nothing is drawn.
    {"HugeLayersWithoutColumns", "0,2000000000,3\n\n", 0, {5, 5, 5}},
    // Every count huge, one cell in the file: the cell fills the volume from
    // the turtle on, clamped, each voxel once.
    {"EveryCountHuge", "2000000000,2000000000,2000000000\n#FF0000FF", 5 * 5 * 5, {9, 5, 9}},
    {"OrdinaryFile", "2,1,1\n#FF0000FF,#0000FFFF\n", 2, {5, 5, 6}},
};

class CsvCounts : public ::testing::TestWithParam<CountsCase> {};

TEST_P(CsvCounts, EndInTime) {
    const CountsCase& c = GetParam();
    const std::string path =
        ::testing::TempDir() + "cubalorn_csv_counts_" + std::to_string(::getpid()) + ".csv";
    std::ofstream(path, std::ios::binary) << c.file;
    Scene scene(9, 9, 9);
    scene.place(5, 5, 5);
    const CsvResult result = loadCsv(path, 0, scene.turtle);
    std::remove(path.c_str());
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(scene.count(), c.voxels);
    EXPECT_EQ(scene.turtleCell(), c.turtle);
}

INSTANTIATE_TEST_SUITE_P(Headers, CsvCounts, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn::testing
