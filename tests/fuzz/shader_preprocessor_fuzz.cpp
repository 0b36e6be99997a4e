// Any shader text with any defines through the shader preprocessor: the
// first bytes pick the driver features, then up to four "name\nvalue\n"
// defines, then the text.

#include <cstdint>
#include <sstream>
#include <string>

#include "effects/shader_preprocessor.h"
#include "fuzz_support.h"

using namespace cubalorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input(data, size);
    const unsigned features = input.byte() | (input.byte() << 8);
    ShaderPreprocessor preprocessor([features](irr::video::E_VIDEO_DRIVER_FEATURE f) {
        for (unsigned i = 0; i < 11; ++i)
            if (kFeatureDefines[i].feature == f) return ((features >> i) & 1) != 0;
        return false;
    });
    std::ostringstream messages;
    preprocessor.setErrorStream(messages);
    const unsigned defineCount = input.byte() % 5;
    for (unsigned i = 0; i < defineCount; ++i) {
        const std::string name = input.textUntil('\n');
        const std::string value = input.textUntil('\n');
        preprocessor.addDefine(name, value);
    }
    const std::string text = input.rest();
    const std::string result = preprocessor.preprocess(text);

    // Comments and dropped blocks are blanked in place, so without a valued
    // define the text keeps its length.
    bool anyValue = false;
    for (const auto& [name, value] : preprocessor.defines()) anyValue |= !value.empty();
    if (!anyValue && result.size() != text.size())
        fuzz::fail("the text changed its length without a valued define",
                   std::to_string(text.size()) + " -> " + std::to_string(result.size()));
    return 0;
}
