#pragma once
// Runs the real cubalorn-batch binary from a test: scratch file names per
// test, whole-file reads and writes, and the output, errors and exit status
// of a command.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace cubalorn::testing {

struct CommandResult {
    std::string out;
    std::string err;
    int status = -1;
};

// A file name in the test scratch folder, unique to the running test and
// process (two builds' tests may run at once on one machine).
inline std::string scratchPath(const std::string& name) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : test)
        if (c == '/') c = '_';
    return ::testing::TempDir() + "cubalorn_" + std::to_string(::getpid()) + "_" + test + "_" + name;
}

inline void writeWholeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command, collecting its standard output and exit status.
inline CommandResult runCommand(const std::string& command) {
    CommandResult r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs cubalorn-batch with `arguments` (already shell-quoted where needed)
// and `input` on its standard input. `shellPrefix` runs first in the same
// shell (a ulimit, say).
inline CommandResult runBatch(const std::string& arguments, const std::string& input = "",
                              const std::string& shellPrefix = "") {
    const std::string in = scratchPath("stdin");
    const std::string err = scratchPath("stderr");
    writeWholeFile(in, input);
    CommandResult r = runCommand(shellPrefix + "exec '" + CUBALORN_BATCH + "' " + arguments +
                                 " < '" + in + "' 2> '" + err + "'");
    r.err = readWholeFile(err);
    return r;
}

}  // namespace cubalorn::testing
