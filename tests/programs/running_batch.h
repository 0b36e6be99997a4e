#pragma once
// The real cubalorn-batch started in the background, in a process group of
// its own as a shell starts a job: a test writes its standard input, waits
// for a line of its output, signals it as Ctrl+C on its terminal would, and
// collects how it ended.

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
    // `arguments` are passed as they are (no shell); `directory` is the
    // working folder; `environment` entries ("DISPLAY=") are removed when
    // they end in '=', else set.
    RunningBatch(const std::vector<std::string>& arguments, const std::string& directory,
                 const std::vector<std::string>& environment = {}) {
        errPath_ = scratchPath("running-stderr");
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(err, STDERR_FILENO);
            for (const int unused : {in[0], in[1], out[0], out[1], err})
                if (unused > STDERR_FILENO) ::close(unused);
            if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(126);
            for (const std::string& e : environment) {
                const size_t equals = e.find('=');
                if (equals + 1 == e.size())
                    ::unsetenv(e.substr(0, equals).c_str());
                else
                    ::setenv(e.substr(0, equals).c_str(), e.substr(equals + 1).c_str(), 1);
            }
            std::vector<char*> argv{const_cast<char*>(CUBALORN_BATCH)};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(CUBALORN_BATCH, argv.data());
            ::_exit(127);
        }
        ::setpgid(pid_, pid_);  // either side may get there first
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
    }
    ~RunningBatch() {
        if (pid_ > 0 && !ended_) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stdin_ >= 0) ::close(stdin_);
        if (stdout_ >= 0) ::close(stdout_);
    }
    RunningBatch(const RunningBatch&) = delete;
    RunningBatch& operator=(const RunningBatch&) = delete;

    void writeInput(const std::string& text) {
        if (::write(stdin_, text.data(), text.size()) < 0) return;
    }
    // Reads standard output up to and including the next line end; empty
    // when the output ends first.
    std::string readLine() {
        std::string line;
        char c;
        while (::read(stdout_, &c, 1) == 1) {
            line += c;
            if (c == '\n') break;
        }
        out_ += line;
        return line;
    }
    // SIGINT to the whole group, as the terminal sends it.
    void interrupt() { ::kill(-pid_, SIGINT); }

    // Waits for the end; the output is all that was printed.
    CommandResult finish() {
        CommandResult r;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(stdout_, buffer, sizeof buffer)) > 0) out_.append(buffer, size_t(n));
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ended_ = true;
        r.out = out_;
        r.err = readWholeFile(errPath_);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return r;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    bool ended_ = false;
    std::string out_;
    std::string errPath_;
};

}  // namespace cubalorn::testing
