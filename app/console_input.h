#pragma once
// Bounded reading of console lines: the dialogue's prompt and READLIST both
// read through here, so no line can run past the 79 characters the shell
// takes and a closed standard input is seen as such.
//
// A line may be read in two ways. readLine blocks the caller. request / take
// hand the reading to a thread of its own, so the window keeps drawing while
// the prompt waits; lines are still read one at a time and only when asked
// for, in order, and everything is printed by the caller's thread.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "interp/output.h"

namespace cubalorn {

enum class ConsoleRead {
    Line,         // a line of at most kMaxLineLength characters, newline removed
    TooLong,      // refused: the message is printed, the rest of the line discarded
    EndOfInput,   // standard input is closed (or failed) and nothing was read
    Interrupted,  // readLine's wait was given up; the line stays asked for
};

// Reads one line from `in` without printing anything. A carriage return
// before the newline is dropped; the last line of an input without a final
// newline still counts as a line; a zero byte ends the line's text.
ConsoleRead readBoundedLine(std::FILE* in, std::string& line);

class ConsoleInput {
public:
    static constexpr size_t kMaxLineLength = 79;

    ConsoleInput(std::FILE* in, Output& out);
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    // Flushes the output first, so a prompt written to a pipe is seen before
    // the program waits. A line already asked for with request() is the one
    // returned. With `keepWaiting`, the wait is cut into short slices and
    // keepWaiting() is asked after each; when it says no, Interrupted is
    // returned and the line stays asked for.
    ConsoleRead readLine(std::string& line, const std::function<bool()>& keepWaiting = nullptr);

    // Flushes the output and asks for the next line, unless one is asked for
    // or waiting to be taken already.
    void request();
    bool requested() const;
    // The line asked for, once it has been read: true with `result` and
    // `line` set (and the refusal message printed for a line too long).
    bool take(ConsoleRead& result, std::string& line);
    // Waits until the line asked for can be taken, at most `timeout`.
    bool waitUntilReady(std::chrono::milliseconds timeout);
    // A descriptor that is readable while a line waits to be taken, for
    // poll(); -1 before the first request.
    int readyDescriptor() const;

    struct Shared;

private:
    void printRefusal();

    std::FILE* in_;
    Output& out_;
    std::shared_ptr<Shared> shared_;  // the reader thread's state, made on the first request
};

}  // namespace cubalorn
