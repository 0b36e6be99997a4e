#include "app/window_events.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace cubalorn {

WindowEvents::WindowEvents(void* display, unsigned long window) : engineDisplay_(display) {
    if (display == nullptr || window == 0) return;
    // A held key repeats as more presses without releases between them,
    // so a key that acts once per press cannot be repeated by holding it.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(static_cast<Display*>(display), True, &supported);
    Display* watch = XOpenDisplay(DisplayString(static_cast<Display*>(display)));
    if (watch == nullptr) return;
    // Each client chooses its own events on a window: these do not take
    // anything from the engine's connection.
    XSelectInput(watch, window, ExposureMask | StructureNotifyMask | VisibilityChangeMask);
    XFlush(watch);
    watchDisplay_ = watch;
}

WindowEvents::~WindowEvents() {
    if (watchDisplay_ != nullptr) XCloseDisplay(static_cast<Display*>(watchDisplay_));
}

bool WindowEvents::takeExposed() {
    if (watchDisplay_ != nullptr) {
        Display* watch = static_cast<Display*>(watchDisplay_);
        while (XPending(watch) > 0) {
            XEvent event;
            XNextEvent(watch, &event);
            switch (event.type) {
                case Expose:
                case MapNotify:
                case ConfigureNotify:
                    exposed_ = true;
                    break;
                case VisibilityNotify:
                    if (event.xvisibility.state != VisibilityFullyObscured) exposed_ = true;
                    break;
                default:
                    break;
            }
        }
    }
    const bool exposed = exposed_;
    exposed_ = false;
    return exposed;
}

bool WindowEvents::engineEventsWaiting() const {
    if (engineDisplay_ == nullptr) return true;
    Display* engine = static_cast<Display*>(engineDisplay_);
    if (XEventsQueued(engine, QueuedAlready) > 0) return true;
    pollfd fd{ConnectionNumber(engine), POLLIN, 0};
    return poll(&fd, 1, 0) > 0;
}

void WindowEvents::wait(std::chrono::milliseconds timeout, const std::vector<int>& descriptors) {
    std::vector<pollfd> fds;
    if (engineDisplay_ != nullptr) {
        Display* engine = static_cast<Display*>(engineDisplay_);
        // Events the engine's connection has read already would not wake poll().
        if (XEventsQueued(engine, QueuedAlready) > 0) return;
        fds.push_back({ConnectionNumber(engine), POLLIN, 0});
    }
    if (watchDisplay_ != nullptr) {
        Display* watch = static_cast<Display*>(watchDisplay_);
        if (XEventsQueued(watch, QueuedAlready) > 0) return;
        fds.push_back({ConnectionNumber(watch), POLLIN, 0});
    }
    for (int fd : descriptors)
        if (fd >= 0) fds.push_back({fd, POLLIN, 0});
    const int ms = timeout.count() < 0 ? 0 : static_cast<int>(timeout.count());
    poll(fds.data(), fds.size(), ms);
}

}  // namespace cubalorn
