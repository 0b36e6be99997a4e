#pragma once
// UNDO and REDO of console lines. A line's step holds, by reference, the
// volume blocks the line changed as they were before it (the volume's
// copy-on-write gives the line fresh copies), and the turtle and palette as
// they were. Undoing exchanges them with what the world holds now, so the
// same step then holds the line's result and redoing exchanges them back:
// neither copies a voxel.
//
// Variables, procedures, lists, the height grid, open files and the random
// generator are not part of a step: a learner keeps the words and data they
// made and undoes only what they drew.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "voxel/palette.h"
#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {

struct World;

// The console's help lines for the two words, in the window and the
// headless runner alike.
constexpr const char* kUndoHelpLines =
    "UNDO > Undo the last line: drawing, turtle, pen and colours (variables stay)\n"
    "REDO > Redo the line UNDO took back\n";

class UndoHistory {
public:
    // About 256 MiB of blocks, which holds far more than 100 ordinary lines.
    static constexpr uint64_t kDefaultByteBudget = uint64_t(256) << 20;

    enum class LineOutcome {
        Recorded,   // the line changed the world: one more step
        Unchanged,  // nothing to undo: no step
        TooLarge,   // the line changed more than the budget holds: history cleared
    };

    // The world (and its volume) must outlive the history.
    explicit UndoHistory(World& world, uint64_t byteBudget = kDefaultByteBudget);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Around every program line: the line's changes are recorded between
    // the two. A program line clears the redo list.
    void beginLine();
    LineOutcome endLine();

    // False when there is nothing to undo or redo.
    bool undo();
    bool redo();
    // Forgets every step.
    void clear();

    // What a person should be told after a line with this outcome, for the
    // diagnostics channel; empty when nothing.
    std::string noteAfter(LineOutcome outcome) const;

    size_t undoCount() const { return undo_.size(); }
    size_t redoCount() const { return redo_.size(); }
    // Bytes the steps hold: their private blocks and palettes.
    uint64_t bytes() const { return bytes_; }
    uint64_t byteBudget() const { return byteBudget_; }

private:
    struct Step {
        std::vector<KeptBlock> blocks;
        Turtle turtle;
        std::unique_ptr<Palette> palette;  // null: the line left the palette alone
        uint64_t bytes = 0;
    };

    void exchange(Step& step);
    uint64_t measure(const Step& step) const;
    void release(Step& step);
    void dropAll(std::deque<Step>& steps);

    World& world_;
    uint64_t byteBudget_;
    std::deque<Step> undo_;  // oldest first
    std::deque<Step> redo_;  // the most recently undone last
    uint64_t bytes_ = 0;
    bool lineOpen_ = false;
    Turtle turtleBefore_;
    Palette paletteBefore_;
};

}  // namespace cubalorn
