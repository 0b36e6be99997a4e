#include "app/screen_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cubalorn {
namespace {

struct DrawCall {
    std::string font;
    std::wstring text;
    irr::core::rect<irr::s32> area;
    irr::video::SColor colour;
    bool centred;
    bool clipped;
};

// A font that records what it is asked to draw.
class RecordingFont : public irr::gui::IGUIFont {
public:
    RecordingFont(std::string name, std::vector<DrawCall>& calls)
        : name_(std::move(name)), calls_(calls) {}
    void draw(const irr::core::stringw& text, const irr::core::rect<irr::s32>& position,
              irr::video::SColor color, bool hcenter, bool vcenter,
              const irr::core::rect<irr::s32>* clip) override {
        calls_.push_back(
            {name_, text.c_str(), position, color, hcenter || vcenter, clip != nullptr});
    }
    irr::core::dimension2d<irr::u32> getDimension(const wchar_t*) const override { return {}; }
    irr::s32 getCharacterFromPos(const wchar_t*, irr::s32) const override { return -1; }
    void setKerningWidth(irr::s32) override {}
    void setKerningHeight(irr::s32) override {}
    irr::s32 getKerningWidth(const wchar_t*, const wchar_t*) const override { return 0; }
    irr::s32 getKerningHeight() const override { return 0; }
    void setInvisibleCharacters(const wchar_t*) override {}

private:
    std::string name_;
    std::vector<DrawCall>& calls_;
};

// Palette stand-in: entry i is (i, 255 - i, 7) with a stray alpha.
irr::video::SColor testPalette(uint8_t index) {
    return irr::video::SColor(3, index, 255 - index, 7);
}

ScreenText text(std::string s, int x, int y, int colour, unsigned position, std::string font) {
    return ScreenText{std::move(s), x, y, colour, position, std::move(font)};
}

TEST(ScreenTexts, DrawOrderFontsAndColours) {
    std::vector<DrawCall> calls;
    RecordingFont arialA("arialA", calls), arialB("arialB", calls), mono("mono", calls);
    const std::vector<FontEntry> fonts = {
        {"arial", &arialA}, {"mono", &mono}, {"broken", nullptr}, {"arial", &arialB}};
    std::vector<ScreenText> queue = {
        text("first", 10, 20, 9, 5, "arial"),
        text("second", -4, 300, 300, 9, "mono"),
        text("third", 0, 0, -1, 12, "broken"),
        text("fourth", 1, 2, 255, 15, "unknown"),
    };
    CaptionBuffer caption{};
    drawScreenTexts(queue, fonts, caption, testPalette);

    EXPECT_TRUE(queue.empty()) << "a text is shown for one frame";
    // Last queued first; per text the font entries from the last to the first;
    // a failed font and an unknown font name draw nothing.
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].font, "mono");
    EXPECT_EQ(calls[0].text, L"second");
    EXPECT_EQ(calls[0].area, irr::core::rect<irr::s32>(-4, 300, 196, 350));
    EXPECT_EQ(calls[0].colour, irr::video::SColor(255, 0, 255, 7))
        << "index 300 draws with entry 0";
    EXPECT_EQ(calls[1].font, "arialB");
    EXPECT_EQ(calls[2].font, "arialA");
    EXPECT_EQ(calls[2].text, L"first");
    EXPECT_EQ(calls[2].area, irr::core::rect<irr::s32>(10, 20, 210, 70));
    EXPECT_EQ(calls[2].colour, irr::video::SColor(255, 9, 246, 7));
    for (const DrawCall& c : calls) {
        EXPECT_FALSE(c.centred);
        EXPECT_FALSE(c.clipped);
    }
}

// Any int a program gives is a position; the rectangle (and the engine's
// glyph offsets from it) must not overflow. Far positions stay far off.
TEST(ScreenTexts, AreaStaysInsideTheIntegerRange) {
    const int kMax = 2147483647, kMin = -2147483647 - 1, kFar = 1 << 24;
    const struct {
        int x, y;
        irr::core::rect<irr::s32> area;
    } cases[] = {
        {0, 0, {0, 0, 200, 50}},
        {-4, 300, {-4, 300, 196, 350}},
        {kFar, -kFar, {kFar, -kFar, kFar + 200, -kFar + 50}},
        {kMax, kMax, {kFar, kFar, kFar + 200, kFar + 50}},
        {kMax - 100, 7, {kFar, 7, kFar + 200, 57}},
        {kMin, kMin, {-kFar, -kFar, -kFar + 200, -kFar + 50}},
    };
    for (const auto& c : cases) {
        std::vector<DrawCall> calls;
        RecordingFont font("f", calls);
        std::vector<ScreenText> queue = {text("t", c.x, c.y, 1, 0, "f")};
        CaptionBuffer caption{};
        drawScreenTexts(queue, {{"f", &font}}, caption, testPalette);
        ASSERT_EQ(calls.size(), 1u) << c.x << " " << c.y;
        EXPECT_EQ(calls[0].area, c.area) << c.x << " " << c.y;
    }
}

TEST(ScreenTexts, ColourIndexOutsideThePaletteUsesEntryZero) {
    const struct {
        int index;
        int red;
    } cases[] = {{0, 0}, {1, 1}, {255, 255}, {256, 0}, {-1, 0}, {100000, 0}, {-2147483647 - 1, 0}};
    for (const auto& c : cases) {
        const irr::video::SColor colour = screenTextColour(c.index, testPalette);
        EXPECT_EQ(static_cast<int>(colour.getRed()), c.red) << c.index;
        EXPECT_EQ(colour.getAlpha(), 255u) << c.index;
    }
}

TEST(ScreenTexts, WideningCutsAt79) {
    const struct {
        std::string in;
        std::wstring out;
    } cases[] = {
        {"", L""},
        {"Score 12 2.500 ", L"Score 12 2.500 "},
        {std::string(79, 'a'), std::wstring(79, L'a')},
        {std::string(80, 'b'), std::wstring(79, L'b')},
        {std::string(1000, 'c'), std::wstring(79, L'c')},
        {"\xe9t\xe9", L"\u00e9t\u00e9"},  // bytes from 128 up widen as Latin-1
    };
    for (const auto& c : cases) {
        CaptionBuffer caption;
        caption.fill(L'#');
        widenIntoCaption(c.in, caption);
        EXPECT_EQ(std::wstring(caption.data()), c.out);
        EXPECT_EQ(caption[kCaptionLength - 1] == L'\0' || c.out.size() < kCaptionLength - 1, true);
    }
}

}  // namespace
}  // namespace cubalorn
