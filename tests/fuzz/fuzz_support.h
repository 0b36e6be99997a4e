#pragma once
// Shared pieces of the fuzz targets: a scratch directory that every file a
// target writes lands in, a small reader that splits an input into fields,
// the world a Logo run draws into, and the check that fails a run.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::fuzz {

// A fresh directory under the system's temporary directory that every file
// an input opens or writes lands in, emptied for each input. It is entered
// only while an input runs, so the fuzzer's own relative paths keep working,
// and removed when the process ends normally.
class InScratchDirectory {
public:
    InScratchDirectory();
    ~InScratchDirectory();
    InScratchDirectory(const InScratchDirectory&) = delete;
    InScratchDirectory& operator=(const InScratchDirectory&) = delete;

private:
    int callerDirectory_;
};

// Inputs that could name a file elsewhere are not run: the file commands
// would write wherever the fuzzer points them. A program's file names are
// quoted words (or texts made from them), so a program stays in the scratch
// directory when no quoted word holds a '/'; a '/' elsewhere divides.
bool quotedWordsStayInScratchDirectory(std::string_view program);

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
constexpr uint64_t kFuzzSteps = 2000;

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

// The interpreter needs a large stack (interp/large_stack.h). Called from
// LLVMFuzzerInitialize, this starts the process again with a main-thread
// stack that large, so inputs run without a thread switch each.
void startWithLargeStack(char** argv);
// Runs `work` on the main thread when its stack is large enough, else on a
// worker thread that has such a stack.
void onLargeStack(const std::function<void()>& work);

}  // namespace cubalorn::fuzz
