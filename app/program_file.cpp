#include "app/program_file.h"

#include <cstdio>

#include "interp/program_text.h"

namespace cubalorn {

std::optional<std::string> loadProgramFile(const std::string& path, Output& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        out.print("ERROR - could not open file %s\n", path.c_str());
        return std::nullopt;
    }
    // Read to the end rather than trusting a measured size: a directory or a
    // pipe reports no usable size, and a file may change while it is read.
    std::string text;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (got > kLongestProgramFile - text.size()) {
            std::fclose(file);
            out.print("ERROR - program file %s is longer than %zu bytes, not loaded\n", path.c_str(),
                      kLongestProgramFile);
            return std::nullopt;
        }
        text.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        out.print("ERROR - could not open file %s\n", path.c_str());
        return std::nullopt;
    }
    return text;
}

}  // namespace cubalorn
