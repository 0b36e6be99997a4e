#pragma once
// Shared pieces of the fuzz targets: a scratch directory that every file a
// target writes lands in, a small reader that splits an input into fields,
// the world a Logo run draws into, and the check that fails a run.

#include <cstddef>
#include <cstdint>
#include <string>
#include <functional>
#include <string_view>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::fuzz {

// Makes a fresh directory under the system's temporary directory and moves
// into it, so the relative names that inputs open and write stay there. The
// directory is removed when the process ends normally.
void enterScratchDirectory();
// Removes every file in the scratch directory: each input starts with none.
void clearScratchDirectory();

// Inputs that name a file elsewhere (a path with a separator) are not run:
// the file commands would write wherever the fuzzer points them.
bool staysInScratchDirectory(std::string_view text);

// A broken invariant: prints what broke and aborts, so the fuzzer (or the
// corpus replay) reports the input.
[[noreturn]] void fail(const char* what, const std::string& detail = std::string());

// Reads an input front to back: single bytes, then texts ended by a byte.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    // Up to (not including) the next `end` byte, which is skipped.
    std::string textUntil(char end);
    std::string rest() {
        std::string text(reinterpret_cast<const char*>(data_ + position_), size_ - position_);
        position_ = size_;
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// The step cap of every Logo run: endless loops end, and the memory a run
// can take stays well inside the fuzzer's limit.
constexpr uint64_t kFuzzSteps = 10000;

// One small volume with everything a Logo run needs, fresh per input.
struct LogoRun {
    explicit LogoRun(Vec3i volumeMax = {20, 12, 20});

    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter;
};

// What must hold after any line, whatever it was: the line is finished, no
// nesting level is left open, and (unless the budget ended the run) the
// interpreter still runs a plain line exactly.
void checkInterpreterRecovers(LogoRun& run);

// Runs `work` on a thread with the interpreter's large stack.
void onLargeStack(const std::function<void()>& work);

}  // namespace cubalorn::fuzz
