// The configuration reaches the engine's XML reader only when no markup is
// left open: the reader runs past the end of its text otherwise. The open
// cases below are inputs the configuration fuzzer found crashing the reader.

#include "app/markup_check.h"

#include <gtest/gtest.h>

#include <string>

#include "app/configuration.h"
#include "null_device.h"

namespace cubalorn {
namespace {

struct MarkupCase {
    const char* name;
    std::string bytes;
    std::string refusal;  // "" when the text goes to the reader
    std::string text;     // what the reader gets
};

void PrintTo(const MarkupCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kFull =
    "<?xml version=\"1.0\"?>\n<!-- settings -->\n<config>\n"
    "<screen dimensionx=\"800\" dimensiony='600'/>\n<![CDATA[ <volume maxx=\"1\"/> ]]>\n"
    "<volume maxx = \"30\" maxy=\"20\" maxz=\"30\"></volume>\n</config>\n";

const MarkupCase kCases[] = {
    {"WellFormedFile", kFull, "", kFull},
    {"PlainText", "no markup at all", "", "no markup at all"},
    {"Empty", "", "", ""},
    {"Utf8MarkIsDropped", "\xEF\xBB\xBF<a b=\"1\"/>", "", "<a b=\"1\"/>"},
    {"TextEndsAtAZeroByte", std::string("<a/>\0<b ", 8), "", "<a/>"},
    {"TagOpenAtTheEnd", "<a ", "a tag at byte 0 is not closed", ""},
    {"AttributeWithoutValue", "<a b>", "a tag at byte 0 is not closed", ""},
    {"AttributeValueUnquoted", "<a b=1>", "a tag at byte 0 is not closed", ""},
    {"QuoteNeverClosed", "<config><screen dimensionx=\"8", "a tag at byte 8 is not closed", ""},
    {"SlashWithoutClose", "<a/", "a tag at byte 0 is not closed", ""},
    {"CommentOpen", "<x/><!-- note", "a comment at byte 4 is not closed", ""},
    // The reader closes a comment where '<' and '>' balance.
    {"CommentWithALessThan", "<!-- a < b -->", "a comment at byte 0 is not closed", ""},
    {"CommentWithAGreaterThan", "<!-- a > b -->", "", "<!-- a > b -->"},
    {"CommentWithTags", "<!-- <a/> -->", "", "<!-- <a/> -->"},
    {"ShortestComment", "<!---->", "", "<!---->"},
    {"CommentTooShort", "<a/><!-->", "a comment at byte 4 is not closed", ""},
    {"CommentWithoutDashes", "<!--a>", "a comment at byte 0 is not closed", ""},
    {"ShortDeclaration", "<!a>", "a declaration at byte 0 is neither a comment nor a CDATA section",
     ""},
    {"DeclarationClosedLikeATag", "<a/><!me/>",
     "a declaration at byte 4 is neither a comment nor a CDATA section", ""},
    {"Doctype", "<!DOCTYPE config><config/>",
     "a declaration at byte 0 is neither a comment nor a CDATA section", ""},
    {"DeclarationOpenAtTheStart", "<?xml", "a processing instruction at byte 0 is not closed", ""},
    // The reader ends "<?" at the first '>', so what follows is a tag here.
    {"InstructionEndsAtItsFirstGreaterThan", "<?xm><l version=\"1.0\"?>",
     "a tag at byte 5 is not closed", ""},
    {"CdataOpen", "<![CDATA[ x ]>", "a CDATA section at byte 0 is not closed", ""},
    {"EndTagOpen", "<a></a", "an end tag at byte 3 is not closed", ""},
    {"OpenTagAfterAUtf8Mark", "\xEF\xBB\xBF<a ", "a tag at byte 0 is not closed", ""},
    {"Utf16Mark", std::string("\xFF\xFE<\0a\0 \0", 8),
     "a UTF-16 or UTF-32 text (only 8-bit text is read)", ""},
    {"Utf16BigEndianMark", std::string("\xFE\xFF\0<\0a\0 ", 8),
     "a UTF-16 or UTF-32 text (only 8-bit text is read)", ""},
};

class MarkupCheck : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(MarkupCheck, RefusesOpenMarkup) {
    const MarkupCase& c = GetParam();
    std::string refusal;
    EXPECT_EQ(readerSafeText(c.bytes, refusal), c.text);
    EXPECT_EQ(refusal, c.refusal);
}

INSTANTIATE_TEST_SUITE_P(Texts, MarkupCheck, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Through the reader: a refused file changes nothing, a closed one is applied.
TEST(ConfigurationText, RefusedBytesChangeNothing) {
    irr::io::IFileSystem& files = *testing::nullDevice().getFileSystem();
    for (const char* bytes : {"<volume maxx=\"30\" maxy=\"20\" maxz=\"30\" ", "<?xml", "<!--"}) {
        AppConfig config;
        EXPECT_FALSE(readConfigurationText(files, config, bytes)) << bytes;
        EXPECT_EQ(config.volumeMax, (std::array<int, 3>{0, 0, 0})) << bytes;
    }
    AppConfig config;
    EXPECT_TRUE(readConfigurationText(files, config, kFull));
    EXPECT_EQ(config.volumeMax, (std::array<int, 3>{30, 20, 30}));
    EXPECT_EQ(config.windowWidth, 800);
    EXPECT_EQ(config.windowHeight, 600);
}

}  // namespace
}  // namespace cubalorn
