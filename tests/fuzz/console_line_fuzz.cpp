// Any bytes as one console line through runLine, on a small volume with the
// step cap; then the interpreter must still run a plain line.

#include <cstdint>
#include <string>

#include "fuzz_support.h"

using namespace cubalorn;

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzz::startWithLargeStack(*argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    if (!fuzz::quotedWordsStayInScratchDirectory(line)) return 0;
    fuzz::InScratchDirectory scratch;
    fuzz::onLargeStack([&] {
        fuzz::LogoRun run;
        run.interpreter.assignProgram(line);
        run.interpreter.lineFinished = false;
        run.interpreter.runLine();
        fuzz::checkInterpreterRecovers(run);
    });
    return 0;
}
