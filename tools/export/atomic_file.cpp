#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace cubalorn::exporter {

namespace {

std::string describe(const std::string& path, const char* what, int errorNumber) {
    std::string text = "cannot write '" + path + "': " + what;
    if (errorNumber != 0) text += std::string(": ") + std::strerror(errorNumber);
    return text;
}

mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The directory part of `path` ("." when there is none) and the name part.
void splitPath(const std::string& path, std::string& directory, std::string& name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory = ".";
        name = path;
    } else {
        directory = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

}  // namespace

bool writeAll(int fd, std::string_view bytes, int& errorNumber) {
    const char* next = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        // Large single writes are split so that no system limit on one call matters.
        const size_t chunk = left < (size_t{1} << 30) ? left : (size_t{1} << 30);
        const ssize_t written = ::write(fd, next, chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            errorNumber = errno;
            return false;
        }
        if (written == 0) {
            errorNumber = ENOSPC;
            return false;
        }
        next += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    return writeFileAtomically(
        path, [bytes](ChunkWriter& out) { out.append(bytes); }, error);
}

namespace {

// Where the bytes of `path` would go (a symbolic link followed) and the mode
// a new or replaced file gets; false with `error` set when it cannot be a file.
bool resolveTarget(const std::string& path, std::string& target, mode_t& mode, std::string& error) {
    if (path.empty() || path.back() == '/') {
        error = describe(path, "the name is a directory, not a file", 0);
        return false;
    }
    target = path;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved)) {
            error = describe(path, "the symbolic link leads nowhere", errno);
            return false;
        }
        target = resolved;
    }
    mode = newFileMode();
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            error = describe(
                path,
                S_ISDIR(info.st_mode) ? "it is a directory" : "it exists and is not a regular file",
                0);
            return false;
        }
        mode = info.st_mode & 07777;
    }
    return true;
}

}  // namespace

bool checkWritable(const std::string& path, std::string& error) {
    std::string target, directory, name;
    mode_t mode;
    if (!resolveTarget(path, target, mode, error)) return false;
    splitPath(target, directory, name);
    struct stat info;
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = describe(path, ("the directory '" + directory + "' does not exist").c_str(), 0);
        return false;
    }
    if (::access(directory.c_str(), W_OK | X_OK) != 0) {
        error = describe(path, "cannot create a file in its directory", errno);
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::function<void(ChunkWriter&)>& encode,
                         std::string& error) {
    std::string target;
    mode_t mode;
    if (!resolveTarget(path, target, mode, error)) return false;

    std::string directory, name;
    splitPath(target, directory, name);
    std::string pattern = directory + "/." + name + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        const int e = errno;
        error = describe(path,
                         e == ENOENT || e == ENOTDIR
                             ? ("the directory '" + directory + "' does not exist").c_str()
                             : "cannot create a file in its directory",
                         e == ENOENT || e == ENOTDIR ? 0 : e);
        return false;
    }
    int e = 0;
    ChunkWriter writer([fd, &e](const char* data, size_t size) {
        return writeAll(fd, std::string_view(data, size), e);
    });
    encode(writer);
    bool ok = writer.flush();
    if (ok && ::fchmod(fd, mode) != 0) ok = false, e = errno;
    // Durable before it becomes visible: a crash after the rename must not
    // leave an empty file under the real name.
    if (ok && ::fdatasync(fd) != 0) ok = false, e = errno;
    if (::close(fd) != 0 && ok) ok = false, e = errno;
    if (ok && ::rename(temporary.data(), target.c_str()) != 0) ok = false, e = errno;
    if (!ok) {
        ::unlink(temporary.data());
        error = describe(path, "the data could not be written", e);
        return false;
    }
    return true;
}

}  // namespace cubalorn::exporter
