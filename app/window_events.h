#pragma once
// Sleeping until there is something to do, and knowing when the window lost
// its picture. The main loop waits here between frames instead of spinning:
// it wakes for the window system's events, a console line, Ctrl+C or the
// next frame's time. The engine does not say when a covered window is shown
// again, so a second connection to the X display watches for that.

#include <chrono>
#include <vector>

namespace cubalorn {

class WindowEvents {
public:
    // `display` is the engine's X display (null without one, as with the
    // null driver) and `window` its window. A held key then repeats as
    // presses only, without the releases between them.
    WindowEvents(void* display, unsigned long window);
    ~WindowEvents();
    WindowEvents(const WindowEvents&) = delete;
    WindowEvents& operator=(const WindowEvents&) = delete;

    // Whether the window was shown again, mapped or resized since the last
    // call: its picture must be drawn again.
    bool takeExposed();
    // Whether the engine's display has events for it to read (always true
    // without a display): asking the engine costs more than asking this.
    bool engineEventsWaiting() const;
    // Returns when the engine's display or one of `descriptors` (-1 entries
    // are skipped) has something to read, or after `timeout`. Returns at
    // once when the engine has events queued already.
    void wait(std::chrono::milliseconds timeout, const std::vector<int>& descriptors);

private:
    void* engineDisplay_ = nullptr;
    void* watchDisplay_ = nullptr;  // our own connection
    bool exposed_ = false;
};

}  // namespace cubalorn
