#pragma once
// Readers for the two packaged formats, from their public descriptions: the
// 3MF zip package (through libzip) and binary glTF (its JSON through
// nlohmann::json). Each returns the triangles with one colour per triangle.

#include <zip.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "readers.h"

namespace cubalorn::export_test {

struct ColouredMesh {
    bool ok = false;
    std::string error;
    std::vector<Float3> positions;
    std::vector<uint32_t> triangles;
    std::vector<std::array<uint8_t, 3>> triangleColours;
    std::vector<Float3> normals;  // glTF: per position
};

struct ThreeMfPackage {
    bool ok = false;
    std::string error;
    std::vector<std::string> names;  // entries in archive order
    std::string contentTypes, relationships, model;
};

inline ThreeMfPackage unzip3mf(const std::string& bytes) {
    ThreeMfPackage p;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &e);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &e) : nullptr;
    if (!zip) {
        p.error = zip_error_strerror(&e);
        if (source) zip_source_free(source);
        zip_error_fini(&e);
        return p;
    }
    const zip_int64_t n = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(zip, zip_uint64_t(i), 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(i), 0);
        const zip_int64_t got = f ? zip_fread(f, data.data(), st.size) : -1;
        if (f) zip_fclose(f);
        if (got != zip_int64_t(st.size)) p.error = std::string("cannot read ") + st.name;
        p.names.push_back(st.name);
        if (p.names.back() == "[Content_Types].xml") p.contentTypes = data;
        if (p.names.back() == "_rels/.rels") p.relationships = data;
        if (p.names.back() == "3D/3dmodel.model") p.model = data;
    }
    zip_close(zip);
    zip_error_fini(&e);
    p.ok = p.error.empty();
    return p;
}

inline std::string attribute(const std::string& element, const char* name) {
    const std::string key = std::string(" ") + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) return {};
    const size_t start = at + key.size();
    const size_t end = element.find('"', start);
    return end == std::string::npos ? std::string() : element.substr(start, end - start);
}

// The model part: vertices, triangles and the colour of each triangle's p1
// in the object's colour group.
inline ColouredMesh read3mfModel(const std::string& model) {
    ColouredMesh r;
    std::vector<std::array<uint8_t, 3>> colours;
    size_t objectColour = 0;
    size_t at = 0;
    while ((at = model.find('<', at)) != std::string::npos) {
        const size_t end = model.find('>', at);
        if (end == std::string::npos) break;
        const std::string element = model.substr(at, end - at + 1);
        at = end;
        if (element.rfind("<vertex ", 0) == 0) {
            r.positions.push_back({std::stof(attribute(element, "x")),
                                   std::stof(attribute(element, "y")),
                                   std::stof(attribute(element, "z"))});
        } else if (element.rfind("<triangle ", 0) == 0) {
            for (const char* v : {"v1", "v2", "v3"})
                r.triangles.push_back(uint32_t(std::stoul(attribute(element, v))));
            // Without p1 a triangle takes the object's own colour.
            const std::string p1Text = attribute(element, "p1");
            const size_t p1 = p1Text.empty() ? objectColour : std::stoul(p1Text);
            if (p1 >= colours.size()) {
                r.error = "p1 past the colour group";
                return r;
            }
            r.triangleColours.push_back(colours[p1]);
        } else if (element.rfind("<object ", 0) == 0) {
            if (attribute(element, "pid") != "1" || attribute(element, "pindex").empty()) {
                r.error = "object without its colour";
                return r;
            }
            objectColour = std::stoul(attribute(element, "pindex"));
        } else if (element.rfind("<m:color ", 0) == 0) {
            const std::string c = attribute(element, "color");
            if (c.size() != 7 || c[0] != '#') {
                r.error = "colour " + c;
                return r;
            }
            colours.push_back({uint8_t(std::stoi(c.substr(1, 2), nullptr, 16)),
                               uint8_t(std::stoi(c.substr(3, 2), nullptr, 16)),
                               uint8_t(std::stoi(c.substr(5, 2), nullptr, 16))});
        }
    }
    for (uint32_t v : r.triangles)
        if (v >= r.positions.size()) r.error = "triangle names a missing vertex";
    r.ok = r.error.empty();
    return r;
}

inline uint8_t srgbFromLinear(double c) {
    const double s = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return uint8_t(std::lround(s * 255));
}

inline ColouredMesh readGlb(const std::string& bytes) {
    ColouredMesh r;
    Reader in(bytes);
    if (in.u32() != 0x46546C67 || in.u32() != 2 || in.u32() != bytes.size()) {
        r.error = "GLB header";
        return r;
    }
    const uint32_t jsonLength = in.u32();
    if (in.u32() != 0x4E4F534A || jsonLength % 4 != 0) {
        r.error = "JSON chunk";
        return r;
    }
    const nlohmann::json j = nlohmann::json::parse(in.text(jsonLength), nullptr, false);
    if (j.is_discarded() || j["asset"]["version"] != "2.0") {
        r.error = "JSON";
        return r;
    }
    std::string binary;
    if (in.left() > 0) {
        const uint32_t length = in.u32();
        if (in.u32() != 0x004E4942) {
            r.error = "BIN chunk";
            return r;
        }
        binary = in.text(length);
    }
    if (!in.ok() || in.left() != 0) {
        r.error = "chunks do not cover the file";
        return r;
    }
    auto floats = [&](size_t accessor, std::vector<Float3>& out) {
        const auto& a = j["accessors"][accessor];
        const auto& view = j["bufferViews"][size_t(a["bufferView"])];
        const size_t stride = view.value("byteStride", 12);
        Reader data(binary, size_t(view["byteOffset"]) + size_t(a.value("byteOffset", 0)));
        const size_t start = data.at();
        for (size_t i = 0; i < size_t(a["count"]); ++i) {
            data.seek(start + i * stride);
            out.push_back({data.f32(), data.f32(), data.f32()});
        }
        return data.ok();
    };
    if (!j.contains("meshes")) {
        r.ok = true;
        return r;
    }
    for (const auto& primitive : j["meshes"][0]["primitives"]) {
        const uint32_t base = uint32_t(r.positions.size());
        if (!floats(primitive["attributes"]["POSITION"], r.positions) ||
            !floats(primitive["attributes"]["NORMAL"], r.normals)) {
            r.error = "vertex data";
            return r;
        }
        const auto& a = j["accessors"][size_t(primitive["indices"])];
        const auto& view = j["bufferViews"][size_t(a["bufferView"])];
        Reader data(binary, size_t(view["byteOffset"]) + size_t(a.value("byteOffset", 0)));
        const auto& colour = j["materials"][size_t(primitive["material"])]["pbrMetallicRoughness"]
                              ["baseColorFactor"];
        const std::array<uint8_t, 3> rgb = {srgbFromLinear(colour[0]), srgbFromLinear(colour[1]),
                                            srgbFromLinear(colour[2])};
        for (size_t i = 0; i < size_t(a["count"]); ++i) r.triangles.push_back(base + data.u32());
        for (size_t i = 0; i < size_t(a["count"]) / 3; ++i) r.triangleColours.push_back(rgb);
        if (!data.ok()) {
            r.error = "index data";
            return r;
        }
    }
    r.ok = true;
    return r;
}

}  // namespace cubalorn::export_test
