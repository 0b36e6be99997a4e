// Any bytes as a program file, run the way the shell runs one: the settings
// pre-pass on a scratch interpreter, a volume of the size it asks for, the
// label and procedure pre-scan, the first run and the REFRESHALL resumes.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "fuzz_support.h"
#include "interp/program_settings.h"

using namespace cubalorn;

namespace {

// Larger volumes are clamped to this, so one run stays small; the size
// checks of the volume itself still see negative and empty requests.
constexpr int32_t kLargestAxis = 40;
constexpr int kMostResumes = 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzz::startWithLargeStack(*argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!fuzz::quotedWordsStayInScratchDirectory(text)) return 0;
    fuzz::InScratchDirectory scratch;
    fuzz::onLargeStack([&] {
        StringOutput scratchOut;
        RecordingHost scratchHost;
        VoxelVolume scratchVolume(Region{{0, 0, 0}, {0, 0, 0}}, 32);
        World scratchWorld(scratchVolume);
        Interpreter scratch(scratchWorld, scratchHost, scratchOut);
        scratch.assignProgram(text);
        const ProgramSettings settings = prescanSettings(scratch);
        if (scratch.position() != 0) fuzz::fail("the settings pre-pass did not go back to 0");

        Vec3i volumeMax{20, 12, 20};
        if (settings.volumeFound && settings.volumeMax != Vec3i{0, 0, 0})
            volumeMax = Vec3i{std::min(settings.volumeMax.x, kLargestAxis),
                              std::min(settings.volumeMax.y, kLargestAxis),
                              std::min(settings.volumeMax.z, kLargestAxis)};
        std::unique_ptr<fuzz::LogoRun> run;
        try {
            run = std::make_unique<fuzz::LogoRun>(volumeMax);
        } catch (const std::invalid_argument&) {
            return;  // refused with a message by the shell: nothing runs
        }
        Interpreter& in = run->interpreter;
        in.assignProgram(text);
        in.prescanProgram();
        if (in.position() != 0) fuzz::fail("the pre-scan did not go back to 0");
        in.lineFinished = false;
        in.runLine();
        for (int resumes = 0; in.resumePending && resumes < kMostResumes; ++resumes) {
            in.lineFinished = false;
            in.runLine();
        }
        fuzz::checkInterpreterRecovers(*run);
    });
    return 0;
}
