#include "exports.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "export/atomic_file.h"
#include "export/export_mesh.h"
#include "export/mesh_formats.h"
#include "export/vox_format.h"
#include "extract/mesh.h"

namespace cubalorn::batch {

namespace {

struct ExportFile {
    const char* option;
    std::string path;
    std::function<void(exporter::ChunkWriter&)> encode;  // streams the file's bytes
    bool needsPrevious = false;  // written only when the output before it was
};

// Where a path leads once the directory's links are resolved, so that two
// spellings of one file ("a.stl", "./a.stl") are seen as the same file.
std::string resolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;  // the file exists
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (::realpath(directory.c_str(), resolved)) return std::string(resolved) + "/" + name;
    return path;
}

bool sameExistingFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Refuses outputs that would overwrite the program or each other.
bool checkTargets(const std::vector<ExportFile>& outputs, const std::string& programFile,
                  std::FILE* errors) {
    bool ok = true;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string& path = outputs[i].path;
        if (!programFile.empty() && (sameExistingFile(path, programFile) ||
                                     resolvedTarget(path) == resolvedTarget(programFile))) {
            std::fprintf(errors, "cubalorn-batch: %s %s would overwrite the program file\n",
                         outputs[i].option, path.c_str());
            ok = false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (resolvedTarget(path) == resolvedTarget(outputs[j].path)) {
                std::fprintf(errors, "cubalorn-batch: %s %s and %s %s name the same file\n",
                             outputs[j].option, outputs[j].path.c_str(), outputs[i].option,
                             path.c_str());
                ok = false;
            }
        }
    }
    return ok;
}

}  // namespace

bool writeExports(const Options& options, const VoxelVolume& volume, const Palette& palette,
                  std::FILE* errors) {
    ExtractedMesh mesh;
    bool extracted = false;
    auto meshOfVolume = [&]() -> const ExtractedMesh& {
        if (!extracted) {
            exporter::extractForExport(
                volume, options.smooth ? exporter::Surface::Smooth : exporter::Surface::Cubic,
                mesh);
            extracted = true;
        }
        return mesh;
    };

    std::vector<ExportFile> outputs;
    if (!options.objPath.empty()) {
        // The material library first, so the OBJ never names a missing file.
        const std::string mtlPath = exporter::mtlPathFor(options.objPath);
        const size_t slash = mtlPath.rfind('/');
        const std::string mtlName =
            slash == std::string::npos ? mtlPath : mtlPath.substr(slash + 1);
        outputs.push_back({"--obj (material library)", mtlPath, [&](exporter::ChunkWriter& w) {
                               w.append(exporter::encodeMtl(meshOfVolume(), palette));
                           }});
        outputs.push_back({"--obj", options.objPath,
                           [&, mtlName](exporter::ChunkWriter& w) {
                               w.append(
                                   exporter::encodeObj(meshOfVolume(), mtlName, options.scale));
                           },
                           true});
    }
    if (!options.plyPath.empty())
        outputs.push_back({"--ply", options.plyPath, [&](exporter::ChunkWriter& w) {
                               exporter::writePly(meshOfVolume(), palette, options.scale, w);
                           }});
    if (!options.stlPath.empty())
        outputs.push_back({"--stl", options.stlPath, [&](exporter::ChunkWriter& w) {
                               exporter::writeStl(meshOfVolume(), options.scale, w);
                           }});
    if (!options.voxPath.empty())
        outputs.push_back({"--vox", options.voxPath, [&](exporter::ChunkWriter& w) {
                               w.append(exporter::encodeVox(volume, palette));
                           }});

    if (!checkTargets(outputs, options.programFile, errors)) return false;

    bool ok = true;
    bool previousWritten = true;
    for (const ExportFile& output : outputs) {
        if (output.needsPrevious && !previousWritten) {
            std::fprintf(errors, "cubalorn-batch: %s %s not written: its material library failed\n",
                         output.option, output.path.c_str());
            continue;
        }
        std::string error;
        previousWritten = exporter::writeFileAtomically(output.path, output.encode, error);
        if (!previousWritten) {
            std::fprintf(errors, "cubalorn-batch: %s\n", error.c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace cubalorn::batch
