// The window program's command line: options taken out, the mode's
// arguments kept in order, mistakes named.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/mesh_presentation.h"
#include "app/resources.h"
#include "null_device.h"

namespace cubalorn {
namespace {

struct LineCase {
    const char* name;
    std::vector<std::string> argv;
    std::vector<std::string> arguments;  // what is left for the mode
    std::string switches;                // h(elp), v(ersion), a(llow any path) as set
    std::string error;                   // empty: parsed
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLines, SplitOptionsFromTheModesArguments) {
    const LineCase& c = GetParam();
    CommandLine line;
    std::string error;
    EXPECT_EQ(parseCommandLine(c.argv, line, error), c.error.empty());
    EXPECT_EQ(error, c.error);
    if (!c.error.empty()) return;
    EXPECT_EQ(line.arguments, c.arguments);
    EXPECT_EQ(std::string(line.help ? "h" : "") + (line.version ? "v" : "") +
                  (line.allowAnyPath ? "a" : ""),
              c.switches);
}

const char* const kLater = " (a program file whose name starts with - goes after --)";

const LineCase kLines[] = {
    {"Nothing", {}, {}, "", ""},
    {"TwoArgumentsStayTwo", {"a", "b"}, {"a", "b"}, "", ""},
    {"OptionsAnywhereBeforeTheEnd", {"a.logo", "--allow-any-path", "-h"}, {"a.logo"}, "ha", ""},
    {"DoubleDashEndsOptions", {"--version", "--", "--help", "-"}, {"--help", "-"}, "v", ""},
    {"LoneDashIsAName", {"-"}, {"-"}, "", ""},
    {"Unknown", {"--fullscreen"}, {}, "", std::string("unknown option --fullscreen") + kLater},
    {"UnknownShort", {"-x", "a.logo"}, {}, "", std::string("unknown option -x") + kLater},
    {"SwitchWithAValue", {"--allow-any-path=1"}, {}, "", "--allow-any-path takes no value"},
};

INSTANTIATE_TEST_SUITE_P(Window, CommandLines, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineUsage, ListsEveryOptionAndThePlacesSearched) {
    const std::string usage = usageText({"/here", "/usr/share/cubalorn"});
    for (const char* text : {"-h, --help", "--version", "--allow-any-path", "  --  ",
                             "  /here\n  /usr/share/cubalorn\n"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    for (size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
}

// An installed texture is loaded under the name the scene asks for, so the
// scene's own lookup by that name finds it without reading the disk.
TEST(InstalledTexture, IsFoundUnderTheSceneName) {
    irr::video::IVideoDriver& driver = *testing::nullDevice().getVideoDriver();
    const char* sceneName = "media/not-in-the-working-folder.bmp";
    ASSERT_EQ(driver.findTexture(sceneName), nullptr);
    EXPECT_FALSE(loadTextureAs(driver, "media/none.bmp", sceneName));
    ASSERT_TRUE(loadTextureAs(driver, kVoxelTexturePath, sceneName));
    const irr::video::ITexture* loaded = driver.findTexture(sceneName);
    const irr::u32 count = driver.getTextureCount();
    EXPECT_NE(loaded, nullptr);
    EXPECT_EQ(driver.getTexture(sceneName), loaded);
    EXPECT_EQ(driver.getTextureCount(), count);
}

}  // namespace
}  // namespace cubalorn
