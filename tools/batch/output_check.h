#pragma once
// Checked before the program runs, so that a long program's work is never
// thrown away at the end: every output cubalorn-batch was asked to write can
// be written, no two outputs name the same file and none is the program.

#include <cstdio>
#include <string>
#include <vector>

#include "options.h"

namespace cubalorn::batch {

struct OutputFile {
    std::string option;  // "--stl", "--obj (material library)"
    std::string path;
};

// Every file the options ask for, in the order they are written. An option
// that writes a file adds its row here.
std::vector<OutputFile> requestedOutputs(const Options& options);

// Whether a file could be made or replaced at `path` now: its folder exists
// and takes a new file, and the path is not a folder or a device. On failure
// `error` says why, in the words the writers use.
bool canWrite(const std::string& path, std::string& error);

// Writes one line per problem to `errors`; false when there is any.
bool checkOutputs(const Options& options, std::FILE* errors);

}  // namespace cubalorn::batch
