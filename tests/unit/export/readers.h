#pragma once
// Small readers for the exported formats, written from the formats' public
// descriptions and kept apart from the writers, so a test compares what a
// reader finds with the volume or mesh it came from.

#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace cubalorn::export_test {

struct Float3 {
    float x = 0, y = 0, z = 0;
    bool operator<(const Float3& o) const {
        if (x != o.x) return x < o.x;
        if (y != o.y) return y < o.y;
        return z < o.z;
    }
    bool operator==(const Float3& o) const { return x == o.x && y == o.y && z == o.z; }
};

// Little-endian reads with a bounds check: a short file fails the read.
class Reader {
public:
    explicit Reader(const std::string& bytes, size_t start = 0) : bytes_(bytes), at_(start) {}
    bool ok() const { return ok_; }
    size_t at() const { return at_; }
    size_t left() const { return ok_ ? bytes_.size() - at_ : 0; }
    void seek(size_t at) {
        if (at > bytes_.size())
            ok_ = false;
        else
            at_ = at;
    }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(u8()) << (8 * i);
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    uint8_t u8() {
        if (!ok_ || at_ >= bytes_.size()) {
            ok_ = false;
            return 0;
        }
        return static_cast<uint8_t>(bytes_[at_++]);
    }
    float f32() {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    std::string text(size_t n) {
        if (!ok_ || n > bytes_.size() - at_) {
            ok_ = false;
            return {};
        }
        std::string s = bytes_.substr(at_, n);
        at_ += n;
        return s;
    }

private:
    const std::string& bytes_;
    size_t at_;
    bool ok_ = true;
};

struct StlFacet {
    Float3 normal;
    Float3 corner[3];
};

struct StlFile {
    bool ok = false;
    std::string header;
    std::vector<StlFacet> facets;
};

inline StlFile readStl(const std::string& bytes) {
    StlFile f;
    Reader r(bytes);
    f.header = r.text(80);
    const uint32_t count = r.u32();
    if (!r.ok() || r.left() != size_t(count) * 50) return f;
    for (uint32_t i = 0; i < count; ++i) {
        StlFacet facet;
        facet.normal = {r.f32(), r.f32(), r.f32()};
        for (Float3& c : facet.corner) c = {r.f32(), r.f32(), r.f32()};
        r.u16();
        f.facets.push_back(facet);
    }
    f.ok = r.ok();
    return f;
}

struct PlyVertex {
    Float3 pos;
    Float3 normal;
    uint8_t rgb[3];
};

struct PlyFile {
    bool ok = false;
    std::vector<std::string> properties;  // "float x", "uchar red", ...
    bool hasNormals = false;
    std::vector<PlyVertex> vertices;
    std::vector<std::vector<uint32_t>> faces;
};

// Reads the layout this project writes, after checking the header says so.
inline PlyFile readPly(const std::string& bytes) {
    PlyFile f;
    const size_t end = bytes.find("end_header\n");
    if (bytes.rfind("ply\n", 0) != 0 || end == std::string::npos) return f;
    std::istringstream header(bytes.substr(0, end));
    std::string line;
    size_t vertexCount = 0, faceCount = 0;
    bool littleEndian = false;
    std::string faceProperty;
    std::string element;
    while (std::getline(header, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "format") littleEndian = line == "format binary_little_endian 1.0";
        if (word == "element") {
            words >> element;
            if (element == "vertex") words >> vertexCount;
            if (element == "face") words >> faceCount;
        }
        if (word == "property") {
            const std::string rest = line.substr(9);
            if (element == "vertex") f.properties.push_back(rest);
            if (element == "face") faceProperty = rest;
        }
    }
    const std::vector<std::string> withNormals = {"float x",   "float y",     "float z",
                                                  "float nx",  "float ny",    "float nz",
                                                  "uchar red", "uchar green", "uchar blue"};
    const std::vector<std::string> withoutNormals = {"float x",   "float y",     "float z",
                                                     "uchar red", "uchar green", "uchar blue"};
    f.hasNormals = f.properties == withNormals;
    if (!littleEndian || (!f.hasNormals && f.properties != withoutNormals) ||
        faceProperty != "list uchar uint vertex_indices")
        return f;
    Reader r(bytes, end + 11);
    for (size_t i = 0; i < vertexCount; ++i) {
        PlyVertex v;
        v.pos = {r.f32(), r.f32(), r.f32()};
        if (f.hasNormals) v.normal = {r.f32(), r.f32(), r.f32()};
        for (uint8_t& c : v.rgb) c = r.u8();
        f.vertices.push_back(v);
    }
    for (size_t i = 0; i < faceCount; ++i) {
        std::vector<uint32_t> face(r.u8());
        for (uint32_t& index : face) index = r.u32();
        f.faces.push_back(face);
    }
    f.ok = r.ok() && r.left() == 0;
    return f;
}

struct ObjFace {
    std::string material;
    int position[3];  // 1-based, as written
    int normal[3];
};

struct ObjFile {
    bool ok = true;
    std::string mtllib;
    std::vector<Float3> positions;
    std::vector<Float3> normals;
    std::vector<ObjFace> faces;
};

inline ObjFile readObj(const std::string& text) {
    ObjFile f;
    std::istringstream lines(text);
    std::string line, material;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "v" || keyword == "vn") {
            Float3 p;
            if (!(words >> p.x >> p.y >> p.z)) f.ok = false;
            (keyword == "v" ? f.positions : f.normals).push_back(p);
        } else if (keyword == "mtllib") {
            words >> f.mtllib;
        } else if (keyword == "usemtl") {
            words >> material;
        } else if (keyword == "f") {
            ObjFace face{material, {}, {}};
            for (int k = 0; k < 3; ++k) {
                std::string corner;
                words >> corner;
                const size_t slashes = corner.find("//");
                if (slashes == std::string::npos) {
                    f.ok = false;
                    continue;
                }
                face.position[k] = std::stoi(corner.substr(0, slashes));
                face.normal[k] = std::stoi(corner.substr(slashes + 2));
            }
            std::string extra;
            if (words >> extra) f.ok = false;  // only triangles are written
            f.faces.push_back(face);
        } else if (!keyword.empty() && keyword[0] != '#') {
            f.ok = false;
        }
    }
    return f;
}

// newmtl name -> Kd as three numbers.
inline std::map<std::string, Float3> readMtlColours(const std::string& text) {
    std::map<std::string, Float3> colours;
    std::istringstream lines(text);
    std::string line, name;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "newmtl") words >> name;
        if (keyword == "Kd") {
            Float3 c;
            words >> c.x >> c.y >> c.z;
            colours[name] = c;
        }
    }
    return colours;
}

// A .vox file read back into voxels in the file's world coordinates.
struct VoxWorldVoxel {
    int32_t x, y, z;
    uint8_t colourIndex;
    bool operator<(const VoxWorldVoxel& o) const {
        if (x != o.x) return x < o.x;
        if (y != o.y) return y < o.y;
        if (z != o.z) return z < o.z;
        return colourIndex < o.colourIndex;
    }
    bool operator==(const VoxWorldVoxel& o) const {
        return x == o.x && y == o.y && z == o.z && colourIndex == o.colourIndex;
    }
};

struct VoxModel {
    int32_t size[3];
    std::vector<VoxWorldVoxel> voxels;  // model coordinates
};

struct VoxFile {
    bool ok = false;
    std::string error;
    int32_t version = 0;
    std::vector<VoxModel> models;
    std::vector<std::string> chunkIds;  // in file order, below MAIN
    uint8_t rgba[256][4] = {};
    bool hasPalette = false;
    // Scene graph: model number -> translation, when there is a graph.
    std::map<int32_t, std::string> shapeOfNode;  // not used by the checks, kept for messages
    std::map<int32_t, std::vector<int32_t>> translationOfModel;
};

inline VoxFile readVox(const std::string& bytes) {
    VoxFile f;
    Reader r(bytes);
    if (r.text(4) != "VOX ") {
        f.error = "no VOX magic";
        return f;
    }
    f.version = r.i32();
    if (r.text(4) != "MAIN") {
        f.error = "no MAIN chunk";
        return f;
    }
    const uint32_t mainContent = r.u32();
    const uint32_t mainChildren = r.u32();
    if (mainContent != 0 || r.at() + mainChildren != bytes.size()) {
        f.error = "MAIN sizes do not cover the file";
        return f;
    }
    auto readString = [&] { return r.text(r.u32()); };
    auto readDictionary = [&] {
        std::map<std::string, std::string> d;
        const int32_t n = r.i32();
        for (int32_t i = 0; i < n && r.ok(); ++i) {
            const std::string key = readString();
            d[key] = readString();
        }
        return d;
    };
    struct Transform {
        int32_t child;
        std::string t;
    };
    std::map<int32_t, Transform> transforms;
    std::map<int32_t, int32_t> shapes;  // node -> model
    while (r.ok() && r.left() > 0) {
        const std::string id = r.text(4);
        const uint32_t content = r.u32();
        const uint32_t children = r.u32();
        const size_t start = r.at();
        f.chunkIds.push_back(id);
        if (children != 0) {
            f.error = id + " has children";
            return f;
        }
        if (id == "SIZE") {
            VoxModel m;
            for (int32_t& s : m.size) s = r.i32();
            f.models.push_back(m);
        } else if (id == "XYZI") {
            if (f.models.empty()) {
                f.error = "XYZI before SIZE";
                return f;
            }
            const uint32_t n = r.u32();
            for (uint32_t i = 0; i < n && r.ok(); ++i) {
                VoxWorldVoxel v;
                v.x = r.u8();
                v.y = r.u8();
                v.z = r.u8();
                v.colourIndex = r.u8();
                f.models.back().voxels.push_back(v);
            }
        } else if (id == "RGBA") {
            for (auto& c : f.rgba)
                for (uint8_t& channel : c) channel = r.u8();
            f.hasPalette = true;
        } else if (id == "nTRN") {
            const int32_t node = r.i32();
            readDictionary();
            Transform t;
            t.child = r.i32();
            r.i32();  // reserved
            r.i32();  // layer
            const int32_t frames = r.i32();
            for (int32_t k = 0; k < frames && r.ok(); ++k) {
                auto frame = readDictionary();
                if (k == 0 && frame.count("_t")) t.t = frame["_t"];
            }
            transforms[node] = t;
        } else if (id == "nSHP") {
            const int32_t node = r.i32();
            readDictionary();
            const int32_t models = r.i32();
            for (int32_t k = 0; k < models && r.ok(); ++k) {
                shapes[node] = r.i32();
                readDictionary();
            }
        }
        if (!r.ok() || r.at() > start + content) {
            f.error = id + " content runs past its size";
            return f;
        }
        r.seek(start + content);
    }
    for (const auto& [node, t] : transforms) {
        const auto shape = shapes.find(t.child);
        if (shape == shapes.end()) continue;
        std::istringstream words(t.t);
        std::vector<int32_t> xyz(3, 0);
        words >> xyz[0] >> xyz[1] >> xyz[2];
        f.translationOfModel[shape->second] = xyz;
    }
    f.ok = r.ok();
    if (!f.ok) f.error = "file ends inside a chunk";
    return f;
}

// Every voxel of the file at its place in the scene: a model's translation is
// its centre (lower corner + size / 2, rounded down); without a scene graph
// the one model sits at the origin.
inline std::vector<VoxWorldVoxel> voxWorld(const VoxFile& f) {
    std::vector<VoxWorldVoxel> all;
    for (size_t m = 0; m < f.models.size(); ++m) {
        int32_t offset[3] = {0, 0, 0};
        const auto t = f.translationOfModel.find(static_cast<int32_t>(m));
        if (t != f.translationOfModel.end())
            for (int k = 0; k < 3; ++k) offset[k] = t->second[k] - f.models[m].size[k] / 2;
        for (VoxWorldVoxel v : f.models[m].voxels) {
            v.x += offset[0];
            v.y += offset[1];
            v.z += offset[2];
            all.push_back(v);
        }
    }
    return all;
}

}  // namespace cubalorn::export_test
