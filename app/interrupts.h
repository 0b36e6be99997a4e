#pragma once
// Ctrl+C at the console. The first press stops the running line; a press at
// the prompt, or a second press within a second of the one before, ends the
// program as QUIT does (at once when the first press was never looked at). A signal handler reaches
// only static storage, so the presses are counted in the one piece of process-wide state of the
// shell, and only while an InterruptWatch lives.

#include <cstdint>

namespace cubalorn {

// Whether a press at `nowNs` follows the press at `previousNs` closely
// enough to end the program (times in nanoseconds of a monotonic clock;
// previousNs < 0: no press before).
bool isSecondPress(int64_t previousNs, int64_t nowNs);

class InterruptWatch {
public:
    // Installs the SIGINT handler; the destructor puts the previous one back.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // A press not yet answered; taking it answers it.
    bool takePress();
    // Two presses close together: the program is to end.
    bool quitRequested() const;
    // Readable after each press, for poll(); -1 if the pipe could not be made.
    int descriptor() const;

    // What the handler does, callable from tests without a signal (the
    // handler alone ends the process on SecondUnanswered).
    enum class Press {
        First,             // stops the running line, or at the prompt ends the program
        Second,            // within a second of the one before: the program ends
        SecondUnanswered,  // and nothing has taken the first: the program is stuck
    };
    static Press press();
};

}  // namespace cubalorn
