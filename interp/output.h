#pragma once
// The one sink for everything the interpreter and the shell print on the
// console: standard output in the program, a string in tests. A second
// channel carries diagnostics for a person (where an error is, hints,
// progress, warnings): standard error in the program, a second string in
// tests. The first channel stays exactly the dialogue programs rely on.

#include <cstdio>
#include <string>
#include <string_view>

namespace cubalorn {

class Output {
public:
    virtual ~Output() = default;
    virtual void write(std::string_view text) = 0;
    // Called before every blocking console read, so a prompt written to a
    // pipe is seen before the program waits.
    virtual void flush() {}

    // The diagnostics channel. The default drops them.
    virtual void diagnostic(std::string_view) {}

    // printf-style convenience; output is exactly what std::printf would write.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same on the diagnostics channel.
    void note(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

class StdoutOutput final : public Output {
public:
    void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
    void flush() override { std::fflush(stdout); }
    // Standard output is flushed first, so that on a terminal a diagnostic
    // follows the message it belongs to.
    void diagnostic(std::string_view text) override {
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
};

class StringOutput final : public Output {
public:
    void write(std::string_view text) override { text_.append(text); }
    void diagnostic(std::string_view text) override { diagnostics_.append(text); }
    const std::string& text() const { return text_; }
    const std::string& diagnostics() const { return diagnostics_; }
    void clear() {
        text_.clear();
        diagnostics_.clear();
    }

private:
    std::string text_;
    std::string diagnostics_;
};

}  // namespace cubalorn
