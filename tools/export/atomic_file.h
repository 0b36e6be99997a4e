#pragma once
// Writing a whole file so that readers see either the old file or the new
// one, never half of it: the bytes go to a fresh temporary file in the same
// directory, which replaces the target by rename only once everything has
// been written and flushed.

#include <functional>
#include <string>
#include <string_view>

#include "chunk_writer.h"

namespace cubalorn::exporter {

// Writes `bytes` to `path`. A symbolic link is followed, so the file it points
// to is replaced and the link stays. Refuses a target that exists but is not a
// regular file (a directory, a device, a pipe). A new file gets the usual
// permissions (0666 less the umask); a replaced one keeps its own. On failure
// returns false with `error` saying what and why; the target is untouched and
// the temporary file removed.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

// The same, with the bytes streamed by `encode` as it produces them.
bool writeFileAtomically(const std::string& path, const std::function<void(ChunkWriter&)>& encode,
                         std::string& error);

// Would writeFileAtomically find a place for `path`? Checks the same refusals
// and that its directory exists and takes new files, without writing; false
// with `error` set as writeFileAtomically would say it.
bool checkWritable(const std::string& path, std::string& error);

// Writes all of `bytes` to `fd`, going on after short writes and interrupts.
// On failure returns false with `errorNumber` set from errno.
bool writeAll(int fd, std::string_view bytes, int& errorNumber);

}  // namespace cubalorn::exporter
