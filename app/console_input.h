#pragma once
// Bounded reading of console lines: the dialogue's prompt and READLIST both
// read through here, so no line can run past the 79 characters the shell
// takes and a closed standard input is seen as such.

#include <cstdio>
#include <string>

#include "interp/output.h"

namespace cubalorn {

enum class ConsoleRead {
    Line,        // a line of at most kMaxLineLength characters, newline removed
    TooLong,     // refused: the message is printed, the rest of the line discarded
    EndOfInput,  // standard input is closed (or failed) and nothing was read
};

class ConsoleInput {
public:
    static constexpr size_t kMaxLineLength = 79;

    ConsoleInput(std::FILE* in, Output& out) : in_(in), out_(out) {}

    // Flushes the output first, so a prompt written to a pipe is seen before
    // the program waits. A carriage return before the newline is dropped.
    // The last line of an input without a final newline still counts as a line.
    // A zero byte ends the line's text.
    ConsoleRead readLine(std::string& line);

private:
    std::FILE* in_;
    Output& out_;
};

}  // namespace cubalorn
