#pragma once
// An X display of our own (Xvfb) for rendering where there is none, started
// and stopped by this process.

#include <sys/types.h>

#include <string>

namespace cubalorn::batch {

class OwnDisplay {
public:
    OwnDisplay() = default;
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;
    // Stops the server if it was started.
    ~OwnDisplay();

    // Starts Xvfb with a screen of at least width x height, waits until it
    // accepts clients and points DISPLAY at it. False with `error` set when
    // it cannot be started.
    bool start(int width, int height, std::string& error);

private:
    pid_t pid_ = -1;
};

}  // namespace cubalorn::batch
