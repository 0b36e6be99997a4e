#include "vox_format.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_buffer.h"
#include "extract/solid_bits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cubalorn::exporter {

namespace {

struct ModelBox {
    int32_t origin[3];  // lower corner in the file's axes
    int32_t size[3];
};

// Starts a chunk; returns where its two size fields are, for finishChunk.
size_t beginChunk(ByteBuffer& out, std::string_view id) {
    out.text(id);
    const size_t sizes = out.size();
    out.u32(0);
    out.u32(0);
    return sizes;
}

// A chunk whose content has been written and which has no children.
void finishChunk(ByteBuffer& out, size_t sizes) {
    out.patchU32(sizes, static_cast<uint32_t>(out.size() - sizes - 8));
}

void writeString(ByteBuffer& out, const std::string& s) {
    out.i32(static_cast<int32_t>(s.size()));
    out.text(s);
}

void writeDictionary(ByteBuffer& out, const std::vector<std::pair<std::string, std::string>>& d) {
    out.i32(static_cast<int32_t>(d.size()));
    for (const auto& [key, value] : d) {
        writeString(out, key);
        writeString(out, value);
    }
}

void writeTransform(ByteBuffer& out, int32_t node, int32_t child, int32_t layer,
                    const std::vector<std::pair<std::string, std::string>>& frame) {
    const size_t sizes = beginChunk(out, "nTRN");
    out.i32(node);
    writeDictionary(out, {});
    out.i32(child);
    out.i32(-1);  // reserved
    out.i32(layer);
    out.i32(1);  // one frame
    writeDictionary(out, frame);
    finishChunk(out, sizes);
}

// Splits an axis of `length` voxels into pieces of at most the model limit.
std::vector<std::pair<int32_t, int32_t>> splitAxis(int32_t length) {
    std::vector<std::pair<int32_t, int32_t>> pieces;
    for (int32_t start = 0; start < length; start += kVoxModelSideLimit)
        pieces.push_back({start, std::min(kVoxModelSideLimit, length - start)});
    return pieces;
}

// Calls visit(j, k, i, run, solid) for the runs of up to 16 voxels of the
// model that hold a solid one, in the file's order (x fastest, then the
// volume's z, then its y): `run` points at voxel (i, j, k) of the model,
// `solid` has bit b set for a material at run[b]. Reads a block row at a
// time and steps over empty blocks.
template <typename Visit>
void visitSolidRuns(const VoxelVolume& volume, const ModelBox& box, Visit&& visit) {
    const Region& r = volume.region();
    const uint8_t power = volume.blockSideLengthPower();
    const int32_t mask = volume.blockSideLength() - 1;
    const int32_t x0 = r.lower.x + box.origin[0], x1 = x0 + box.size[0] - 1;
    for (int32_t k = 0; k < box.size[2]; ++k) {
        const int32_t y = r.lower.y + box.origin[2] + k;
        for (int32_t j = 0; j < box.size[1]; ++j) {
            const int32_t z = r.lower.z + box.origin[1] + j;
            const size_t rowOffset =
                size_t((y & mask) + (mask + 1) * (z & mask)) * size_t(mask + 1);
            for (int32_t x = x0; x <= x1;) {
                const int32_t segmentEnd = std::min(x1, x | mask);
                const VoxelBlock& block = volume.block(x >> power, y >> power, z >> power);
                if (block.nonZeroCount() != 0) {
                    const Voxel* voxels = block.voxels() + rowOffset;
                    for (int32_t at = x; at <= segmentEnd; at += 16) {
                        const Voxel* run = voxels + (at & mask);
                        const uint32_t solid = solidBits(run, std::min(16, segmentEnd - at + 1));
                        if (solid) visit(j, k, at - x0, run, solid);
                    }
                }
                x = segmentEnd + 1;
            }
        }
    }
}

uint32_t solidVoxelCount(const VoxelVolume& volume, const ModelBox& box) {
    uint32_t count = 0;
    visitSolidRuns(volume, box, [&](int32_t, int32_t, int32_t, const Voxel*, uint32_t solid) {
        count += uint32_t(popCount(solid));
    });
    return count;
}

void writeModel(ChunkWriter& out, const VoxelVolume& volume, const ModelBox& box,
                uint32_t voxelCount) {
    ByteBuffer head;
    size_t sizes = beginChunk(head, "SIZE");
    for (int32_t s : box.size) head.i32(s);
    finishChunk(head, sizes);
    head.text("XYZI");
    head.u32(4 + 4 * voxelCount);
    head.u32(0);
    head.u32(voxelCount);
    out.append(head.take());
    visitSolidRuns(
        volume, box, [&](int32_t j, int32_t k, int32_t i, const Voxel* run, uint32_t solid) {
            const uint32_t row = uint32_t(j) << 8 | uint32_t(k) << 16;
            char* p = out.reserve(16 * 4);
#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            // Runs inside solid ground are the most common: all 16 at once.
            if (solid == 0xFFFFu) {
                const __m128i zero = _mm_setzero_si128();
                const __m128i low = _mm_set1_epi16(0x00FF);
                const __m128i base = _mm_set1_epi32(int32_t(row | uint32_t(i)));
                for (int half = 0; half < 2; ++half) {
                    const __m128i m = _mm_and_si128(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + 8 * half)), low);
                    const __m128i parts[2] = {_mm_unpacklo_epi16(m, zero),
                                              _mm_unpackhi_epi16(m, zero)};
                    for (int q = 0; q < 2; ++q) {
                        const int first = 8 * half + 4 * q;
                        const __m128i at = _mm_add_epi32(
                            base, _mm_set_epi32(first + 3, first + 2, first + 1, first));
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                                         _mm_or_si128(at, _mm_slli_epi32(parts[q], 24)));
                        p += 16;
                    }
                }
                out.commit(p);
                return;
            }
#endif
            for (; solid; solid &= solid - 1) {
                const int b = __builtin_ctz(solid);
                p = putU32(p, uint32_t(i + b) | row | uint32_t(run[b].material()) << 24);
            }
            out.commit(p);
        });
}

}  // namespace

void writeVox(const VoxelVolume& volume, const Palette& palette, ChunkWriter& writer) {
    // The file's axes: the volume's x, z and y.
    const int32_t extent[3] = {volume.width(), volume.depth(), volume.height()};
    std::vector<ModelBox> boxes;
    for (const auto& [oz, sz] : splitAxis(extent[2]))
        for (const auto& [oy, sy] : splitAxis(extent[1]))
            for (const auto& [ox, sx] : splitAxis(extent[0]))
                boxes.push_back(ModelBox{{ox, oy, oz}, {sx, sy, sz}});

    // Every size comes before the voxels: they are counted first, and the
    // chunks after the models are made in memory.
    std::vector<uint32_t> voxelCounts;
    size_t modelBytes = 0;
    for (const ModelBox& box : boxes) {
        voxelCounts.push_back(solidVoxelCount(volume, box));
        modelBytes += 12 + 12 + 12 + 4 + 4 * size_t(voxelCounts.back());
    }

    ByteBuffer out;
    if (boxes.size() > 1) {
        // Root transform 0 -> group 1 -> transform 2+2k -> shape 3+2k -> model k.
        writeTransform(out, 0, 1, -1, {});
        size_t sizes = beginChunk(out, "nGRP");
        out.i32(1);
        writeDictionary(out, {});
        out.i32(static_cast<int32_t>(boxes.size()));
        for (size_t k = 0; k < boxes.size(); ++k) out.i32(static_cast<int32_t>(2 + 2 * k));
        finishChunk(out, sizes);
        for (size_t k = 0; k < boxes.size(); ++k) {
            const ModelBox& b = boxes[k];
            const std::string t = std::to_string(b.origin[0] + b.size[0] / 2) + " " +
                                  std::to_string(b.origin[1] + b.size[1] / 2) + " " +
                                  std::to_string(b.origin[2] + b.size[2] / 2);
            const int32_t node = static_cast<int32_t>(2 + 2 * k);
            writeTransform(out, node, node + 1, 0, {{"_t", t}});
            sizes = beginChunk(out, "nSHP");
            out.i32(node + 1);
            writeDictionary(out, {});
            out.i32(1);  // one model
            out.i32(static_cast<int32_t>(k));
            writeDictionary(out, {});
            finishChunk(out, sizes);
        }
        sizes = beginChunk(out, "LAYR");
        out.i32(0);
        writeDictionary(out, {});
        out.i32(-1);  // reserved
        finishChunk(out, sizes);
    }

    const size_t sizes = beginChunk(out, "RGBA");
    for (int index = 1; index <= 256; ++index) {
        const PaletteEntry e =
            index < 256 ? palette.entry(static_cast<uint8_t>(index)) : PaletteEntry{};
        out.u8(static_cast<uint8_t>(e.red));
        out.u8(static_cast<uint8_t>(e.green));
        out.u8(static_cast<uint8_t>(e.blue));
        out.u8(255);
    }
    finishChunk(out, sizes);

    ByteBuffer head;
    head.text("VOX ");
    head.i32(150);
    // MAIN has no content of its own: everything after its header is children.
    head.text("MAIN");
    head.u32(0);
    head.u32(static_cast<uint32_t>(modelBytes + out.size()));
    writer.append(head.take());
    for (size_t k = 0; k < boxes.size(); ++k) writeModel(writer, volume, boxes[k], voxelCounts[k]);
    writer.append(out.take());
}

std::string encodeVox(const VoxelVolume& volume, const Palette& palette) {
    return encodeToString([&](ChunkWriter& out) { writeVox(volume, palette, out); });
}

}  // namespace cubalorn::exporter
