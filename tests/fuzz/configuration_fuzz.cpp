// Any bytes as configwindows.xml.txt, read through the engine's XML reader on
// the null device into the start-up settings. Refusals go to standard error,
// which the fuzz runs close (-close_fd_mask=2) to keep their log readable.

#include <irrlicht.h>

#include <cstdint>
#include <string>

#include "app/app_config.h"
#include "app/configuration.h"
#include "fuzz_support.h"

using namespace cubalorn;

namespace {

irr::IrrlichtDevice* device = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    device = irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), 16, false,
                               false, false, nullptr);
    if (!device) fuzz::fail("no null device");
    device->getLogger()->setLogLevel(irr::ELL_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AppConfig config;
    readConfigurationText(*device->getFileSystem(), config,
                          std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
