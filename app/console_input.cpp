#include "app/console_input.h"

namespace cubalorn {

ConsoleRead ConsoleInput::readLine(std::string& line) {
    out_.flush();
    line.clear();
    bool readAnything = false;
    bool tooLong = false;
    int c = 0;
    while ((c = std::fgetc(in_)) != EOF) {
        readAnything = true;
        if (c == '\n') break;
        // Keep one character beyond the limit so that a carriage return
        // ending a line of exactly 79 characters can still be dropped.
        if (line.size() <= kMaxLineLength) {
            line.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
    if (!readAnything) return ConsoleRead::EndOfInput;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (tooLong || line.size() > kMaxLineLength) {
        line.clear();
        out_.print("ERROR - console line longer than %zu characters, nothing of it was run\n",
                   kMaxLineLength);
        return ConsoleRead::TooLong;
    }
    // The line is a zero-terminated text: a zero byte typed into it ends it.
    if (const size_t zero = line.find('\0'); zero != std::string::npos) line.resize(zero);
    return ConsoleRead::Line;
}

}  // namespace cubalorn
