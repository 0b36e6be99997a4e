#include "run_control.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace cubalorn::batch {

namespace {

volatile std::sig_atomic_t interruptFlag = 0;

void onInterrupt(int) {
    interruptFlag = 1;
    // A read of standard input that is about to start (the flag was just
    // looked at) would wait for ever: from now on it reads an empty file.
    // One that waits already returns, interrupted.
    const int saved = errno;
    const int empty = ::open("/dev/null", O_RDONLY);
    if (empty >= 0) {
        ::dup2(empty, STDIN_FILENO);
        ::close(empty);
    }
    errno = saved;
}

}  // namespace

void holdInterrupts() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
}

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read of standard input that waits returns at once.
    // SA_RESETHAND: a second Ctrl+C ends the process as usual.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    // Only this thread takes it: the interrupted read must be this thread's.
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
}

bool interruptRequested() {
    return interruptFlag != 0;
}

ProgressLine::ProgressLine(std::FILE* stream, bool always)
    : stream_(stream),
      enabled_(always || ::isatty(::fileno(stream)) == 1),
      always_(always),
      start_(std::chrono::steady_clock::now()) {}

std::string ProgressLine::text(double seconds, uint64_t steps, long long resumes) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "cubalorn-batch: %.1f s, %llu steps, %lld REFRESHALL resumes (Ctrl+C stops)",
                  seconds, static_cast<unsigned long long>(steps), resumes);
    return line;
}

void ProgressLine::update(uint64_t steps, long long resumes) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!always_ && now - start_ < kProgressDelay) return;
    if (shown_ && now - lastDrawn_ < kRedrawInterval) return;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // Back to the start of the line, the new text, and the rest of the old
    // one erased.
    std::fprintf(stream_, "\r%s\033[K", text(seconds, steps, resumes).c_str());
    std::fflush(stream_);
    shown_ = true;
    lastDrawn_ = now;
}

void ProgressLine::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    shown_ = false;
}

void BatchOutput::write(std::string_view text) {
    progress_.clear();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void BatchOutput::diagnostic(std::string_view text) {
    progress_.clear();
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool RunWatch::stopRequested() {
    // What a long run printed reaches a pipe while it runs, not only at its end.
    std::fflush(stdout);
    progress_.update(interpreter_.stepsTaken(), resumes_);
    return interruptRequested();
}

int lineAt(const std::string& text, size_t position) {
    size_t start = position < text.size() ? position : text.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (start < text.size() && blank(text[start])) ++start;
    // After the last statement: the line of the last thing written.
    if (start == text.size())
        while (start > 0 && blank(text[start - 1])) --start;
    int line = 1;
    for (size_t i = 0; i < start; ++i)
        if (text[i] == '\n') ++line;
    return line;
}

}  // namespace cubalorn::batch
