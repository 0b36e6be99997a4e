#include "app/interrupts.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace cubalorn {

namespace {

constexpr int64_t kSecondNs = 1000000000;

// Only lock-free atomics and write(2): what a signal handler may touch.
std::atomic<bool> pendingPress{false};
std::atomic<bool> quitPress{false};
std::atomic<int64_t> lastPressNs{-1};
std::atomic<int> wakeWrite{-1};
int wakeRead = -1;
struct sigaction previousAction;

int64_t monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * kSecondNs + now.tv_nsec;
}

void onInterrupt(int) {
    const int savedErrno = errno;
    if (InterruptWatch::press() == InterruptWatch::Press::SecondUnanswered) {
        // Nothing has looked at the first press: the program is stuck in one
        // long step (a file that never opens, say). End it here, with QUIT's
        // status; what standard output had not written yet is lost.
        _exit(1);
    }
    errno = savedErrno;
}

}  // namespace

bool isSecondPress(int64_t previousNs, int64_t nowNs) {
    return previousNs >= 0 && nowNs >= previousNs && nowNs - previousNs < kSecondNs;
}

InterruptWatch::Press InterruptWatch::press() {
    const int64_t now = monotonicNs();
    const bool second = isSecondPress(lastPressNs.exchange(now), now);
    const bool unanswered = pendingPress.exchange(true);
    if (second) quitPress = true;
    const int fd = wakeWrite.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(fd, &byte, 1);
    }
    if (!second) return Press::First;
    return unanswered ? Press::SecondUnanswered : Press::Second;
}

InterruptWatch::InterruptWatch() {
    pendingPress = false;
    quitPress = false;
    lastPressNs = -1;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a console read cut by the signal must not look like
    // the end of the input.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousAction);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previousAction, nullptr);
    const int fd = wakeWrite.exchange(-1);
    if (fd >= 0) close(fd);
    if (wakeRead >= 0) close(wakeRead);
    wakeRead = -1;
}

bool InterruptWatch::takePress() {
    if (!pendingPress.exchange(false)) return false;
    char buffer[64];
    while (wakeRead >= 0 && read(wakeRead, buffer, sizeof buffer) > 0) {
    }
    return true;
}

bool InterruptWatch::quitRequested() const {
    return quitPress;
}

int InterruptWatch::descriptor() const {
    return wakeRead;
}

}  // namespace cubalorn
