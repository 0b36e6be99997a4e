#pragma once
// The window's event receiver: it records the mouse, the held keys and the
// key presses for the main loop and for programs, and passes every event on.

#include <irrlicht.h>

#include <bitset>

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
    // Whether the key went down since the last call for it. A key held down
    // (the keyboard repeating it) counts once.
    bool takePress(int keyCode);
    // The wheel's turns since the last call (positive: away from the user).
    float takeWheel();

    // The mouse's way while a button was held, in pixels, since the last call
    // for that button: drags are summed as the events come, so a quick drag
    // that starts and ends between two frames still counts.
    enum Button { kLeft = 0, kRight = 1, kMiddle = 2 };
    struct Drag {
        int dx = 0, dy = 0;
        bool started = false;  // the button went down since the last call
    };
    Drag takeDrag(Button button);

    int mouseX = 0;
    int mouseY = 0;
    bool leftButtonDown = false;
    bool rightButtonDown = false;
    bool middleButtonDown = false;
    bool keyDown[kKeyCount] = {};
    // Escape went down at some time: the program is to end.
    bool escapePressed = false;

private:
    std::bitset<kKeyCount> pressed_;
    float wheel_ = 0.0f;
    Drag drags_[3];
};

}  // namespace cubalorn
