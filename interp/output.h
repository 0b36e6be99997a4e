#pragma once
// The one sink for everything the interpreter and the shell print on the
// console: standard output in the program, a string in tests.

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

    // printf-style convenience; output is exactly what std::printf would write.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

class StdoutOutput final : public Output {
public:
    void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
    void flush() override { std::fflush(stdout); }
};

class StringOutput final : public Output {
public:
    void write(std::string_view text) override { text_.append(text); }
    const std::string& text() const { return text_; }
    void clear() { text_.clear(); }

private:
    std::string text_;
};

}  // namespace cubalorn
