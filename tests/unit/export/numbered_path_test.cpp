#include "export/numbered_path.h"

#include <gtest/gtest.h>

namespace cubalorn::export_test {
namespace {

TEST(NumberedPath, NumberGoesBeforeTheExtension) {
    const struct {
        const char* path;
        long long number;
        const char* expected;
    } cases[] = {
        {"walk.png", 0, "walk-00000.png"},       {"frames/walk.png", 12, "frames/walk-00012.png"},
        {"frames/walk", 7, "frames/walk-00007"}, {"dir.v2/walk", 3, "dir.v2/walk-00003"},
        {"a.b.png", 123456, "a.b-123456.png"},   {"out/.png", 1, "out/.png-00001"},
    };
    for (const auto& c : cases) EXPECT_EQ(exporter::numberedPath(c.path, c.number), c.expected);
}

}  // namespace
}  // namespace cubalorn::export_test
