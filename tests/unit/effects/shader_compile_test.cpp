// Every shader text the effect handler compiles, in every form it gives
// them (each define combination of its material list, both languages), and
// the post-pass files, through glslang's offline compiler: its HLSL front end
// stands in for Direct3D 9, which no test machine has, and its desktop GLSL
// 1.10 front end checks the texts the OpenGL driver gets.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "effects/material_recipes.h"
#include "effects/shader_preprocessor.h"
#include "effects/shader_texts.h"

namespace cubalorn {
namespace {

enum class Stage { Vertex, Pixel };

struct Compiled {
    bool ok;
    std::string log;
};

// Runs glslangValidator on `text`; HLSL with the program's entry points.
Compiled compile(const std::string& text, Stage stage, bool hlsl) {
    const std::string path = ::testing::TempDir() + "cubalorn_shader_" +
                             std::to_string(getpid()) + (hlsl ? ".hlsl" : ".glsl");
    std::ofstream(path, std::ios::binary) << text;
    const char* stageName = stage == Stage::Vertex ? "vert" : "frag";
    std::string command = "glslangValidator ";
    if (hlsl)
        command += std::string("-D -V -e ") + (stage == Stage::Vertex ? "vertexMain" : "pixelMain") +
                   " -o /dev/null ";
    else
        command += "-d ";  // no #version: desktop GLSL 1.10, as the driver reads it
    command += std::string("-S ") + stageName + " " + path + " 2>&1";
    Compiled result{false, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {false, "cannot run: " + command};
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) result.log += buffer;
    const int status = pclose(pipe);
    std::remove(path.c_str());
    result.ok = status == 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        result.log = "glslangValidator is missing: run scripts/install-deps.sh\n" + result.log;
    return result;
}

ShaderPreprocessor bareWith(const std::vector<std::pair<std::string, std::string>>& defines) {
    // No driver features: no text tests one, which the last case checks.
    ShaderPreprocessor pre([](irr::video::E_VIDEO_DRIVER_FEATURE) { return false; });
    for (const auto& [name, value] : defines) pre.addDefine(name, value);
    return pre;
}

TEST(ShaderCompilation, EveryBuiltInMaterialCompilesInBothLanguages) {
    struct Options {
        bool variance, round;
    };
    const Options kOptions[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    std::set<std::string> done;  // the same text in the same stage is compiled once
    int compiled = 0;
    for (const Options& o : kOptions) {
        MaterialOptions options;
        options.varianceShadows = o.variance;
        options.roundSpotlights = o.round;
        options.targetSize = irr::core::dimension2du(1024, 768);
        for (const MaterialRecipe& recipe : materialRecipes(options)) {
            const ShaderPreprocessor pre = bareWith(recipe.defines);
            for (bool hlsl : {false, true}) {
                for (Stage stage : {Stage::Vertex, Stage::Pixel}) {
                    const std::string text = pre.preprocess(
                        shaderText(stage == Stage::Vertex ? recipe.vertex : recipe.pixel, hlsl));
                    const std::string key =
                        std::to_string(hlsl) + std::to_string(int(stage)) + text;
                    if (!done.insert(key).second) continue;
                    const Compiled result = compile(text, stage, hlsl);
                    ++compiled;
                    EXPECT_TRUE(result.ok)
                        << kMaterialSlotNames[recipe.slot] << (hlsl ? " HLSL " : " GLSL ")
                        << (stage == Stage::Vertex ? "vertex" : "pixel") << " (variance "
                        << o.variance << ", round " << o.round << ")\n"
                        << result.log << "\n"
                        << text;
                }
            }
        }
    }
    // Depth, shadow and screen-quad vertex texts, and a pixel text per
    // material kind and filter, in both languages at the least.
    EXPECT_GE(compiled, 2 * (3 + 14));
}

TEST(ShaderCompilation, PostPassFilesCompileInBothLanguages) {
    const ShaderPreprocessor pre = bareWith({{"SCREENX", "1024"}, {"SCREENY", "768"}});
    for (const char* pass : {"BrightPass", "BloomP", "BlurHP", "BlurVP"}) {
        for (bool hlsl : {false, true}) {
            const std::string file = std::string("shaders/") + pass + (hlsl ? ".hlsl" : ".glsl");
            const std::string text = pre.preprocessFile(file);
            ASSERT_FALSE(text.empty()) << file;
            const Compiled result = compile(text, Stage::Pixel, hlsl);
            EXPECT_TRUE(result.ok) << file << "\n" << result.log;
        }
    }
}

TEST(ShaderCompilation, BrokenTextsAreRejected) {
    // The checks above mean something only if the compiler refuses a text
    // that no driver would take.
    const struct {
        const char* text;
        Stage stage;
        bool hlsl;
    } cases[] = {
        {"void main() { gl_FragColor = undefinedName; }\n", Stage::Pixel, false},
        {"float4 pixelMain() : COLOR0 { return tex2D(NoSampler, float2(0, 0)); }\n", Stage::Pixel,
         true},
        {"float4 vertexMain(float3 p : POSITION0) : POSITION0 { return mul(p, noMatrix); }\n",
         Stage::Vertex, true},
    };
    for (const auto& c : cases) EXPECT_FALSE(compile(c.text, c.stage, c.hlsl).ok) << c.text;
}

TEST(ShaderCompilation, NoTextDependsOnADriverFeature) {
    // The handler's preprocessor adds one define per driver feature; the
    // texts above were compiled without any, which holds for every driver
    // only as long as no text tests one.
    for (size_t row = 0; row < kShaderTextCount; ++row)
        for (int language = 0; language < 2; ++language)
            for (const FeatureDefine& f : kFeatureDefines)
                EXPECT_EQ(std::string(kShaderTexts[row][language]).find(f.name), std::string::npos)
                    << "text " << row << " mentions " << f.name;
}

}  // namespace
}  // namespace cubalorn
