#include "threemf_format.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>

#include "mesh_formats.h"

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

// 2000-01-01 00:00:00 UTC: any fixed date keeps the archive's bytes stable.
constexpr time_t kEntryTime = 946684800;

char* putFloat(char* p, float v) {
    return std::to_chars(p, p + 24, v + 0.0f).ptr;
}
char* putUint(char* p, uint32_t v) {
    return std::to_chars(p, p + 12, v).ptr;
}
char* putText(char* p, const char* text) {
    while (*text) *p++ = *text++;
    return p;
}

}  // namespace

std::string encode3mfModel(const SolidMesh& mesh, const Palette& palette) {
    std::string out;
    out.reserve(256 + mesh.positions.size() * 48 + mesh.triangleCount() * 56);
    out +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<model unit=\"millimeter\" xml:lang=\"en-US\" "
        "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" "
        "xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\">\n"
        " <metadata name=\"Application\">Cubalorn</metadata>\n";
    if (mesh.empty()) {
        out += " <resources/>\n <build/>\n</model>\n";
        return out;
    }
    // Colour entries in material order; entry k is the k-th material used.
    // The most used colour is the object's own, so its triangles need no p1.
    const std::array<bool, 256> used = usedMaterials(mesh);
    std::array<uint32_t, 256> entry{};
    std::array<size_t, 256> uses{};
    for (uint8_t m : mesh.materials) ++uses[m];
    const uint8_t common = uint8_t(std::max_element(uses.begin(), uses.end()) - uses.begin());
    out += " <resources>\n  <m:colorgroup id=\"1\">\n";
    uint32_t entries = 0;
    for (int m = 0; m < 256; ++m) {
        if (!used[m]) continue;
        entry[m] = entries++;
        const Rgb c = exportColour(palette, float(m));
        char line[48];
        std::snprintf(line, sizeof line, "   <m:color color=\"#%02X%02X%02X\"/>\n", c[0], c[1],
                      c[2]);
        out += line;
    }
    out +=
        "  </m:colorgroup>\n  <object id=\"2\" name=\"sculpture\" type=\"model\" pid=\"1\" "
        "pindex=\"" +
        std::to_string(entry[common]) + "\">\n   <mesh>\n    <vertices>\n";

    char buffer[160];
    for (const Vec3f& yUp : mesh.positions) {
        const Vec3f p = zUpFromYUp(yUp);
        char* w = putText(buffer, "<vertex x=\"");
        w = putFloat(w, p.x);
        w = putText(w, "\" y=\"");
        w = putFloat(w, p.y);
        w = putText(w, "\" z=\"");
        w = putFloat(w, p.z);
        w = putText(w, "\"/>\n");
        out.append(buffer, w);
    }
    out += "    </vertices>\n    <triangles>\n";
    for (size_t t = 0; t < mesh.triangleCount(); ++t) {
        char* w = putText(buffer, "<triangle v1=\"");
        w = putUint(w, mesh.triangles[3 * t]);
        w = putText(w, "\" v2=\"");
        w = putUint(w, mesh.triangles[3 * t + 1]);
        w = putText(w, "\" v3=\"");
        w = putUint(w, mesh.triangles[3 * t + 2]);
        if (mesh.materials[t] != common) {
            w = putText(w, "\" p1=\"");
            w = putUint(w, entry[mesh.materials[t]]);
        }
        w = putText(w, "\"/>\n");
        out.append(buffer, w);
    }
    out +=
        "    </triangles>\n   </mesh>\n  </object>\n </resources>\n"
        " <build>\n  <item objectid=\"2\"/>\n </build>\n</model>\n";
    return out;
}

bool encode3mf(const SolidMesh& mesh, const Palette& palette, std::string& bytes,
               std::string& error) {
    const std::string model = encode3mfModel(mesh, palette);
    zip_error_t zipError;
    zip_error_init(&zipError);
    auto fail = [&](const char* what) {
        error = std::string(what) + ": " + zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return false;
    };
    // The archive is built in memory, so the caller can write it atomically.
    zip_source_t* archive = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    if (!archive) return fail("cannot start the 3MF package");
    zip_source_keep(archive);
    std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(archive, zip_source_free);
    zip_t* zip = zip_open_from_source(archive, ZIP_TRUNCATE, &zipError);
    if (!zip) return fail("cannot start the 3MF package");

    const struct {
        const char* name;
        const char* data;
        size_t size;
    } parts[] = {
        {"[Content_Types].xml", kContentTypes, std::char_traits<char>::length(kContentTypes)},
        {"_rels/.rels", kRelationships, std::char_traits<char>::length(kRelationships)},
        {"3D/3dmodel.model", model.data(), model.size()},
    };
    for (const auto& part : parts) {
        zip_source_t* source = zip_source_buffer(zip, part.data, part.size, 0);
        const zip_int64_t index =
            source ? zip_file_add(zip, part.name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            zip_error_set(&zipError, zip_error_code_zip(zip_get_error(zip)), 0);
            zip_discard(zip);
            return fail("cannot add to the 3MF package");
        }
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
        zip_file_set_mtime(zip, zip_uint64_t(index), kEntryTime, 0);
    }
    if (zip_close(zip) != 0) {
        zip_error_set(&zipError, zip_error_code_zip(zip_get_error(zip)), 0);
        zip_discard(zip);
        return fail("cannot finish the 3MF package");
    }
    zip_stat_t stat;
    if (zip_source_stat(archive, &stat) != 0 || zip_source_open(archive) != 0)
        return fail("cannot read the 3MF package back");
    bytes.resize(stat.size);
    const zip_int64_t got = zip_source_read(archive, bytes.data(), stat.size);
    zip_source_close(archive);
    if (got < 0 || zip_uint64_t(got) != stat.size) return fail("cannot read the 3MF package back");
    zip_error_fini(&zipError);
    return true;
}

}  // namespace cubalorn::exporter
