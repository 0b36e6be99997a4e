#include "threemf_format.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "byte_buffer.h"
#include "mesh_formats.h"
#include "number_text.h"

namespace cubalorn::exporter {

namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"model\" "
    "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
    "</Types>\n";

constexpr const char* kRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/>"
    "</Relationships>\n";

// The entries' date, 2000-01-01 00:00 in the archive's own (DOS) form: any
// fixed date keeps the package's bytes stable.
constexpr uint16_t kEntryDate = (2000 - 1980) << 9 | 1 << 5 | 1;
constexpr uint16_t kEntryTime = 0;
// Fastest deflate level: the model's text is tens of megabytes for a large
// sculpture, and this level already shrinks it about eight times.
constexpr int kDeflateLevel = 1;

template <size_t N>
char* putText(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

constexpr const char kVertexStart[] = "<vertex x=\"";
constexpr const char kTriangleStart[] = "<triangle v1=\"";

// The room the model's text can take at most.
size_t modelTextBound(const SolidMesh& mesh, size_t headSize) {
    const size_t vertex = sizeof kVertexStart + 3 * kMaxFloatText + 24;
    const size_t triangle = sizeof kTriangleStart + 4 * kMaxUintText + 24;
    return headSize + 256 + mesh.positions.size() * vertex + mesh.triangleCount() * triangle;
}

// Writes the model's text into `out`, which has modelTextBound bytes.
char* writeModel(const SolidMesh& mesh, const std::string& head, uint8_t common,
                 const std::array<uint32_t, 256>& entry, char* p) {
    std::memcpy(p, head.data(), head.size());
    p += head.size();
    if (mesh.empty()) return p;
    CoordinateTexts coordinate;
    for (const Vec3f& yUp : mesh.positions) {
        const Vec3f v = zUpFromYUp(yUp);
        p = putText(p, kVertexStart);
        p = coordinate.put(p, v.x);
        p = putText(p, "\" y=\"");
        p = coordinate.put(p, v.y);
        p = putText(p, "\" z=\"");
        p = coordinate.put(p, v.z);
        p = putText(p, "\"/>\n");
    }
    p = putText(p, "    </vertices>\n    <triangles>\n");
    // Each vertex number is written about six times: its text is made once.
    const UintTexts vertexText(0, mesh.positions.size());
    for (size_t t = 0; t < mesh.triangleCount(); ++t) {
        p = putText(p, kTriangleStart);
        p = vertexText.put(p, mesh.triangles[3 * t]);
        p = putText(p, "\" v2=\"");
        p = vertexText.put(p, mesh.triangles[3 * t + 1]);
        p = putText(p, "\" v3=\"");
        p = vertexText.put(p, mesh.triangles[3 * t + 2]);
        if (mesh.materials[t] != common) {
            p = putText(p, "\" p1=\"");
            p = putUint(p, entry[mesh.materials[t]]);
        }
        p = putText(p, "\"/>\n");
    }
    return putText(p,
                   "    </triangles>\n   </mesh>\n  </object>\n </resources>\n"
                   " <build>\n  <item objectid=\"2\"/>\n </build>\n</model>\n");
}

// The model's text into a buffer of its own: tens of megabytes for a large
// sculpture, never filled with zeros first.
struct ModelText {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
};

ModelText modelText(const SolidMesh& mesh, const Palette& palette) {
    std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<model unit=\"millimeter\" xml:lang=\"en-US\" "
        "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" "
        "xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\">\n"
        " <metadata name=\"Application\">Cubalorn</metadata>\n";
    // Colour entries in material order; entry k is the k-th material used.
    // The most used colour is the object's own, so its triangles need no p1.
    std::array<uint32_t, 256> entry{};
    uint8_t common = 0;
    if (mesh.empty()) {
        head += " <resources/>\n <build/>\n</model>\n";
    } else {
        const std::array<bool, 256> used = usedMaterials(mesh);
        std::array<size_t, 256> uses{};
        for (uint8_t m : mesh.materials) ++uses[m];
        common = uint8_t(std::max_element(uses.begin(), uses.end()) - uses.begin());
        head += " <resources>\n  <m:colorgroup id=\"1\">\n";
        uint32_t entries = 0;
        for (int m = 0; m < 256; ++m) {
            if (!used[m]) continue;
            entry[m] = entries++;
            const Rgb c = exportColour(palette, float(m));
            char line[48];
            std::snprintf(line, sizeof line, "   <m:color color=\"#%02X%02X%02X\"/>\n", c[0], c[1],
                          c[2]);
            head += line;
        }
        head +=
            "  </m:colorgroup>\n  <object id=\"2\" name=\"sculpture\" type=\"model\" pid=\"1\" "
            "pindex=\"" +
            std::to_string(entry[common]) + "\">\n   <mesh>\n    <vertices>\n";
    }
    ModelText text;
    text.bytes.reset(new char[modelTextBound(mesh, head.size())]);
    text.size = size_t(writeModel(mesh, head, common, entry, text.bytes.get()) - text.bytes.get());
    return text;
}

struct Entry {
    Entry() = default;
    Entry(const char* n, const char* d, size_t s) : name(n), data(d), size(s) {}
    const char* name = nullptr;
    const char* data = nullptr;
    size_t size = 0;
    uint32_t crc = 0;
    std::unique_ptr<char[]> deflated;
    size_t deflatedSize = 0;
    size_t headerOffset = 0;
};

// One local or central header of the archive (method deflate, no extra fields).
void putHeader(std::string& out, const Entry& e, bool central) {
    char h[46];
    char* p = putU32(h, central ? 0x02014B50 : 0x04034B50);
    if (central) p = putU16(p, 20);  // made by: version 2.0
    p = putU16(p, 20);               // needed to extract: version 2.0 (deflate)
    p = putU16(p, 0);                // flags
    p = putU16(p, 8);                // deflate
    p = putU16(p, kEntryTime);
    p = putU16(p, kEntryDate);
    p = putU32(p, e.crc);
    p = putU32(p, uint32_t(e.deflatedSize));
    p = putU32(p, uint32_t(e.size));
    p = putU16(p, uint16_t(std::char_traits<char>::length(e.name)));
    p = putU16(p, 0);  // extra field
    if (central) {
        p = putU16(p, 0);  // comment
        p = putU16(p, 0);  // disk
        p = putU16(p, 0);  // internal attributes
        p = putU32(p, 0);  // external attributes
        p = putU32(p, uint32_t(e.headerOffset));
    }
    out.append(h, p);
    out.append(e.name);
}

}  // namespace

std::string encode3mfModel(const SolidMesh& mesh, const Palette& palette) {
    const ModelText text = modelText(mesh, palette);
    return std::string(text.bytes.get(), text.size);
}

bool encode3mf(const SolidMesh& mesh, const Palette& palette, std::string& bytes,
               std::string& error) {
    const ModelText model = modelText(mesh, palette);
    // Sizes and offsets have 32 bits in a plain zip archive.
    if (model.size > 0xFFFFFFF0u) {
        error = "the model is too large for a 3MF package (4 GiB of text)";
        return false;
    }
    Entry entries[3];
    entries[0] = {"[Content_Types].xml", kContentTypes, std::strlen(kContentTypes)};
    entries[1] = {"_rels/.rels", kRelationships, std::strlen(kRelationships)};
    entries[2] = {"3D/3dmodel.model", model.bytes.get(), model.size};
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
    if (!compressor) {
        error = "cannot start the 3MF package: out of memory";
        return false;
    }
    size_t total = 22;
    for (Entry& e : entries) {
        const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), e.size);
        e.deflated.reset(new char[bound]);
        e.deflatedSize =
            libdeflate_deflate_compress(compressor.get(), e.data, e.size, e.deflated.get(), bound);
        e.crc = libdeflate_crc32(0, e.data, e.size);
        total += 30 + 46 + 2 * std::char_traits<char>::length(e.name) + e.deflatedSize;
    }
    if (total > 0xFFFFFFF0u) {
        error = "the model is too large for a 3MF package (4 GiB)";
        return false;
    }
    bytes.clear();
    bytes.reserve(total);
    for (Entry& e : entries) {
        e.headerOffset = bytes.size();
        putHeader(bytes, e, false);
        bytes.append(e.deflated.get(), e.deflatedSize);
    }
    const size_t directory = bytes.size();
    for (const Entry& e : entries) putHeader(bytes, e, true);
    char end[22];
    char* p = putU32(end, 0x06054B50);
    p = putU16(p, 0);  // this disk
    p = putU16(p, 0);  // the directory's disk
    p = putU16(p, uint16_t(std::size(entries)));
    p = putU16(p, uint16_t(std::size(entries)));
    p = putU32(p, uint32_t(bytes.size() - directory));
    p = putU32(p, uint32_t(directory));
    p = putU16(p, 0);  // comment
    bytes.append(end, p);
    return true;
}

}  // namespace cubalorn::exporter
