#include "app/event_receiver.h"

#include <cstring>
#include <type_traits>

namespace cubalorn {

bool MyEventReceiver::OnEvent(const irr::SEvent& event) {
    switch (event.EventType) {
        case irr::EET_KEY_INPUT_EVENT: {
            // Read as plain bytes: a code outside the enumeration may arrive, and
            // loading it as the enum type is undefined.
            std::underlying_type_t<irr::EKEY_CODE> code;
            std::memcpy(&code, &event.KeyInput.Key, sizeof code);
            const long long key = static_cast<long long>(code);
            if (key >= 0 && key < kKeyCount) {
                const bool down = event.KeyInput.PressedDown;
                // The keyboard's repeat sends more presses without a release.
                if (down && !keyDown[key]) pressed_.set(static_cast<size_t>(key));
                keyDown[key] = down;
                if (down && key == irr::KEY_ESCAPE) escapePressed = true;
            }
            break;
        }
        case irr::EET_MOUSE_INPUT_EVENT:
            switch (event.MouseInput.Event) {
                case irr::EMIE_LMOUSE_PRESSED_DOWN:
                    leftButtonDown = true;
                    drags_[kLeft].started = true;
                    break;
                case irr::EMIE_LMOUSE_LEFT_UP:
                    leftButtonDown = false;
                    break;
                case irr::EMIE_RMOUSE_PRESSED_DOWN:
                    rightButtonDown = true;
                    drags_[kRight].started = true;
                    break;
                case irr::EMIE_RMOUSE_LEFT_UP:
                    rightButtonDown = false;
                    break;
                case irr::EMIE_MMOUSE_PRESSED_DOWN:
                    middleButtonDown = true;
                    drags_[kMiddle].started = true;
                    break;
                case irr::EMIE_MMOUSE_LEFT_UP:
                    middleButtonDown = false;
                    break;
                case irr::EMIE_MOUSE_WHEEL:
                    wheel_ += event.MouseInput.Wheel;
                    break;
                case irr::EMIE_MOUSE_MOVED: {
                    const int dx = event.MouseInput.X - mouseX;
                    const int dy = event.MouseInput.Y - mouseY;
                    const bool held[3] = {leftButtonDown, rightButtonDown, middleButtonDown};
                    for (int b = 0; b < 3; ++b) {
                        if (!held[b]) continue;
                        drags_[b].dx += dx;
                        drags_[b].dy += dy;
                    }
                    mouseX = event.MouseInput.X;
                    mouseY = event.MouseInput.Y;
                    break;
                }
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return false;
}

bool MyEventReceiver::isKeyDown(int keyCode) const {
    return keyCode >= 0 && keyCode < kKeyCount && keyDown[keyCode];
}

bool MyEventReceiver::takePress(int keyCode) {
    if (keyCode < 0 || keyCode >= kKeyCount) return false;
    const bool pressed = pressed_.test(static_cast<size_t>(keyCode));
    pressed_.reset(static_cast<size_t>(keyCode));
    return pressed;
}

MyEventReceiver::Drag MyEventReceiver::takeDrag(Button button) {
    const Drag drag = drags_[button];
    drags_[button] = {};
    return drag;
}

float MyEventReceiver::takeWheel() {
    const float turns = wheel_;
    wheel_ = 0.0f;
    return turns;
}

}  // namespace cubalorn
