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

// Every file the options ask for: the exports (Options::exportFiles) and
// the pictures.
std::vector<OutputFile> requestedOutputs(const Options& options);

// Whether a file could be made or replaced at `path` now: the writers'
// own check, and a file made and removed in its folder. On failure `error`
// says why, in the words the writers use.
bool canWrite(const std::string& path, std::string& error);

// Writes one line per problem to `errors`; false when there is any.
bool checkOutputs(const Options& options, std::FILE* errors);

}  // namespace cubalorn::batch
