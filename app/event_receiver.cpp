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
        if (key >= 0 && key < kKeyCount) keyDown[key] = event.KeyInput.PressedDown;
        break;
    }
    case irr::EET_MOUSE_INPUT_EVENT:
        switch (event.MouseInput.Event) {
        case irr::EMIE_LMOUSE_PRESSED_DOWN:
            leftButtonDown = true;
            break;
        case irr::EMIE_LMOUSE_LEFT_UP:
            leftButtonDown = false;
            break;
        case irr::EMIE_MOUSE_MOVED:
            mouseX = event.MouseInput.X;
            mouseY = event.MouseInput.Y;
            break;
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

}  // namespace cubalorn
