#pragma once
// Names for a series of files made from one name: "frames/walk.png" and 12
// give "frames/walk-00012.png".

#include <cstdio>
#include <string>

namespace cubalorn::exporter {

inline std::string numberedPath(const std::string& path, long long number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "-%05lld", number);
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return path + digits;
    return path.substr(0, dot) + digits + path.substr(dot);
}

}  // namespace cubalorn::exporter
