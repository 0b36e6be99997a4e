#include "app/program_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace cubalorn {
namespace {

std::string writeScratch(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

TEST(LoadProgramFile, ReadsEveryByte) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty.logo", ""},
        {"square.logo", "repeat 4 [ forward 20 left 90]\n"},
        {"crlf.logo", "forward 1\r\nleft 90\r\n"},
        {"nul.logo", std::string("print 1\0print 2\n", 16)},
        {"big.logo", std::string(200000, 'x')},
    };
    for (const auto& c : cases) {
        StringOutput out;
        const std::optional<std::string> text = loadProgramFile(writeScratch(c.name, c.bytes), out);
        ASSERT_TRUE(text.has_value()) << c.name;
        EXPECT_EQ(*text, c.bytes) << c.name;
        EXPECT_EQ(out.text(), "") << c.name;
    }
}

TEST(LoadProgramFile, ReportsWhatCannotBeRead) {
    for (const std::string& path : {std::string("no/such/file.logo"), ::testing::TempDir()}) {
        StringOutput out;
        EXPECT_FALSE(loadProgramFile(path, out).has_value()) << path;
        EXPECT_EQ(out.text(), "ERROR - could not open file " + path + "\n");
    }
}

}  // namespace
}  // namespace cubalorn
