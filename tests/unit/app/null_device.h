#pragma once
// One engine device with the null driver for the whole test binary: it gives
// the file system, a scene manager, a GUI environment and image loading
// without a display.

#include <irrlicht.h>

namespace cubalorn::testing {

inline irr::IrrlichtDevice& nullDevice() {
    static irr::IrrlichtDevice* device = [] {
        irr::IrrlichtDevice* d = irr::createDevice(irr::video::EDT_NULL,
                                                   irr::core::dimension2du(640, 480), 16, false,
                                                   false, false, nullptr);
        d->getLogger()->setLogLevel(irr::ELL_NONE);
        return d;
    }();
    return *device;
}

}  // namespace cubalorn::testing
