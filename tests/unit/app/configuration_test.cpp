#include "app/configuration.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

#include "null_device.h"

namespace cubalorn {
namespace {

using testing::nullDevice;

// Writes `xml` to a scratch file and reads it into `config`.
void applyXml(const std::string& xml, AppConfig& config) {
    // One file per test: CTest runs the cases as parallel processes.
    const std::string path =
        ::testing::TempDir() + "cubalorn_config_" + std::to_string(::getpid()) + ".xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(xml.data(), 1, xml.size(), file);
    std::fclose(file);
    ASSERT_TRUE(readConfiguration(*nullDevice().getFileSystem(), config, path.c_str()));
    std::remove(path.c_str());
}

struct ConfigCase {
    const char* name;
    std::function<void(AppConfig&)> before;  // e.g. what a program file's pre-pass set
    const char* xml;
    std::function<void(const AppConfig&)> check;
};
void PrintTo(const ConfigCase& c, std::ostream* os) {
    *os << c.name;
}

const ConfigCase kConfigCases[] = {
    {"FullFileIsApplied", nullptr,
     R"(<?xml version="1.0"?><config>
        <screen dimensionx="800" dimensiony="600" bitsperpixel="24" fullscreen="true"
                backgroundred="10" backgroundgreen="20" backgroundblue="30"/>
        <effects ambientred="40" ambientgreen="50" ambientblue="60" lightred="255" lightgreen="1.5"
                 lightblue="0.25" showlightnode="true" blur="true" lightposx="-10" lightposy="120"
                 lightposz="7" useeffects="true" shadowmapfilter="3" lighttarx="-50" lighttary="0"
                 lighttarz="-51" ambientocclusion="true"/>
        <volume maxx="100" maxy="60" maxz="90" cubic="true"/>
        <camera camx="1.5" camy="2" camz="-3" targetx="4" targety="5.25" targetz="6" showcamerapos="true"/>
        </config>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.windowWidth, 800);
         EXPECT_EQ(c.windowHeight, 600);
         EXPECT_EQ(c.bitsPerPixel, 24);
         EXPECT_TRUE(c.fullscreen);
         EXPECT_EQ(c.background, (std::array<int, 3>{10, 20, 30}));
         EXPECT_EQ(c.ambient, (std::array<int, 3>{40, 50, 60}));
         EXPECT_EQ(c.lightColour, (std::array<float, 3>{255.0f, 1.5f, 0.25f}));
         EXPECT_TRUE(c.blur);
         EXPECT_EQ(c.lightPosition, (std::array<int, 3>{-10, 120, 7}));
         EXPECT_TRUE(c.useEffects);
         EXPECT_EQ(c.shadowMapFilter, 3);
         EXPECT_EQ(c.lightTarget, (std::array<int, 3>{-50, 0, -51}));
         EXPECT_TRUE(c.ambientOcclusion);
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{100, 60, 90}));
         EXPECT_TRUE(c.cubicMode);
         EXPECT_EQ(c.cameraPosition, (std::array<float, 3>{1.5f, 2.0f, -3.0f}));
         EXPECT_EQ(c.cameraTarget, (std::array<float, 3>{4.0f, 5.25f, 6.0f}));
         EXPECT_TRUE(c.showCameraPosition);
     }},
    {"FirstNonZeroVolumeWins", nullptr,
     R"(<volume maxx="0" maxy="0" maxz="0"/><volume maxx="100" maxy="60" maxz="100"/>
        <volume maxx="200" maxy="200" maxz="200"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{100, 60, 100}));
     }},
    {"ZeroVolumeStaysZero", nullptr, R"(<volume maxx="0" maxy="0" maxz="0" cubic="true"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{0, 0, 0}));
     }},
    {"ProgramFileVolumeWins",
     [](AppConfig& c) {
         c.volumeMax = {100, 50, 100};
     },
     R"(<volume maxx="200" maxy="60" maxz="100"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{100, 50, 100}));
     }},
    {"ZeroBackgroundDoesNotProtect",
     [](AppConfig& c) {
         c.background = {0, 0, 0};
     },
     R"(<screen backgroundred="7" backgroundgreen="8" backgroundblue="9"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.background, (std::array<int, 3>{7, 8, 9}));
     }},
    {"ProgramFileCameraWins",
     [](AppConfig& c) {
         c.cameraPosition = {0, 0, 1};
         c.cameraTarget = {0, 0, 0};
     },
     R"(<camera camx="5" camy="6" camz="7" targetx="8" targety="9" targetz="10"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.cameraPosition, (std::array<float, 3>{0, 0, 1}));
         EXPECT_EQ(c.cameraTarget, (std::array<float, 3>{0, 0, 0}));
     }},
    // The camera target rides on the position's guard: while the position
    // is still zero, a later element overwrites the target too.
    {"CameraTargetFollowsPositionGuard", nullptr,
     R"(<camera camx="0" camy="0" camz="0" targetx="1" targety="2" targetz="3"/>
        <camera targetx="4"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.cameraTarget, (std::array<float, 3>{4, 0, 0}));
     }},
    // The guard is tested once per node: green and blue are read although
    // red already made the triple non-zero in the same element.
    {"GuardTestedOncePerNode", nullptr,
     R"(<screen backgroundred="1" backgroundgreen="2" backgroundblue="3"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.background, (std::array<int, 3>{1, 2, 3}));
     }},
    {"SecondScreenKeepsBackground", nullptr,
     R"(<screen dimensionx="800" dimensiony="600" bitsperpixel="16" fullscreen="true"
                backgroundblue="5"/>
        <screen dimensionx="1280" dimensiony="720" bitsperpixel="32"
                backgroundred="99" backgroundgreen="99" backgroundblue="99"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.windowWidth, 1280);
         EXPECT_EQ(c.windowHeight, 720);
         EXPECT_EQ(c.bitsPerPixel, 32);
         EXPECT_FALSE(c.fullscreen);
         EXPECT_EQ(c.background, (std::array<int, 3>{0, 0, 5}));
     }},
    {"SwitchIsExactlyLowerCaseTrue", nullptr,
     R"(<screen fullscreen="True"/><effects blur="TRUE" useeffects="1" ambientocclusion="on"/>)"
     R"(<volume cubic="yes"/>)",
     [](const AppConfig& c) {
         EXPECT_FALSE(c.fullscreen);
         EXPECT_FALSE(c.blur);
         EXPECT_FALSE(c.ambientOcclusion);
         EXPECT_FALSE(c.useEffects);
         EXPECT_FALSE(c.cubicMode);
     }},
    {"CubicFalseOrEmptySelectsSmooth", nullptr, R"(<volume cubic="true"/><volume cubic=""/>)",
     [](const AppConfig& c) { EXPECT_FALSE(c.cubicMode); }},
    {"AbsentSwitchIsFalse", nullptr, R"(<volume maxx="1"/>)",
     [](const AppConfig& c) { EXPECT_FALSE(c.cubicMode); }},
    {"ShowCameraPositionIsOneWay", nullptr,
     R"(<camera showcamerapos="true"/><camera showcamerapos="false"/><camera/>)",
     [](const AppConfig& c) { EXPECT_TRUE(c.showCameraPosition); }},
    {"ShowCameraPositionStaysOffWithoutTrue", nullptr, R"(<camera showcamerapos="yes"/>)",
     [](const AppConfig& c) { EXPECT_FALSE(c.showCameraPosition); }},
    // An element with a separate closing tag is applied a second time
    // without attributes: unguarded values fall to 0 and false.
    {"ClosingTagAppliesElementAgain", nullptr,
     R"(<effects ambientred="40" useeffects="true" shadowmapfilter="2" lightred="9"></effects>
        <volume maxx="100" maxy="60" maxz="100" cubic="true"></volume>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.ambient, (std::array<int, 3>{0, 0, 0}));
         EXPECT_FALSE(c.useEffects);
         EXPECT_EQ(c.shadowMapFilter, 0);
         EXPECT_EQ(c.lightColour, (std::array<float, 3>{0, 0, 0}));
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{100, 60, 100}));
         EXPECT_FALSE(c.cubicMode);
     }},
    {"NamesAreCaseSensitive", nullptr,
     R"(<Screen dimensionx="5"/><volume MAXX="5" maxy="6" maxz="7"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.windowWidth, defaults::kWindowWidth);
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{0, 6, 7}));
     }},
    {"LaterEffectsOverrideEarlier", nullptr,
     R"(<effects ambientred="1" shadowmapfilter="7"/><effects ambientred="256" shadowmapfilter="-1"/>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.ambient[0], 256);
         EXPECT_EQ(c.shadowMapFilter, -1);
     }},
    {"NoElementsKeepsDefaults", nullptr, R"(<?xml version="1.0"?><config><other a="1"/></config>)",
     [](const AppConfig& c) {
         EXPECT_EQ(c.windowWidth, defaults::kWindowWidth);
         EXPECT_EQ(c.windowHeight, defaults::kWindowHeight);
         EXPECT_EQ(c.bitsPerPixel, defaults::kBitsPerPixel);
         EXPECT_EQ(c.ambient, defaults::kAmbient);
         EXPECT_EQ(c.lightColour, defaults::kLightColour);
         EXPECT_EQ(c.shadowMapFilter, defaults::kShadowMapFilter);
         EXPECT_TRUE(c.useEffects);
         EXPECT_TRUE(c.cubicMode);
         EXPECT_EQ(c.volumeMax, (std::array<int, 3>{0, 0, 0}));
     }},
};

class ConfigurationTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigurationTest, Reads) {
    const ConfigCase& c = GetParam();
    AppConfig config;
    if (c.before) c.before(config);
    applyXml(c.xml, config);
    c.check(config);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigurationTest, ::testing::ValuesIn(kConfigCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigurationFile, MissingFileChangesNothing) {
    AppConfig config;
    config.volumeMax = {3, 4, 5};
    EXPECT_FALSE(readConfiguration(*nullDevice().getFileSystem(), config,
                                   "no/such/dir/configwindows.xml.txt"));
    EXPECT_EQ(config.volumeMax, (std::array<int, 3>{3, 4, 5}));
    EXPECT_EQ(config.windowWidth, defaults::kWindowWidth);
}

// The file the project ships must give a volume of (100, 60, 100), a camera
// and a light: the headless runner and the examples assume that size.
TEST(ConfigurationFile, ShippedFileGivesAUsableScene) {
    AppConfig config;
    ASSERT_TRUE(readConfiguration(*nullDevice().getFileSystem(), config));
    EXPECT_EQ(config.volumeMax, (std::array<int, 3>{100, 60, 100}));
    EXPECT_GT(config.windowWidth, 0);
    EXPECT_GT(config.windowHeight, 0);
    EXPECT_NE(config.cameraPosition, config.cameraTarget);
    EXPECT_NE(config.lightPosition, config.lightTarget);
    EXPECT_TRUE(config.useEffects);
    EXPECT_TRUE(config.cubicMode);
}

TEST(ShadowFilter, ClampsToTheKnownFilters) {
    const struct {
        int configured, expected;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {7, 4}, {-1, 4}, {-2147483647 - 1, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(clampShadowFilter(c.configured), c.expected) << c.configured;
}

TEST(ColourChannel, TakesModulo256) {
    const struct {
        int value, expected;
    } cases[] = {{0, 0}, {255, 255}, {256, 0}, {300, 44}, {-1, 255}, {511, 255}};
    for (const auto& c : cases) EXPECT_EQ(colourChannel(c.value), c.expected) << c.value;
}

}  // namespace
}  // namespace cubalorn
