#include "effects/shader_preprocessor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace cubalorn {
namespace {

std::string spaces(size_t n) {
    return std::string(n, ' ');
}

// A preprocessor without any driver feature, so only the test's defines count.
ShaderPreprocessor bare(std::ostream& errors) {
    ShaderPreprocessor p([](irr::video::E_VIDEO_DRIVER_FEATURE) { return false; });
    p.setErrorStream(errors);
    return p;
}

struct PreprocessCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> defines;
    std::string text;
    std::string expected;
    std::string errors;  // what standard error receives
};
void PrintTo(const PreprocessCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kVsmBlock = "##ifdef VSM\nA\n##else\nB\n##endif\nC";

const PreprocessCase kCases[] = {
    {"WithoutConditionalsCommentsStayAndValuesAreSubstituted",
     {{"SAMPLE", "4"}},
     "// c\nx /* y */ SAMPLE\n",
     "// c\nx /* y */ 4" + spaces(6) + "\n",
     ""},
    {"DefinedKeepsTheFirstPart",
     {{"VSM", ""}},
     kVsmBlock,
     "//ifdef VSM\nA\n" + spaces(std::string("//else\nB\n//endif").size()) + "\nC",
     ""},
    {"UndefinedKeepsTheElsePart",
     {},
     kVsmBlock,
     spaces(std::string("//ifdef VSM\nA\n//else").size()) + "\nB\n//endif\nC",
     ""},
    {"NegatedBlockHoldsWhenTheNameIsMissing",
     {},
     "##ifdef !ROUND_SPOTLIGHTS\nR\n##endif\n",
     "//ifdef !ROUND_SPOTLIGHTS\nR\n//endif\n",
     ""},
    {"NegatedBlockDropsWhenTheNameIsDefined",
     {{"ROUND_SPOTLIGHTS", ""}},
     "##ifdef !ROUND_SPOTLIGHTS\nR\n##endif\n",
     spaces(std::string("//ifdef !ROUND_SPOTLIGHTS\nR\n//endif").size()) + "\n",
     ""},
    {"NestedBlockIsFoundAfterItsOuterBlock",
     {{"A", ""}},
     "##ifdef A\n##ifdef B\nx\n##endif\n##endif\n",
     "//ifdef A\n" + spaces(std::string("//ifdef B\nx\n//endif").size()) + "\n//endif\n",
     ""},
    {"BlankedOuterPartTakesItsNestedBlockAlong",
     {{"B", ""}},
     "##ifdef A\n##ifdef B\nx\n##endif\n##endif\n",
     spaces(std::string("//ifdef A\n//ifdef B\nx\n//endif\n//endif").size()) + "\n",
     ""},
    {"LoopBoundBecomesTheDigitAndThirteenSpaces",
     {{"SAMPLE_AMOUNT", "4"}},
     "for (int i = 0; i < SAMPLE_AMOUNT; ++i)",
     "for (int i = 0; i < 4" + spaces(13) + "; ++i)",
     ""},
    {"ValuesAreSubstitutedInAscendingNameOrderAlsoInsideWords",
     {{"B", "2"}, {"AB", "1"}},
     "xAB B",
     "x1   2 ",  // B first would have broken AB apart
     ""},
    {"IfdefAtTheVeryEndIsInvalid",
     {},
     "x ##ifdef",
     "x //ifdef",
     "Shader preprocessor encountered invalid if statement.\n"},
    {"MissingEndIsUnmatched",
     {{"A", ""}},
     "##ifdef A\nx\n##else\ny\n",
     "//ifdef A\nx\n//else\ny\n",  // the else was marked before the end was missed
     "Shader preprocessor encountered unmatched if statement.\n"},
    {"SecondElseIsADuplicate",
     {},
     "##ifdef A\n1\n##else\n2\n##else\n3\n##endif\n",
     "//ifdef A\n1\n//else\n2\n##else\n3\n##endif\n",
     "Shader preprocessor encountered duplicate else statements per if statement.\n"},
    // The line comment removes the block comment's end, so the block
    // comment blanks the rest of the text, the end marker with it.
    {"LineCommentSwallowsTheBlockCommentsEnd",
     {{"A", ""}},
     "##ifdef A\n/* c\n// */\n##endif\n",
     "//ifdef A\n" + spaces(std::string("/* c\n// */\n##endif\n").size()),
     "Shader preprocessor encountered unmatched if statement.\n"},
    {"EndBeforeTheFirstOpeningBlanksTheRest",
     {{"A", ""}},
     "##ifdef A\nq\n##endif\n*/ x /* y\nz",
     "//ifdef A\nq\n//endif\n*/ x " + spaces(std::string("/* y\nz").size()),
     ""},
};

class PreprocessTest : public ::testing::TestWithParam<PreprocessCase> {};

TEST_P(PreprocessTest, Text) {
    const PreprocessCase& c = GetParam();
    std::ostringstream errors;
    ShaderPreprocessor p = bare(errors);
    for (const auto& [name, value] : c.defines) ASSERT_TRUE(p.addDefine(name, value));
    EXPECT_EQ(p.preprocess(c.text), c.expected);
    EXPECT_EQ(errors.str(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreprocessTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShaderPreprocessor, ScanRecordsPositionsSymbolsAndNegation) {
    std::ostringstream errors;
    ShaderPreprocessor p = bare(errors);
    std::string text = "##ifdef  !X \r\n1\n##else\n2\n##endif\n##ifdef Y\n3\n##endif\n";
    const std::vector<SDefineExp> blocks = p.findConditionals(text);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].symbol, "X");
    EXPECT_TRUE(blocks[0].negated);
    EXPECT_EQ(blocks[0].ifAt, 0);
    EXPECT_EQ(text.substr(blocks[0].elseAt, 6), "//else");
    EXPECT_EQ(text.substr(blocks[0].endAt, 7), "//endif");
    EXPECT_EQ(blocks[1].symbol, "Y");
    EXPECT_FALSE(blocks[1].negated);
    EXPECT_EQ(blocks[1].elseAt, -1);
    EXPECT_EQ(text.substr(blocks[1].ifAt, 7), "//ifdef");
    EXPECT_EQ(errors.str(), "");
}

TEST(ShaderPreprocessor, RefusesDefinesThatWouldNeverFinishSubstituting) {
    std::ostringstream errors;
    ShaderPreprocessor p = bare(errors);
    EXPECT_FALSE(p.addDefine("N", "N+1"));
    EXPECT_FALSE(p.addDefine("", "1"));
    EXPECT_FALSE(p.isDefined("N"));
    EXPECT_NE(errors.str(), "");
    EXPECT_EQ(p.preprocess("N"), "N");
    EXPECT_TRUE(p.addDefine("N", "1"));
    EXPECT_TRUE(p.addDefine("N", "2"));  // a later value replaces the earlier one
    EXPECT_EQ(p.preprocess("N"), "2 ");
}

TEST(ShaderPreprocessor, SeedsOneEmptyDefinePerSupportedFeature) {
    ShaderPreprocessor p([](irr::video::E_VIDEO_DRIVER_FEATURE f) {
        return f == irr::video::EVDF_FRAMEBUFFER_OBJECT || f == irr::video::EVDF_PIXEL_SHADER_2_0 ||
               f == irr::video::EVDF_RENDER_TO_TARGET;  // not one of the tested features
    });
    ASSERT_EQ(p.defines().size(), 2u);
    EXPECT_EQ(p.defines().at("EVDF_FRAMEBUFFER_OBJECT"), "");
    EXPECT_EQ(p.defines().at("EVDF_PIXEL_SHADER_2_0"), "");
    // The table's names are the engine's own feature numbers.
    const int expectedValues[11] = {21, 22, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int k = 0; k < 11; ++k) EXPECT_EQ(kFeatureDefines[k].feature, expectedValues[k]) << k;
}

TEST(ShaderPreprocessor, FilesAreReadLineByLineAndMissingFilesAreEmpty) {
    const std::string path =
        ::testing::TempDir() + "cubalorn_pass_" + std::to_string(::getpid()) + ".glsl";
    std::ofstream(path, std::ios::binary) << "##ifdef Q\nq\n##else\nn\n##endif\nlast";
    std::ostringstream errors;
    ShaderPreprocessor p = bare(errors);
    EXPECT_EQ(readWholeFile(path), "##ifdef Q\nq\n##else\nn\n##endif\nlast\n");
    EXPECT_EQ(p.preprocessFile(path),
              spaces(std::string("//ifdef Q\nq\n//else").size()) + "\nn\n//endif\nlast\n");
    std::remove(path.c_str());
    EXPECT_EQ(readWholeFile(path), "");
    EXPECT_EQ(p.preprocessFile(path), "");
    EXPECT_EQ(errors.str(), "");
}

}  // namespace
}  // namespace cubalorn
