#pragma once
// Bytes of binary file formats. Every number goes in little-endian whatever
// the machine, so files are the same everywhere.

#include <algorithm>
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

// A growing byte string: small, irregular parts a value at a time, long runs
// through room() and commit().
class ByteBuffer {
public:
    void reserve(size_t bytes) {
        if (bytes > bytes_.size()) bytes_.resize(bytes);
    }
    // Room for `bytes` more at the returned pointer; commit(end) after writing.
    char* room(size_t bytes) {
        if (bytes_.size() - used_ < bytes)
            bytes_.resize(std::max(2 * bytes_.size(), used_ + bytes));
        return bytes_.data() + used_;
    }
    void commit(const char* end) { used_ = static_cast<size_t>(end - bytes_.data()); }

    void text(std::string_view s) {
        char* p = room(s.size());
        std::memcpy(p, s.data(), s.size());
        used_ += s.size();
    }
    void u8(uint8_t v) { *room(1) = static_cast<char>(v), ++used_; }
    void u32(uint32_t v) { commit(putU32(room(4), v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // Overwrites four bytes already written, for sizes known only afterwards.
    void patchU32(size_t offset, uint32_t v) { putU32(&bytes_[offset], v); }

    size_t size() const { return used_; }
    std::string take() {
        bytes_.resize(used_);
        used_ = 0;
        return std::move(bytes_);
    }

private:
    std::string bytes_;  // used_ bytes written, the rest room
    size_t used_ = 0;
};

}  // namespace cubalorn::exporter
