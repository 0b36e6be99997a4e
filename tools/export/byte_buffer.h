#pragma once
// A growing byte string for binary file formats: every number goes in
// little-endian whatever the machine, so files are the same everywhere.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace cubalorn::exporter {

class ByteBuffer {
public:
    void reserve(size_t bytes) { bytes_.reserve(bytes); }
    void text(std::string_view s) { bytes_.append(s.data(), s.size()); }
    void u8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        bytes_.append(b, 2);
    }
    void u32(uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
        bytes_.append(b, 4);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    // Overwrites four bytes already written, for sizes known only afterwards.
    void patchU32(size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<char>(v >> (8 * i));
    }

    size_t size() const { return bytes_.size(); }
    const std::string& bytes() const { return bytes_; }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

}  // namespace cubalorn::exporter
