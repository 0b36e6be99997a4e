#pragma once
// The engine's own log goes to standard error, so standard output carries
// only the console dialogue (and stays exact when a script reads it). Every
// other event is passed to the application's receiver unchanged.

#include <irrlicht.h>

#include <cstdio>

namespace cubalorn {

class EngineLogToStderr : public irr::IEventReceiver {
public:
    explicit EngineLogToStderr(irr::IEventReceiver* next = nullptr) : next_(next) {}

    bool OnEvent(const irr::SEvent& event) override {
        if (event.EventType == irr::EET_LOG_TEXT_EVENT) {
            std::fprintf(stderr, "%s\n", event.LogEvent.Text != nullptr ? event.LogEvent.Text : "");
            return true;  // handled: the engine does not print it on standard output
        }
        return next_ != nullptr && next_->OnEvent(event);
    }

private:
    irr::IEventReceiver* next_;
};

}  // namespace cubalorn
