// UNDO and REDO exchange blocks with the volume instead of copying it: every
// state a learner saw must come back voxel for voxel, with the turtle, the
// pen and the palette, and the history must hold only what lines changed.

#include "voxel/undo_history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "unit/voxel/drawing_lines.h"

namespace cubalorn {
namespace {

using testing::LogoWorld;

// Everything UNDO puts back.
struct State {
    std::vector<uint16_t> voxels;
    float place[5];
    int pen[4];
    Palette palette;
    bool operator==(const State& o) const {
        return voxels == o.voxels && std::memcmp(place, o.place, sizeof place) == 0 &&
               std::memcmp(pen, o.pen, sizeof pen) == 0 && palette == o.palette;
    }
};

State stateOf(const World& w) {
    const Turtle& t = w.turtle;
    State s{{},
            {t.x, t.y, t.z, t.climbAngle, t.turnAngle},
            {t.penUp, t.penSize, t.penColour, t.penDensity},
            w.palette};
    const Region& r = w.volume.region();
    for (int z = r.lower.z; z <= r.upper.z; ++z)
        for (int y = r.lower.y; y <= r.upper.y; ++y)
            for (int x = r.lower.x; x <= r.upper.x; ++x)
                s.voxels.push_back(w.volume.voxel(x, y, z).raw);
    return s;
}

// Random drawing lines, each recorded; then everything undone (every state
// seen again, in reverse, down to the empty volume) and redone (every state
// again, up to the last). Lines that change nothing make no step. Halfway
// back, a new line replaces the undone ones.
TEST(UndoHistory, RandomDrawingLinesRoundTripVoxelForVoxel) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Region region{{0, 0, 0}, {70, 40, 66}};
        LogoWorld w(region);
        UndoHistory history(w.world);
        std::mt19937 rng(seed);
        std::vector<State> seen{stateOf(w.world)};
        for (int k = 0; k < 30; ++k) {
            const std::string line = testing::randomDrawingLine(rng, region.upper);
            history.beginLine();
            w.line(line);
            const UndoHistory::LineOutcome outcome = history.endLine();
            State now = stateOf(w.world);
            const bool changed = !(now == seen.back());
            ASSERT_EQ(outcome, changed ? UndoHistory::LineOutcome::Recorded
                                       : UndoHistory::LineOutcome::Unchanged)
                << line;
            if (changed) seen.push_back(std::move(now));
        }
        ASSERT_EQ(history.undoCount(), seen.size() - 1);
        ASSERT_GT(seen.size(), 15u);

        for (size_t k = seen.size() - 1; k > 0; --k) {
            ASSERT_TRUE(history.undo());
            ASSERT_TRUE(stateOf(w.world) == seen[k - 1]) << "undo back to state " << k - 1;
        }
        EXPECT_FALSE(history.undo());
        EXPECT_EQ(w.volume.privateBlockCount(), 0u);
        for (size_t k = 1; k < seen.size(); ++k) {
            ASSERT_TRUE(history.redo());
            ASSERT_TRUE(stateOf(w.world) == seen[k]) << "redo to state " << k;
        }
        EXPECT_FALSE(history.redo());

        const size_t half = seen.size() / 2;
        for (size_t k = seen.size() - 1; k > half; --k) history.undo();
        history.beginLine();
        w.line("penup goto 3 3 3 pendown pencolor 5 sphere 2");
        history.endLine();
        EXPECT_EQ(history.redoCount(), 0u);
        EXPECT_FALSE(history.redo());
        ASSERT_TRUE(history.undo());
        EXPECT_TRUE(stateOf(w.world) == seen[half]);
    }
}

// A step holds the blocks its line changed, as they were: a first voxel in
// an empty block costs nothing (the empty block is shared), one more voxel
// in that block costs one block, and the budget drops the oldest steps.
TEST(UndoHistory, StepsHoldOnlyTheBlocksTheirLinesChanged) {
    LogoWorld w(Region{{0, 0, 0}, {255, 63, 255}});
    const uint64_t block = w.volume.blockAllocationBytes();
    // Three blocks and the steps' own few hundred bytes.
    UndoHistory history(w.world, 3 * block + 4096);
    const struct {
        const char* line;
        uint64_t historyBlocks;  // private blocks the history holds afterwards
        size_t steps;
    } cases[] = {
        {"penup goto 10 10 10 pendown setvoxel", 0, 1},
        {"penup goto 11 10 10 pendown setvoxel", 1, 2},
        {"penup goto 12 10 10 pendown setvoxel", 2, 3},
        {"penup goto 40 10 10 pendown setvoxel", 2, 4},  // a fresh block
        {"penup goto 41 10 10 pendown setvoxel", 3, 5},
        // Over budget: the oldest steps go until it fits.
        {"penup goto 42 10 10 pendown setvoxel", 3, 4},
        {"print 5", 3, 4},
    };
    for (const auto& c : cases) {
        history.beginLine();
        w.line(c.line);
        history.endLine();
        EXPECT_EQ(history.undoCount(), c.steps) << c.line;
        EXPECT_GE(history.bytes(), c.historyBlocks * block) << c.line;
        EXPECT_LT(history.bytes(), (c.historyBlocks + 1) * block) << c.line;
    }
    // A line that changes more than the budget holds cannot be undone, and
    // nor can the lines before it: the history is cleared, the drawing stays.
    history.beginLine();
    w.line("penup goto 128 32 128 pendown pencolor 6 sphere 60");
    EXPECT_EQ(history.endLine(), UndoHistory::LineOutcome::Recorded);  // empty blocks before
    history.beginLine();
    w.line("penup goto 128 32 128 pendown pencolor 4 sphere 60");
    EXPECT_EQ(history.endLine(), UndoHistory::LineOutcome::TooLarge);
    EXPECT_EQ(history.undoCount(), 0u);
    EXPECT_EQ(history.bytes(), 0u);
    EXPECT_EQ(w.volume.voxel(128, 32, 128).material(), 4);
    EXPECT_EQ(w.volume.voxel(42, 10, 10).material(), 1);
}

// Within about 256 MiB the history keeps far more than 100 ordinary lines.
TEST(UndoHistory, DefaultBudgetKeepsTheLast100Lines) {
    LogoWorld w(Region{{0, 0, 0}, {511, 255, 511}});
    UndoHistory history(w.world);
    w.line("pencolor 3 pensize 3");
    for (int k = 0; k < 150; ++k) {
        history.beginLine();
        w.line("penup goto " + std::to_string(20 + 3 * k) + " 128 " + std::to_string(256 + k % 7) +
               " pendown sphere 12");
        history.endLine();
    }
    EXPECT_EQ(history.undoCount(), 150u);
    EXPECT_LE(history.bytes(), UndoHistory::kDefaultByteBudget);
    for (int k = 0; k < 150; ++k) ASSERT_TRUE(history.undo());
    EXPECT_EQ(w.volume.privateBlockCount(), 0u);
}

}  // namespace
}  // namespace cubalorn
