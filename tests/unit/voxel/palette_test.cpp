#include "voxel/palette.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

namespace cubalorn {
namespace {

std::string hexOf(const PaletteEntry& e) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", e.red & 0xFF, e.green & 0xFF, e.blue & 0xFF);
    return text;
}

TEST(PaletteTable, NamesAreSixUpperCaseHexDigitsAndMatchTheColoursBarFourMaterials) {
    // The name list and the colours disagree at exactly these materials.
    const std::set<int> differing = {25, 61, 62, 63};
    for (int k = 1; k <= 64; ++k) {
        const std::string_view name = paletteColourNames[k];
        ASSERT_EQ(name.size(), 6u) << k;
        for (char c : name) EXPECT_TRUE(std::isdigit(c) || (c >= 'A' && c <= 'F')) << k;
        if (differing.count(k)) {
            EXPECT_NE(hexOf(kInitialPalette[k]), name) << k;
        } else {
            EXPECT_EQ(hexOf(kInitialPalette[k]), name) << k;
        }
    }
}

TEST(Palette, StartUpColours) {
    Random random(3);
    Palette p;
    p.setPaletteEntry(100, 1, 2, 3);  // initPalette resets what was there
    p.initPalette(random);
    struct Case {
        int material, red, green, blue;
    } cases[] = {
        {0, 0, 0, 0},       {1, 255, 255, 255}, {9, 255, 0, 0},   {25, 0, 255, 0},
        {44, 236, 201, 179}, {61, 70, 50, 38},  {62, 150, 150, 150}, {64, 255, 0, 255},
        {65, 0, 0, 0},      {100, 0, 0, 0},     {254, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const PaletteEntry& e = p.entry(uint8_t(c.material));
        EXPECT_EQ(e.red, c.red) << c.material;
        EXPECT_EQ(e.green, c.green) << c.material;
        EXPECT_EQ(e.blue, c.blue) << c.material;
    }
    // Entry 255 takes three draws of the generator, red first, each 0..254.
    Random replay(3);
    const PaletteEntry& last = p.entry(255);
    EXPECT_EQ(last.red, replay.next() % 255);
    EXPECT_EQ(last.green, replay.next() % 255);
    EXPECT_EQ(last.blue, replay.next() % 255);
}

TEST(Palette, SetEntryStaysInsideTheTable) {
    Random random;
    Palette p;
    p.initPalette(random);
    EXPECT_TRUE(p.setPaletteEntry(1, 0, 0, 255));
    EXPECT_EQ(p.entry(1).blue, 255);
    EXPECT_EQ(p.entry(1).red, 0);
    EXPECT_TRUE(p.setPaletteEntry(255, 7, 8, 9));
    EXPECT_EQ(p.entry(255).green, 8);
    for (int bad : {-1, 256, 1000, INT32_MIN}) {
        EXPECT_FALSE(p.setPaletteEntry(bad, 1, 2, 3)) << bad;
        EXPECT_EQ(p.entryOrBlack(bad).red, 0) << bad;
    }
    // Nothing around the table moved.
    EXPECT_EQ(p.entry(0).red, 0);
    EXPECT_EQ(p.entry(254).red, 0);
    EXPECT_EQ(p.entryOrBlack(9).red, 255);
}

TEST(Palette, MaterialColourKeepsAlphaAndUsesLowBytes) {
    Random random;
    Palette p;
    p.initPalette(random);
    p.setPaletteEntry(1, 256, 0x1FF, -1);  // low bytes: 0x00, 0xFF, 0xFF
    struct Case {
        uint8_t material;
        uint32_t in, out;
    } cases[] = {
        {9, 0xFF000000u, 0xFFFF0000u},
        {9, 0x12345678u, 0x12FF0000u},
        {64, 0x00000000u, 0x00FF00FFu},
        {1, 0x80ABCDEFu, 0x8000FFFFu},
        {0, 0xFFFFFFFFu, 0xFF000000u},
    };
    for (const Case& c : cases) {
        uint32_t argb = c.in;
        p.materialColour(c.material, argb, random);
        EXPECT_EQ(argb, c.out) << int(c.material);
    }
}

TEST(Palette, Material255DrawsFreshChannelsOnEveryLookup) {
    Random random(11);
    Palette p;
    p.initPalette(random);
    Random replay(11);
    for (int i = 0; i < 3; ++i) replay.next();  // the draws of initPalette
    std::set<uint32_t> seen;
    for (int i = 0; i < 20; ++i) {
        uint32_t argb = 0xAA000000u;
        p.materialColour(255, argb, random);
        const uint32_t r = replay.next() % 255, g = replay.next() % 255, b = replay.next() % 255;
        ASSERT_EQ(argb, 0xAA000000u | r << 16 | g << 8 | b);
        seen.insert(argb);
    }
    EXPECT_GT(seen.size(), 15u);
}

TEST(Palette, ColourNameToMaterialFirstMatchWins) {
    struct Case {
        const char* name;
        int material;
    } cases[] = {
        {"FFFFFF", 1},  {"FF0000", 9},  {"FFFF00", 16}, {"008000", 24}, {"0000FF", 32},
        {"FF0055", 62}, {"FF00AA", 63}, {"FF00FF", 64}, {"4C3729", 60},
        // Not in the list: lower case, too short, too long, empty, a palette
        // colour that has no name (material 25's green).
        {"ff0000", 0},  {"FF000", 0},   {"FF00000", 0}, {"", 0},        {"00FF00", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(colourNameToMaterial(c.name), c.material) << c.name;
    // Every later duplicate resolves to an earlier position.
    for (int k : {17, 25, 33, 40, 49, 56, 61})
        EXPECT_LT(colourNameToMaterial(paletteColourNames[k]), k) << k;
}

}  // namespace
}  // namespace cubalorn
