#include "animated_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "export/numbered_path.h"

namespace cubalorn::batch {

namespace {

size_t extensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    return dot == std::string::npos || dot <= nameStart ? path.size() : dot;
}

// The first executable called `name` in a folder of PATH, or "".
std::string findOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

}  // namespace

std::string turntableFramePath(const std::string& picture, long long frame) {
    const size_t dot = extensionStart(picture);
    return exporter::numberedPath(picture.substr(0, dot) + "-turn" + picture.substr(dot), frame);
}

std::string animationPath(const std::string& picture) {
    return picture.substr(0, extensionStart(picture)) + ".gif";
}

AnimationResult writeAnimatedGif(const std::vector<std::string>& frames, const std::string& gif,
                                 int delayCentiseconds, std::string& error) {
    const std::string convert = findOnPath("convert");
    if (convert.empty()) return AnimationResult::ToolMissing;
    const std::string delay = std::to_string(delayCentiseconds);
    std::vector<std::string> arguments = {"convert", "-delay", delay, "-loop", "0"};
    // A name starting with "-" would read as an option.
    for (const std::string& frame : frames)
        arguments.push_back(frame.compare(0, 1, "-") == 0 ? "./" + frame : frame);
    // "gif:" fixes the format whatever the name says, and keeps a name
    // starting with "-" from reading as an option.
    arguments.push_back("gif:" + gif);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        error = "cannot start ImageMagick's convert";
        return AnimationResult::Failed;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execv(convert.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return AnimationResult::Written;
    error = "ImageMagick's convert could not write '" + gif + "'";
    return AnimationResult::Failed;
}

}  // namespace cubalorn::batch
