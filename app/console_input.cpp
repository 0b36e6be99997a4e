#include "app/console_input.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace cubalorn {

ConsoleRead readBoundedLine(std::FILE* in, std::string& line) {
    line.clear();
    bool readAnything = false;
    bool tooLong = false;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF) {
        readAnything = true;
        if (c == '\n') break;
        // Keep one character beyond the limit so that a carriage return
        // ending a line of exactly 79 characters can still be dropped.
        if (line.size() <= ConsoleInput::kMaxLineLength) {
            line.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
    if (!readAnything) return ConsoleRead::EndOfInput;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (tooLong || line.size() > ConsoleInput::kMaxLineLength) {
        line.clear();
        return ConsoleRead::TooLong;
    }
    // The line is a zero-terminated text: a zero byte typed into it ends it.
    if (const size_t zero = line.find('\0'); zero != std::string::npos) line.resize(zero);
    return ConsoleRead::Line;
}

// Everything the reader thread touches. The thread keeps it alive by itself,
// so a thread still blocked in a read when the input object goes (the
// program ends at the prompt) never reaches freed memory.
struct ConsoleInput::Shared {
    explicit Shared(std::FILE* input) : in(input) {
        if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) wake[0] = wake[1] = -1;
    }
    ~Shared() {
        for (int fd : wake)
            if (fd >= 0) close(fd);
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return quit || asked; });
            if (quit) return;
            asked = false;
            reading = true;
            lock.unlock();
            std::string text;
            const ConsoleRead read = readBoundedLine(in, text);
            lock.lock();
            reading = false;
            if (quit) {
                changed.notify_all();
                return;
            }
            result = read;
            line = std::move(text);
            ready = true;
            if (wake[1] >= 0) {
                const char byte = 1;
                [[maybe_unused]] ssize_t n = write(wake[1], &byte, 1);
            }
            changed.notify_all();
        }
    }

    std::FILE* in;
    std::mutex mutex;
    std::condition_variable changed;
    bool asked = false;    // a line is wanted and the thread has not begun it
    bool reading = false;  // the thread is inside a read
    bool ready = false;    // a result waits to be taken
    bool quit = false;
    ConsoleRead result = ConsoleRead::EndOfInput;
    std::string line;
    int wake[2] = {-1, -1};
    std::thread thread;
};

ConsoleInput::ConsoleInput(std::FILE* in, Output& out) : in_(in), out_(out) {}

ConsoleInput::~ConsoleInput() {
    if (!shared_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->quit = true;
    shared_->changed.notify_all();
    // A read in progress cannot be cut short. A file or a pipe with data
    // answers at once; a terminal nobody types at is left to the thread,
    // which ends with the process.
    shared_->changed.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return !shared_->reading; });
    const bool stillReading = shared_->reading;
    lock.unlock();
    if (stillReading)
        shared_->thread.detach();
    else
        shared_->thread.join();
}

void ConsoleInput::printRefusal() {
    out_.print("ERROR - console line longer than %zu characters, nothing of it was run\n",
               kMaxLineLength);
}

void ConsoleInput::request() {
    out_.flush();
    if (!shared_) {
        shared_ = std::make_shared<Shared>(in_);
        // Signals (Ctrl+C above all) belong to the program's own threads: a
        // read cut by one would look like the end of the input.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous);
        shared_->thread = std::thread([state = shared_] { state->run(); });
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->asked || shared_->reading || shared_->ready) return;
    shared_->asked = true;
    shared_->changed.notify_all();
}

bool ConsoleInput::requested() const {
    if (!shared_) return false;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->asked || shared_->reading || shared_->ready;
}

bool ConsoleInput::take(ConsoleRead& result, std::string& line) {
    if (!shared_) return false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (!shared_->ready) return false;
        shared_->ready = false;
        result = shared_->result;
        line = std::move(shared_->line);
        shared_->line.clear();
        char byte;
        if (shared_->wake[0] >= 0) {
            [[maybe_unused]] ssize_t n = read(shared_->wake[0], &byte, 1);
        }
    }
    if (result == ConsoleRead::TooLong) printRefusal();
    return true;
}

bool ConsoleInput::waitUntilReady(std::chrono::milliseconds timeout) {
    if (!shared_) return false;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, timeout, [&] { return shared_->ready; });
}

int ConsoleInput::readyDescriptor() const {
    return shared_ ? shared_->wake[0] : -1;
}

ConsoleRead ConsoleInput::readLine(std::string& line, const std::function<bool()>& keepWaiting) {
    out_.flush();
    if (!keepWaiting && !requested()) {
        // Nobody else reads: read here.
        const ConsoleRead read = readBoundedLine(in_, line);
        if (read == ConsoleRead::TooLong) printRefusal();
        return read;
    }
    request();
    ConsoleRead read = ConsoleRead::EndOfInput;
    for (;;) {
        if (take(read, line)) return read;
        if (keepWaiting) {
            if (!waitUntilReady(std::chrono::milliseconds(20)) && !keepWaiting()) {
                line.clear();
                return ConsoleRead::Interrupted;
            }
        } else {
            waitUntilReady(std::chrono::hours(24));
        }
    }
}

}  // namespace cubalorn
