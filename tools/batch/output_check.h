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

// Where a path leads once its folder's links are resolved, so that two
// spellings of one file ("a.stl", "./a.stl") are seen as the same file.
std::string resolvedTarget(const std::string& path);
// The same file, existing (same inode) or to be made (same resolved path).
bool sameFile(const std::string& a, const std::string& b);

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
