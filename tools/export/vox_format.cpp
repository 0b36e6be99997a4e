#include "vox_format.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_buffer.h"

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

void writeModel(ByteBuffer& out, const VoxelVolume& volume, const ModelBox& box) {
    size_t sizes = beginChunk(out, "SIZE");
    for (int32_t s : box.size) out.i32(s);
    finishChunk(out, sizes);

    sizes = beginChunk(out, "XYZI");
    const size_t countAt = out.size();
    out.u32(0);
    uint32_t count = 0;
    const Region& r = volume.region();
    for (int32_t k = 0; k < box.size[2]; ++k) {
        const int32_t y = r.lower.y + box.origin[2] + k;
        for (int32_t j = 0; j < box.size[1]; ++j) {
            const int32_t z = r.lower.z + box.origin[1] + j;
            for (int32_t i = 0; i < box.size[0]; ++i) {
                const int32_t x = r.lower.x + box.origin[0] + i;
                const uint8_t material = volume.voxel(x, y, z).material();
                if (material == 0) continue;
                out.u8(static_cast<uint8_t>(i));
                out.u8(static_cast<uint8_t>(j));
                out.u8(static_cast<uint8_t>(k));
                out.u8(material);
                ++count;
            }
        }
    }
    out.patchU32(countAt, count);
    finishChunk(out, sizes);
}

}  // namespace

std::string encodeVox(const VoxelVolume& volume, const Palette& palette) {
    // The file's axes: the volume's x, z and y.
    const int32_t extent[3] = {volume.width(), volume.depth(), volume.height()};
    std::vector<ModelBox> boxes;
    for (const auto& [oz, sz] : splitAxis(extent[2]))
        for (const auto& [oy, sy] : splitAxis(extent[1]))
            for (const auto& [ox, sx] : splitAxis(extent[0]))
                boxes.push_back(ModelBox{{ox, oy, oz}, {sx, sy, sz}});

    ByteBuffer out;
    out.text("VOX ");
    out.i32(150);
    const size_t mainSizes = beginChunk(out, "MAIN");

    for (const ModelBox& box : boxes) writeModel(out, volume, box);

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

    // MAIN has no content of its own: everything after its header is children.
    out.patchU32(mainSizes + 4, static_cast<uint32_t>(out.size() - mainSizes - 8));
    return out.take();
}

}  // namespace cubalorn::exporter
