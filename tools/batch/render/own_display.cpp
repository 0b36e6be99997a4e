#include "own_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace cubalorn::batch {

namespace {

constexpr int kStartTimeoutMs = 15000;

}  // namespace

OwnDisplay::~OwnDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

bool OwnDisplay::start(int width, int height, std::string& error) {
    int fds[2];
    if (pipe(fds) != 0) {
        error = "cannot start Xvfb: no pipe";
        return false;
    }
    const std::string screen =
        std::to_string(std::max(width, 1024)) + "x" + std::to_string(std::max(height, 768)) + "x24";
    const std::string displayFd = std::to_string(fds[1]);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        error = "cannot start Xvfb: fork failed";
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        // A group of its own: Ctrl+C on the terminal stops the program, and
        // the server must live on to draw the pictures of what it made.
        setpgid(0, 0);
        // And it goes when the program does, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The server's chatter is not ours to show.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        // -displayfd: the server picks a free display and writes its number.
        execlp("Xvfb", "Xvfb", "-displayfd", displayFd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;

    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    while (true) {
        const int ready = poll(&wait, 1, kStartTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        error =
            "no display and Xvfb could not be started (is the xvfb package installed?); "
            "set DISPLAY or install Xvfb";
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

}  // namespace cubalorn::batch
