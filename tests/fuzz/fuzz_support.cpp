#include "fuzz_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interp/large_stack.h"

namespace cubalorn::fuzz {

namespace {

std::string scratchDirectory;

void removeScratchDirectory() {
    if (scratchDirectory.empty()) return;
    clearScratchDirectory();
    if (chdir("/") == 0) rmdir(scratchDirectory.c_str());
}

}  // namespace

void enterScratchDirectory() {
    if (!scratchDirectory.empty()) return;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cubalorn-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) fail("cannot make a scratch directory", pattern);
    if (chdir(pattern.c_str()) != 0) fail("cannot enter the scratch directory", pattern);
    scratchDirectory = pattern;
    std::atexit(removeScratchDirectory);
}

void clearScratchDirectory() {
    if (scratchDirectory.empty()) return;
    DIR* dir = opendir(scratchDirectory.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        const std::string path = scratchDirectory + "/" + entry->d_name;
        std::remove(path.c_str());
    }
    closedir(dir);
}

bool staysInScratchDirectory(std::string_view text) {
    return text.find('/') == std::string_view::npos && text.find('\\') == std::string_view::npos;
}

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string InputReader::textUntil(char end) {
    std::string text;
    while (position_ < size_) {
        const char c = static_cast<char>(data_[position_++]);
        if (c == end) break;
        text.push_back(c);
    }
    return text;
}

LogoRun::LogoRun(Vec3i volumeMax)
    : volume(Region{{0, 0, 0}, volumeMax}, 32), world(volume), interpreter(world, host, out) {
    interpreter.setExecutionBudget(ExecutionBudget{kFuzzSteps, 0.0});
}

void checkInterpreterRecovers(LogoRun& run) {
    Interpreter& in = run.interpreter;
    if (!in.lineFinished) fail("runLine returned without finishing the line");
    if (in.nestingDepth() != 0)
        fail("a nesting level was left open", std::to_string(in.nestingDepth()));
    if (in.budgetExceeded()) return;
    const size_t before = run.out.text().size();
    in.assignProgram("print 7");
    in.lineFinished = false;
    in.runLine();
    const std::string printed = run.out.text().substr(before);
    if (printed != "7\n") fail("a plain line printed something else afterwards", printed);
}

void onLargeStack(const std::function<void()>& work) {
    runWithLargeStack(work);
}

}  // namespace cubalorn::fuzz
