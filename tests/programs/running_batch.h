#pragma once
// The real cubalorn-batch started in the background, without DISPLAY and in
// a process group of its own as a shell starts a job: a test writes its
// standard input, waits for a line of its output, sends SIGINT to the group
// as Ctrl+C on a terminal would, and collects how it ended.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "batch_runner.h"

namespace cubalorn::testing {

class RunningBatch {
public:
    explicit RunningBatch(const std::vector<std::string>& arguments)
        : errPath_(scratchPath("running-stderr")) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            for (const int unused : {in[0], in[1], out[0], out[1], err}) ::close(unused);
            ::unsetenv("DISPLAY");
            std::vector<char*> argv{const_cast<char*>(CUBALORN_BATCH)};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(CUBALORN_BATCH, argv.data());
            ::_exit(127);
        }
        ::setpgid(pid_, pid_);  // either side may get there first
        for (const int unused : {in[0], out[1], err}) ::close(unused);
        stdin_ = in[1];
        stdout_ = out[0];
    }
    ~RunningBatch() {
        if (pid_ > 0 && !ended_) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdin_);
        ::close(stdout_);
    }

    void writeInput(const std::string& text) {
        if (::write(stdin_, text.data(), text.size()) < 0) return;
    }
    // Standard output up to and including the next line end.
    std::string readLine() {
        std::string line;
        char c;
        while (::read(stdout_, &c, 1) == 1 && (line += c, c != '\n')) {
        }
        out_ += line;
        return line;
    }
    void interrupt() { ::kill(-pid_, SIGINT); }

    CommandResult finish() {
        char buffer[4096];
        for (ssize_t n; (n = ::read(stdout_, buffer, sizeof buffer)) > 0;) out_.append(buffer, n);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ended_ = true;
        return {out_, readWholeFile(errPath_), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

private:
    std::string errPath_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    bool ended_ = false;
    std::string out_;
};

}  // namespace cubalorn::testing
