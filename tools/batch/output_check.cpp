#include "output_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "export/atomic_file.h"
#include "export/numbered_path.h"

namespace cubalorn::batch {

namespace {

std::string describe(const std::string& path, const std::string& what, int errorNumber = 0) {
    std::string text = "cannot write '" + path + "': " + what;
    if (errorNumber != 0) text += std::string(": ") + std::strerror(errorNumber);
    return text;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool sameExistingFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

// Where a path leads once its folder's links are resolved, so that two
// spellings of one file ("a.stl", "./a.stl") are seen as the same file.
std::string resolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;  // the file exists
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (::realpath(folderOf(path).c_str(), resolved)) return std::string(resolved) + "/" + name;
    return path;
}

bool sameFile(const std::string& a, const std::string& b) {
    return sameExistingFile(a, b) || resolvedTarget(a) == resolvedTarget(b);
}

std::vector<OutputFile> requestedOutputs(const Options& options) {
    std::vector<OutputFile> outputs;
    for (const auto& [option, path] : options.exportFiles()) outputs.push_back({option, path});
    if (!options.pngPath.empty()) {
        outputs.push_back({"--png", options.pngPath});
        // The first numbered picture stands for the series: same folder.
        if (options.pngEvery > 0)
            outputs.push_back({"--png-every", exporter::numberedPath(options.pngPath, 0)});
    }
    return outputs;
}

bool canWrite(const std::string& path, std::string& error) {
    if (!exporter::checkWritable(path, error)) return false;
    // A folder may look writable and still take no file (a read-only or
    // special file system, even for root): make (and remove) one now, as
    // the writers will beside the target.
    const std::string folder = folderOf(resolvedTarget(path));
    std::string pattern = folder + "/.cubalorn-check-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = describe(path, "cannot create a file in its directory", errno);
        return false;
    }
    ::close(fd);
    ::unlink(pattern.c_str());
    return true;
}

bool checkOutputs(const Options& options, std::FILE* errors) {
    const std::vector<OutputFile> outputs = requestedOutputs(options);
    bool ok = true;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const OutputFile& output = outputs[i];
        if (!options.programFile.empty() && sameFile(output.path, options.programFile)) {
            std::fprintf(errors, "cubalorn-batch: %s %s would overwrite the program file\n",
                         output.option.c_str(), output.path.c_str());
            ok = false;
            continue;
        }
        bool repeated = false;
        for (size_t j = 0; j < i && !repeated; ++j) {
            if (!sameFile(output.path, outputs[j].path)) continue;
            std::fprintf(errors, "cubalorn-batch: %s %s and %s %s name the same file\n",
                         outputs[j].option.c_str(), outputs[j].path.c_str(), output.option.c_str(),
                         output.path.c_str());
            repeated = true;
        }
        if (repeated) {
            ok = false;
            continue;
        }
        std::string error;
        if (!canWrite(output.path, error)) {
            std::fprintf(errors, "cubalorn-batch: %s\n", error.c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace cubalorn::batch
