#pragma once
// The window's event receiver: it records the mouse and the held keys for the
// main loop and for programs, and passes every event on.

#include <irrlicht.h>

namespace cubalorn {

class MyEventReceiver : public irr::IEventReceiver {
public:
    static constexpr int kKeyCount = 255;

    ~MyEventReceiver() override = default;
    // Records the event and returns false, so the engine (the active camera's
    // animator in particular) sees it too.
    bool OnEvent(const irr::SEvent& event) override;
    // Codes outside 0..254 have no entry and read as not held.
    virtual bool isKeyDown(int keyCode) const;

    int mouseX = 0;
    int mouseY = 0;
    bool leftButtonDown = false;
    bool keyDown[kKeyCount] = {};
};

}  // namespace cubalorn
