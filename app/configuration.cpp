#include "app/configuration.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/markup_check.h"

namespace cubalorn {

namespace {

// The three readings of an attribute. Irrlicht's own conversions give 0 for
// an absent attribute.
int readInteger(irr::io::IXMLReader& reader, const wchar_t* name) {
    return reader.getAttributeValueAsInt(name);
}

float readFloat(irr::io::IXMLReader& reader, const wchar_t* name) {
    return reader.getAttributeValueAsFloat(name);
}

// Exactly "true" switches on; "True", "yes", "" and an absent attribute do not.
bool readSwitch(irr::io::IXMLReader& reader, const wchar_t* name) {
    const wchar_t* text = reader.getAttributeValue(name);
    return text != nullptr && std::wcscmp(text, L"true") == 0;
}

template <typename T>
bool allZero(const std::array<T, 3>& values) {
    return values[0] == 0 && values[1] == 0 && values[2] == 0;
}

bool named(const wchar_t* nodeName, const wchar_t* expected) {
    return nodeName != nullptr && std::wcscmp(nodeName, expected) == 0;
}

void readScreen(irr::io::IXMLReader& reader, AppConfig& config, bool backgroundUnset) {
    config.windowWidth = readInteger(reader, L"dimensionx");
    config.windowHeight = readInteger(reader, L"dimensiony");
    config.bitsPerPixel = readInteger(reader, L"bitsperpixel");
    config.fullscreen = readSwitch(reader, L"fullscreen");
    if (backgroundUnset) {
        config.background = {readInteger(reader, L"backgroundred"),
                             readInteger(reader, L"backgroundgreen"),
                             readInteger(reader, L"backgroundblue")};
    }
}

void readEffects(irr::io::IXMLReader& reader, AppConfig& config) {
    config.ambient = {readInteger(reader, L"ambientred"), readInteger(reader, L"ambientgreen"),
                      readInteger(reader, L"ambientblue")};
    config.lightColour = {readFloat(reader, L"lightred"), readFloat(reader, L"lightgreen"),
                          readFloat(reader, L"lightblue")};
    // showlightnode is accepted but decides nothing: the light marker is always shown.
    config.blur = readSwitch(reader, L"blur");
    config.lightPosition = {readInteger(reader, L"lightposx"), readInteger(reader, L"lightposy"),
                            readInteger(reader, L"lightposz")};
    config.useEffects = readSwitch(reader, L"useeffects");
    config.shadowMapFilter = readInteger(reader, L"shadowmapfilter");
    config.lightTarget = {readInteger(reader, L"lighttarx"), readInteger(reader, L"lighttary"),
                          readInteger(reader, L"lighttarz")};
    config.ambientOcclusion = readSwitch(reader, L"ambientocclusion");
}

void readVolume(irr::io::IXMLReader& reader, AppConfig& config, bool volumeUnset) {
    if (volumeUnset) {
        config.volumeMax = {readInteger(reader, L"maxx"), readInteger(reader, L"maxy"),
                            readInteger(reader, L"maxz")};
    }
    config.cubicMode = readSwitch(reader, L"cubic");
}

void readCamera(irr::io::IXMLReader& reader, AppConfig& config, bool cameraUnset) {
    if (cameraUnset) {
        config.cameraPosition = {readFloat(reader, L"camx"), readFloat(reader, L"camy"),
                                 readFloat(reader, L"camz")};
        config.cameraTarget = {readFloat(reader, L"targetx"), readFloat(reader, L"targety"),
                               readFloat(reader, L"targetz")};
    }
    // One-way: a later "false" does not switch the caption off again.
    if (readSwitch(reader, L"showcamerapos")) config.showCameraPosition = true;
}

}  // namespace

void readConfiguration(irr::io::IXMLReader& reader, AppConfig& config) {
    while (reader.read()) {
        const bool backgroundUnset = allZero(config.background);
        const bool volumeUnset = allZero(config.volumeMax);
        const bool cameraUnset = allZero(config.cameraPosition);
        const wchar_t* name = reader.getNodeName();
        if (named(name, L"screen")) {
            readScreen(reader, config, backgroundUnset);
        } else if (named(name, L"effects")) {
            readEffects(reader, config);
        } else if (named(name, L"volume")) {
            readVolume(reader, config, volumeUnset);
        } else if (named(name, L"camera")) {
            readCamera(reader, config, cameraUnset);
        }
    }
}

bool readConfigurationText(irr::io::IFileSystem& fileSystem, AppConfig& config,
                           const std::string& bytes, const char* fileName) {
    std::string refusal;
    std::string text = readerSafeText(bytes, refusal);
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s was not read: %s. The built-in settings are used.\n", fileName,
                     refusal.c_str());
        return false;
    }
    irr::io::IReadFile* file = fileSystem.createMemoryReadFile(
        text.data(), static_cast<irr::s32>(text.size()), fileName, false);
    if (file == nullptr) return false;
    irr::io::IXMLReader* reader = fileSystem.createXMLReader(file);
    file->drop();
    if (reader == nullptr) return false;
    readConfiguration(*reader, config);
    reader->drop();
    return true;
}

bool readConfiguration(irr::io::IFileSystem& fileSystem, AppConfig& config, const char* fileName) {
    irr::io::IReadFile* file = fileSystem.createAndOpenFile(fileName);
    if (file == nullptr) return false;
    // A configuration is a few hundred bytes; anything past this is not one.
    constexpr long kLargestConfiguration = 1 << 20;
    std::string bytes(static_cast<size_t>(std::min<long>(file->getSize(), kLargestConfiguration)),
                      '\0');
    const irr::s32 got = file->read(bytes.data(), static_cast<irr::u32>(bytes.size()));
    file->drop();
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return readConfigurationText(fileSystem, config, bytes, fileName);
}

}  // namespace cubalorn
