// The text formats' fast number paths must write exactly what std::to_chars
// writes (the shortest text that reads back as the same number), or OBJ and
// 3MF files would hold different numbers than the mesh.

#include "export/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace cubalorn::export_test {
namespace {

std::string reference(float v) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, v + 0.0f).ptr);
}

std::string reference(uint32_t v) {
    char text[16];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

TEST(NumberText, FloatsAsTheShortestExactText) {
    std::vector<float> values = {
        0.0f, -0.0f, 0.5f, -0.5f, 1, -1, 7.5f, 12, -127.5f, 255.5f,
        // Where the fast path ends, and where plain digits stop being shortest.
        9999, 9999.5f, -9999.5f, 10000, -10000, 10000.5f, 99999, 100000, 120000, 1e6f, -100000.5f,
        123456.5f, -199999.5f,
        // Contact nudges, scales, and what no lattice gives.
        12.015625f, -0.015625f, 0.4f, 2.5e-3f, 1e-8f, 3.4e38f, 16777216.0f, 16777218.0f,
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::denorm_min()};
    for (int i = -2100; i <= 2100; ++i) values.push_back(float(i) / 2);
    exporter::CoordinateTexts cached;
    for (int pass = 0; pass < 2; ++pass)  // texts made, then texts reused
        for (float v : values) {
            char text[exporter::kMaxFloatText + 8];
            const std::string expected = reference(v);
            EXPECT_EQ(std::string(text, exporter::putFloat(text, v)), expected) << expected;
            std::memset(text, '#', sizeof text);
            EXPECT_EQ(std::string(text, cached.put(text, v)), expected) << expected;
        }
}

TEST(NumberText, UintsAsDecimalDigits) {
    std::vector<uint32_t> values = {0,        1,         9,         10,         99,         100,
                                    12345,    99999,     100000,    999999,     1000000,    9999999,
                                    10000000, 123456789, 999999999, 1000000000, 4294967295u};
    for (uint32_t p = 1; p < 1000000000; p *= 10) {
        values.push_back(p - 1);
        values.push_back(p);
        values.push_back(p + 1);
    }
    for (uint32_t v : values) {
        char text[exporter::kMaxUintText];
        EXPECT_EQ(std::string(text, exporter::putUint(text, v)), reference(v));
    }
    // Cached texts are made by counting up, carrying into new digits, and
    // stop at seven digits.
    const struct {
        uint32_t first, count;
    } runs[] = {{0, 1201}, {99990, 20}, {9999990, 20}, {4294967290u, 6}};
    for (const auto& run : runs) {
        const exporter::UintTexts cached(run.first, run.count);
        for (uint32_t v = run.first; v - run.first < run.count + 2 && v >= run.first; ++v) {
            char text[exporter::kMaxUintText + 8];
            std::memset(text, '#', sizeof text);
            EXPECT_EQ(std::string(text, cached.put(text, v)), reference(v));
        }
    }
}

}  // namespace
}  // namespace cubalorn::export_test
