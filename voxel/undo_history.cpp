#include "voxel/undo_history.h"

#include <cstring>
#include <utility>

#include "voxel/world.h"

namespace cubalorn {

namespace {

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Everything of the turtle a line can change (its volume never changes).
bool sameTurtle(const Turtle& a, const Turtle& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z) &&
           sameBits(a.climbAngle, b.climbAngle) && sameBits(a.turnAngle, b.turnAngle) &&
           a.penUp == b.penUp && a.penSize == b.penSize && a.penColour == b.penColour &&
           a.penDensity == b.penDensity;
}

}  // namespace

UndoHistory::UndoHistory(World& world, uint64_t byteBudget)
    : world_(world), byteBudget_(byteBudget) {}

UndoHistory::~UndoHistory() {
    if (lineOpen_) {
        std::vector<KeptBlock> kept = world_.volume.finishRecording();
        for (KeptBlock& k : kept) world_.volume.releaseBlock(k.block);
    }
    clear();
}

void UndoHistory::beginLine() {
    dropAll(redo_);
    turtleBefore_ = world_.turtle;
    paletteBefore_ = world_.palette;
    world_.volume.startRecording(byteBudget_);
    lineOpen_ = true;
}

UndoHistory::LineOutcome UndoHistory::endLine() {
    if (!lineOpen_) return LineOutcome::Unchanged;
    lineOpen_ = false;
    VoxelVolume& volume = world_.volume;
    Step step;
    step.blocks = volume.finishRecording();
    if (volume.recordingAbandoned()) {
        // Older steps would no longer lead back to anything the user saw.
        clear();
        return LineOutcome::TooLarge;
    }
    const bool paletteChanged = paletteBefore_ != world_.palette;
    if (step.blocks.empty() && !paletteChanged && sameTurtle(turtleBefore_, world_.turtle))
        return LineOutcome::Unchanged;
    step.turtle = turtleBefore_;
    if (paletteChanged) step.palette = std::make_unique<Palette>(paletteBefore_);
    step.bytes = measure(step);
    bytes_ += step.bytes;
    undo_.push_back(std::move(step));
    // Oldest first out, but the line just drawn always stays undoable.
    while (bytes_ > byteBudget_ && undo_.size() > 1) {
        bytes_ -= undo_.front().bytes;
        release(undo_.front());
        undo_.pop_front();
    }
    return LineOutcome::Recorded;
}

bool UndoHistory::undo() {
    if (undo_.empty()) return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    exchange(step);
    redo_.push_back(std::move(step));
    return true;
}

bool UndoHistory::redo() {
    if (redo_.empty()) return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    exchange(step);
    undo_.push_back(std::move(step));
    return true;
}

void UndoHistory::clear() {
    dropAll(undo_);
    dropAll(redo_);
}

std::string UndoHistory::noteAfter(LineOutcome outcome) const {
    if (outcome != LineOutcome::TooLarge) return "";
    return "UNDO: that line changed more than the " + std::to_string(byteBudget_ >> 20) +
           " MiB of blocks the history holds; it and the lines before it cannot be undone\n";
}

void UndoHistory::exchange(Step& step) {
    for (KeptBlock& k : step.blocks) world_.volume.exchangeBlock(k);
    std::swap(world_.turtle, step.turtle);
    if (step.palette) std::swap(world_.palette, *step.palette);
    // The step now holds the other side, whose blocks may weigh differently.
    bytes_ -= step.bytes;
    step.bytes = measure(step);
    bytes_ += step.bytes;
}

uint64_t UndoHistory::measure(const Step& step) const {
    const uint64_t blockBytes = world_.volume.blockAllocationBytes();
    uint64_t bytes = sizeof(Step) + step.blocks.capacity() * sizeof(KeptBlock);
    for (const KeptBlock& k : step.blocks)
        if (!k.block->isUniform()) bytes += blockBytes;
    if (step.palette) bytes += sizeof(Palette);
    return bytes;
}

void UndoHistory::release(Step& step) {
    for (KeptBlock& k : step.blocks) world_.volume.releaseBlock(k.block);
    step.blocks.clear();
}

void UndoHistory::dropAll(std::deque<Step>& steps) {
    for (Step& s : steps) {
        bytes_ -= s.bytes;
        release(s);
    }
    steps.clear();
}

}  // namespace cubalorn
