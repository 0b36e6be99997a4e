#include "app/screen_texts.h"

#include <algorithm>

namespace cubalorn {

namespace {

// A program may place a text at any int. Beyond this distance it is off any
// window anyway; keeping it here leaves room for the rectangle's corner and
// the engine's glyph offsets without integer overflow.
constexpr irr::s32 kFarOffScreen = 1 << 24;

irr::s32 textCoordinate(int value) {
    return std::clamp(value, -kFarOffScreen, kFarOffScreen);
}

}  // namespace

void widenIntoCaption(const std::string& text, CaptionBuffer& caption) {
    const size_t length = text.size() < kCaptionLength - 1 ? text.size() : kCaptionLength - 1;
    for (size_t i = 0; i < length; ++i) {
        caption[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
    caption[length] = L'\0';
}

irr::video::SColor screenTextColour(int colourIndex, const PaletteColour& paletteColour) {
    const uint8_t index =
        colourIndex >= 0 && colourIndex <= 255 ? static_cast<uint8_t>(colourIndex) : 0;
    irr::video::SColor colour = paletteColour(index);
    colour.setAlpha(255);
    return colour;
}

void drawScreenTexts(std::vector<ScreenText>& queue, const std::vector<FontEntry>& fonts,
                     CaptionBuffer& caption, const PaletteColour& paletteColour) {
    for (auto text = queue.rbegin(); text != queue.rend(); ++text) {
        widenIntoCaption(text->text, caption);
        const irr::video::SColor colour = screenTextColour(text->colourIndex, paletteColour);
        const irr::s32 x = textCoordinate(text->x);
        const irr::s32 y = textCoordinate(text->y);
        const irr::core::rect<irr::s32> area(x, y, x + 200, y + 50);
        for (auto entry = fonts.rbegin(); entry != fonts.rend(); ++entry) {
            if (entry->font == nullptr || entry->name != text->fontName) continue;
            entry->font->draw(caption.data(), area, colour, false, false, nullptr);
        }
    }
    queue.clear();
}

}  // namespace cubalorn
