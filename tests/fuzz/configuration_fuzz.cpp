// Any bytes as configwindows.xml.txt, read through the engine's XML reader on
// the null device into the start-up settings.

#include <irrlicht.h>

#include <cstdint>

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
    irr::io::IFileSystem* files = device->getFileSystem();
    // The reader takes the bytes as they are; the memory file does not copy them.
    irr::io::IReadFile* file = files->createMemoryReadFile(
        const_cast<uint8_t*>(data), static_cast<irr::s32>(size), kConfigurationFileName, false);
    if (!file) fuzz::fail("no memory file");
    irr::io::IXMLReader* reader = files->createXMLReader(file);
    file->drop();
    if (!reader) return 0;  // not a text the reader accepts: the defaults stay
    AppConfig config;
    readConfiguration(*reader, config);
    reader->drop();
    return 0;
}
