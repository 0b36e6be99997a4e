// A program file is read up to a fixed length, so a device that never ends
// (or a file larger than any program) is refused instead of being read until
// the memory runs out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/program_file.h"
#include "interp/program_text.h"

namespace cubalorn {
namespace {

std::string tooLong(const std::string& path) {
    return "ERROR - program file " + path + " is longer than " +
           std::to_string(kLongestProgramFile) + " bytes, not loaded\n";
}

TEST(ProgramFileLength, EndlessDeviceIsRefused) {
    StringOutput out;
    EXPECT_FALSE(loadProgramFile("/dev/zero", out).has_value());
    EXPECT_EQ(out.text(), tooLong("/dev/zero"));
}

TEST(ProgramFileLength, TheLimitLoadsAndOneMoreByteDoesNot) {
    const std::string path =
        ::testing::TempDir() + "cubalorn_long_" + std::to_string(::getpid()) + ".logo";
    struct Row {
        size_t length;
        bool loads;
    };
    for (const Row& row : {Row{kLongestProgramFile, true}, Row{kLongestProgramFile + 1, false}}) {
        std::ofstream(path, std::ios::binary) << std::string(row.length, ' ');
        StringOutput out;
        const std::optional<std::string> text = loadProgramFile(path, out);
        EXPECT_EQ(text.has_value(), row.loads) << row.length;
        if (row.loads) {
            EXPECT_EQ(text->size(), row.length);
            EXPECT_EQ(out.text(), "");
        } else {
            EXPECT_EQ(out.text(), tooLong(path));
        }
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace cubalorn
