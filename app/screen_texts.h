#pragma once
// Fonts, textures and the texts programs queue for the next frame.

#include <irrlicht.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "interp/host.h"

namespace cubalorn {

struct FontEntry {
    std::string name;                    // as PRINTSCREEN names it
    irr::gui::IGUIFont* font = nullptr;  // none when loading failed
};

// GETTEXTURE keeps the texture and its four numbers; nothing draws them, as
// no command says where or how.
struct TextureEntry {
    std::string name;
    irr::video::ITexture* texture = nullptr;
    int a = 0, b = 0, c = 0, d = 0;
};

// The caption and screen-text buffer: 80 wide characters, so at most 79 shown.
constexpr size_t kCaptionLength = 80;
using CaptionBuffer = std::array<wchar_t, kCaptionLength>;

// Copies at most 79 bytes of `text` into `caption`, each byte widened as its
// own code point (bytes from 128 up read as Latin-1), and terminates it.
void widenIntoCaption(const std::string& text, CaptionBuffer& caption);

// The colour a text is drawn in: alpha 255 and the palette entry's red,
// green and blue. Indices outside 0..255 have no entry and use entry 0.
using PaletteColour = std::function<irr::video::SColor(uint8_t index)>;
irr::video::SColor screenTextColour(int colourIndex, const PaletteColour& paletteColour);

// Draws the queue from the last queued text to the first, each with every
// font entry of its name from the last to the first (entries whose font did
// not load are skipped), in a 200 x 50 rectangle at the text's position
// (held within 2^24 pixels of the origin, far off any window), then empties
// the queue.
void drawScreenTexts(std::vector<ScreenText>& queue, const std::vector<FontEntry>& fonts,
                     CaptionBuffer& caption, const PaletteColour& paletteColour);

}  // namespace cubalorn
