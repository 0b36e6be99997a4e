// Define substitution always ends: a name that the substitution itself forms
// again (a blank in the name, or a value that ends with the name's start)
// is replaced once per occurrence in the text, never again in what was
// inserted. Found by the shader preprocessor fuzzer.

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
    // The blank left where the name stood is the name again.
    {"BlankAsName", " ", "X", "a b c", "aX bX c"},
    {"NameEndingInABlank", "A ", "A", "A A ", "A  A  "},
    {"TabInNameBecomesASpace", "\t", "T", "x\ty", "xT y"},
    // Ordinary names keep the value-then-blanks form.
    {"OrdinaryName", "SAMPLE_AMOUNT", "4", "i < SAMPLE_AMOUNT;", "i < 4             ;"},
    {"NameInsideAnIdentifier", "AB", "Q", "xABy AB", "xQ  y Q  "},
    {"ValueStartsLikeTheName", "AB", "A", "ABB", "A  B"},
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

INSTANTIATE_TEST_SUITE_P(Defines, SubstitutionEnds, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn
