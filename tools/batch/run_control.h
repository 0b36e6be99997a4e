#pragma once
// What watches a cubalorn-batch run from outside the program: Ctrl+C
// (SIGINT), the progress line on standard error, and the words that say
// where a stopped program was.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/program_text.h"

namespace cubalorn::batch {

// Called first thing in main: SIGINT waits (blocked) in this thread and in
// every thread started from it, so that it reaches the thread that runs
// the program once that one catches it.
void holdInterrupts();
// From now on the first SIGINT to the calling thread asks the running
// program to stop (the interpreter sees it within a few thousand steps, and
// a read of standard input returns); a second one ends the process at once.
void catchInterrupts();
bool interruptRequested();

// One line on standard error, redrawn in place: elapsed time, steps and
// resumes. On a terminal it shows once a run has taken kProgressDelay;
// `always` shows it from the first update whatever the stream is.
class ProgressLine {
public:
    static constexpr std::chrono::milliseconds kProgressDelay{2000};
    static constexpr std::chrono::milliseconds kRedrawInterval{250};

    ProgressLine(std::FILE* stream, bool always);
    void update(uint64_t steps, long long resumes);
    // Takes the line away, before anything else is written and at the end.
    void clear();

    // "cubalorn-batch: 3.2 s, 1843200 steps, 12 REFRESHALL resumes (Ctrl+C stops)".
    static std::string text(double seconds, uint64_t steps, long long resumes);

private:
    std::FILE* stream_;
    bool enabled_;
    bool always_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

// Standard output that first takes the progress line away, so a program's
// prints never land in the middle of it.
class BatchOutput final : public Output {
public:
    explicit BatchOutput(ProgressLine& progress) : progress_(progress) {}
    void write(std::string_view text) override;
    void flush() override { std::fflush(stdout); }
    void diagnostic(std::string_view text) override;

private:
    ProgressLine& progress_;
};

// The interpreter's stop signal in the runner: it stops the line on an
// interrupt and redraws the progress line on the way.
class RunWatch final : public StopSignal {
public:
    RunWatch(const Interpreter& interpreter, ProgressLine& progress)
        : interpreter_(interpreter), progress_(progress) {}
    bool stopRequested() override;
    void passDone(long long resumes) {
        resumes_ = resumes;
        progress_.update(interpreter_.stepsTaken(), resumes_);
    }

private:
    const Interpreter& interpreter_;
    ProgressLine& progress_;
    long long resumes_ = 0;
};

// The line of `text` on which the statement at `position` starts: blanks
// and line ends before it are passed over.
int lineAt(const std::string& text, size_t position);

}  // namespace cubalorn::batch
