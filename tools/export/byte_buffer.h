#pragma once
// Bytes of binary file formats. Every number goes in little-endian whatever
// the machine, so files are the same everywhere.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace cubalorn::exporter {

// Writers into memory already sized: the hot loops of the mesh formats.
inline char* putU32(char* p, uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(p, &v, 4);
#else
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
#endif
    return p + 4;
}
inline char* putF32(char* p, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return putU32(p, bits);
}
inline char* putU16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v);
    p[1] = static_cast<char>(v >> 8);
    return p + 2;
}

// A growing byte string for the small, irregular parts of a file.
class ByteBuffer {
public:
    void reserve(size_t bytes) { bytes_.reserve(bytes); }
    void text(std::string_view s) { bytes_.append(s.data(), s.size()); }
    void u8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
    void u32(uint32_t v) {
        char b[4];
        putU32(b, v);
        bytes_.append(b, 4);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // Overwrites four bytes already written, for sizes known only afterwards.
    void patchU32(size_t offset, uint32_t v) { putU32(&bytes_[offset], v); }

    size_t size() const { return bytes_.size(); }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

}  // namespace cubalorn::exporter
