#pragma once
// Loading the program file named on the command line.

#include <optional>
#include <string>

#include "interp/output.h"

namespace cubalorn {

// The whole file as text (bytes as they are, a NUL byte included), or nothing
// after printing "ERROR - could not open file %s\n" when it cannot be read.
std::optional<std::string> loadProgramFile(const std::string& path, Output& out);

}  // namespace cubalorn
