#pragma once
// Reading configwindows.xml.txt into AppConfig.
//
// Every node the XML reader delivers is compared by name with "screen",
// "effects", "volume" and "camera", so an element written with a separate
// closing tag is applied twice, the second time without attributes. The
// shipped file writes each element as an empty element for that reason.

#include <irrlicht.h>

#include <string>

#include "app/app_config.h"

namespace cubalorn {

constexpr const char* kConfigurationFileName = "configwindows.xml.txt";

// Applies every node of `reader` to `config`. The background, volume and
// camera triples are read only while they are still all zero, tested once per
// node before its name, so the first non-zero triple (the program file's
// pre-pass included) wins.
void readConfiguration(irr::io::IXMLReader& reader, AppConfig& config);

// Opens `fileName` through `fileSystem` and applies it. Returns false (and
// changes nothing) when the file cannot be read.
bool readConfiguration(irr::io::IFileSystem& fileSystem, AppConfig& config,
                       const char* fileName = kConfigurationFileName);

// Applies the bytes of a configuration file. Bytes the engine's reader could
// run past the end of (see app/markup_check.h) are refused with one line on
// standard error and change nothing; the result is then false.
bool readConfigurationText(irr::io::IFileSystem& fileSystem, AppConfig& config,
                           const std::string& bytes, const char* fileName = kConfigurationFileName);

}  // namespace cubalorn
