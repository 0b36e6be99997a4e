// Any bytes as a text file read with READCHARFILE and written back with
// WRITELINEFILE: the copy must hold every byte as read, the end of the file
// as code 255, and nothing may be reported on the way.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"

using namespace cubalorn;

namespace {

// Reads go one past the end so that the end-of-file code is read as well.
constexpr size_t kMostReads = 300;

std::string copyProgram(size_t reads) {
    std::string text = "make \"s \" make \"c \" openfile \"in.txt \"r\n";
    // READCHARFILE is a top-level reporter, so the reads are written out.
    for (size_t i = 0; i < reads; ++i) text += "\"c = readcharfile \"s = append :c\n";
    text += "closefile openfile \"out.txt \"w writelinefile :s closefile\n";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    fuzz::startWithLargeStack(*argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InScratchDirectory scratch;
    std::FILE* in = std::fopen("in.txt", "wb");
    if (!in) fuzz::fail("cannot write the scratch file");
    std::fwrite(data, 1, size, in);
    std::fclose(in);

    const size_t reads = std::min(size + 1, kMostReads);
    std::string expected(reinterpret_cast<const char*>(data), std::min(size, reads));
    expected.resize(reads, static_cast<char>(0xFF));
    expected += '\n';

    fuzz::onLargeStack([&] {
        fuzz::LogoRun run;
        run.interpreter.assignProgram(copyProgram(reads));
        run.interpreter.lineFinished = false;
        run.interpreter.runLine();
        if (!run.out.text().empty()) fuzz::fail("the copy reported", run.out.text());
    });
    std::ifstream copy("out.txt", std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(copy), {}};
    if (written != expected) fuzz::fail("the copy differs from the file", written);
    return 0;
}
