// The images the window program ships must load in the engine's formats.

#include <gtest/gtest.h>

#include <string>

#include "app/mesh_presentation.h"
#include "null_device.h"

namespace cubalorn {
namespace {

using testing::nullDevice;

TEST(Media, VoxelTextureLoads) {
    irr::video::IImage* image =
        nullDevice().getVideoDriver()->createImageFromFile(kVoxelTexturePath);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getDimension(), irr::core::dimension2du(64, 64));
    // The edge is darker than the face, so neighbouring voxels read apart.
    EXPECT_LT(image->getPixel(0, 32).getRed(), image->getPixel(32, 32).getRed());
    image->drop();
}

TEST(Media, ShippedFontHasEveryPrintableCharacter) {
    irr::gui::IGUIFont* font = nullDevice().getGUIEnvironment()->getFont("media/sans.bmp");
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->getType(), irr::gui::EGFT_BITMAP);
    auto* bitmap = static_cast<irr::gui::IGUIFontBitmap*>(font);
    // One glyph box per character from space to tilde, in order.
    EXPECT_EQ(bitmap->getSpriteBank()->getSprites().size(), 95u);
    EXPECT_EQ(bitmap->getSpriteNoFromChar(L" "), 0u);
    EXPECT_EQ(bitmap->getSpriteNoFromChar(L"A"), 33u);
    EXPECT_EQ(bitmap->getSpriteNoFromChar(L"~"), 94u);
    const irr::core::dimension2du w = font->getDimension(L"W");
    const irr::core::dimension2du i = font->getDimension(L"i");
    EXPECT_GT(w.Width, i.Width) << "proportional widths";
    EXPECT_GE(w.Height, 20u);
    EXPECT_EQ(font->getDimension(L"Score 12").Height, w.Height);
}

}  // namespace
}  // namespace cubalorn
