#pragma once
// Streaming output for the file formats: encoders fill a fixed buffer and
// hand it on whenever it is full, so a large mesh is never held twice in
// memory and the bytes reach the file while they are still in the cache.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cubalorn::exporter {

class ChunkWriter {
public:
    // `deliver` takes each full chunk; once it returns false, later bytes are
    // dropped and failed() stays true.
    using Deliver = std::function<bool(const char* data, size_t size)>;
    explicit ChunkWriter(Deliver deliver, size_t chunkSize = size_t{1} << 20)
        : deliver_(std::move(deliver)), buffer_(chunkSize) {}

    // Room for `bytes` at the returned pointer; commit(end) after writing them.
    char* reserve(size_t bytes) {
        if (buffer_.size() - used_ < bytes) {
            flush();
            if (buffer_.size() < bytes) buffer_.resize(bytes);
        }
        return buffer_.data() + used_;
    }
    void commit(const char* end) { used_ = static_cast<size_t>(end - buffer_.data()); }

    void append(std::string_view bytes) {
        while (!bytes.empty()) {
            if (used_ == buffer_.size()) flush();
            const size_t n = std::min(bytes.size(), buffer_.size() - used_);
            std::memcpy(buffer_.data() + used_, bytes.data(), n);
            used_ += n;
            bytes.remove_prefix(n);
        }
    }

    // Hands on what is buffered; false once any delivery failed.
    bool flush() {
        if (used_ > 0 && !failed_) failed_ = !deliver_(buffer_.data(), used_);
        used_ = 0;
        return !failed_;
    }
    bool failed() const { return failed_; }
    size_t chunkSize() const { return buffer_.size(); }

private:
    Deliver deliver_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
};

// Writes records first .. end - 1 of at most `maxSize` bytes each, put(p, i)
// writing record i at p and returning its end, in runs that fill the
// writer's chunks: the hot loops of the formats check for room once a run.
template <typename Put>
void writeRecords(ChunkWriter& out, size_t first, size_t end, size_t maxSize, Put&& put) {
    const size_t perRun = std::max<size_t>(1, out.chunkSize() / maxSize);
    while (first < end) {
        const size_t runEnd = first + std::min(perRun, end - first);
        char* p = out.reserve((runEnd - first) * maxSize);
        for (; first < runEnd; ++first) p = put(p, first);
        out.commit(p);
    }
}

// Runs `encode` into a string: for tests and small files.
inline std::string encodeToString(const std::function<void(ChunkWriter&)>& encode) {
    std::string bytes;
    ChunkWriter writer([&bytes](const char* data, size_t size) {
        bytes.append(data, size);
        return true;
    });
    encode(writer);
    writer.flush();
    return bytes;
}

}  // namespace cubalorn::exporter
