// Define substitution always ends. A name that the substitution itself forms
// again from the text before it and an inserted value is replaced again (the
// search restarts at the beginning); a name with a blank, which its own
// blanks would form forever, is refused. Found by the shader preprocessor
// fuzzer.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "effects/shader_preprocessor.h"

namespace cubalorn {
namespace {

struct SubstitutionCase {
    const char* name;
    std::string define;
    std::string value;
    std::string text;
    std::string expected;
};

void PrintTo(const SubstitutionCase& c, std::ostream* os) {
    *os << c.name;
}

const SubstitutionCase kCases[] = {
    {"TabInNameBecomesASpace", "\t", "T", "x\ty", "xT y"},
    // Ordinary names keep the value-then-blanks form.
    {"OrdinaryName", "SAMPLE_AMOUNT", "4", "i < SAMPLE_AMOUNT;", "i < 4             ;"},
    {"NameInsideAnIdentifier", "AB", "Q", "xABy AB", "xQ  y Q  "},
    {"ValueStartsLikeTheName", "AB", "A", "ABB", "A  B"},
    // "AAB": A + "B  " forms AB again at the start, which is replaced too.
    {"NameFormedAgainBeforeTheValue", "AB", "B", "AAB", "B    "},
};

class SubstitutionEnds : public ::testing::TestWithParam<SubstitutionCase> {};

TEST_P(SubstitutionEnds, EachOccurrenceOnce) {
    const SubstitutionCase& c = GetParam();
    std::ostringstream errors;
    ShaderPreprocessor p([](irr::video::E_VIDEO_DRIVER_FEATURE) { return false; });
    p.setErrorStream(errors);
    ASSERT_TRUE(p.addDefine(c.define, c.value));
    EXPECT_EQ(p.preprocess(c.text), c.expected);
    EXPECT_EQ(errors.str(), "");
}

TEST(SubstitutionEnds, NamesWithABlankAreRefused) {
    std::ostringstream errors;
    ShaderPreprocessor p([](irr::video::E_VIDEO_DRIVER_FEATURE) { return false; });
    p.setErrorStream(errors);
    EXPECT_FALSE(p.addDefine(" ", "X"));
    EXPECT_FALSE(p.addDefine("A ", "A"));
    EXPECT_EQ(p.preprocess("a b c"), "a b c");
    EXPECT_EQ(errors.str(),
              "Shader preprocessor refused define  : its name contains a blank.\n"
              "Shader preprocessor refused define A : its name contains a blank.\n");
}

INSTANTIATE_TEST_SUITE_P(Defines, SubstitutionEnds, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn
