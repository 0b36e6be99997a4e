#include "app/screen_texts.h"

namespace cubalorn {

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
        const irr::core::rect<irr::s32> area(text->x, text->y, text->x + 200, text->y + 50);
        for (auto entry = fonts.rbegin(); entry != fonts.rend(); ++entry) {
            if (entry->font == nullptr || entry->name != text->fontName) continue;
            entry->font->draw(caption.data(), area, colour, false, false, nullptr);
        }
    }
    queue.clear();
}

}  // namespace cubalorn
