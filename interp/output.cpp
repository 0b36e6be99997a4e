#include "interp/output.h"

#include <cstdarg>
#include <vector>

namespace cubalorn {

namespace {

// vprintf into `sink`, in one piece.
template <typename Sink>
void formatInto(Sink sink, const char* format, va_list args) {
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    if (length < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(copy);
        sink(std::string_view(small, static_cast<size_t>(length)));
        return;
    }
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    sink(std::string_view(large.data(), static_cast<size_t>(length)));
}

}  // namespace

void Output::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    formatInto([this](std::string_view text) { write(text); }, format, args);
    va_end(args);
}

void Output::note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    formatInto([this](std::string_view text) { diagnostic(text); }, format, args);
    va_end(args);
}

}  // namespace cubalorn
