#include "exports.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "export/atomic_file.h"
#include "export/glb_format.h"
#include "export/mesh_formats.h"
#include "export/solid_mesh.h"
#include "export/threemf_format.h"
#include "export/vox_format.h"
#include "output_check.h"

namespace cubalorn::batch {

namespace {

// Looks only inside blocks that hold anything: a large volume is mostly empty blocks.
bool anySolidVoxel(const VoxelVolume& volume) {
    const Region& r = volume.region();
    const Region& blocks = volume.regionInBlocks();
    const int32_t side = volume.blockSideLength();
    for (int32_t bz = blocks.lower.z; bz <= blocks.upper.z; ++bz)
        for (int32_t by = blocks.lower.y; by <= blocks.upper.y; ++by)
            for (int32_t bx = blocks.lower.x; bx <= blocks.upper.x; ++bx) {
                if (volume.block(bx, by, bz).nonZeroCount() == 0) continue;
                for (int32_t z = std::max(r.lower.z, bz * side);
                     z <= std::min(r.upper.z, bz * side + side - 1); ++z)
                    for (int32_t y = std::max(r.lower.y, by * side);
                         y <= std::min(r.upper.y, by * side + side - 1); ++y)
                        for (int32_t x = std::max(r.lower.x, bx * side);
                             x <= std::min(r.upper.x, bx * side + side - 1); ++x)
                            if (volume.voxel(x, y, z).material() != 0) return true;
            }
    return false;
}

}  // namespace

bool checkExportTargets(const Options& options, std::FILE* errors) {
    const auto files = options.exportFiles();
    const std::string& programFile = options.programFile;
    bool ok = true;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& [option, path] = files[i];
        if (!programFile.empty() && sameFile(path, programFile)) {
            std::fprintf(errors, "cubalorn-batch: %s %s would overwrite the program file\n",
                         option.c_str(), path.c_str());
            ok = false;
            continue;
        }
        bool duplicate = false;
        for (size_t j = 0; j < i && !duplicate; ++j) {
            if (resolvedTarget(path) != resolvedTarget(files[j].second)) continue;
            std::fprintf(errors, "cubalorn-batch: %s %s and %s %s name the same file\n",
                         files[j].first.c_str(), files[j].second.c_str(), option.c_str(),
                         path.c_str());
            duplicate = true;
        }
        std::string error;
        if (!duplicate && !exporter::checkWritable(path, error))
            std::fprintf(errors, "cubalorn-batch: %s\n", error.c_str());
        ok = ok && !duplicate && error.empty();
    }
    return ok;
}

bool writeExports(const Options& options, const VoxelVolume& volume, const Palette& palette,
                  std::FILE* errors) {
    const auto files = options.exportFiles();
    if (files.empty()) return true;
    if (!checkExportTargets(options, errors)) return false;

    const exporter::Surface surface =
        options.smooth ? exporter::Surface::Smooth : exporter::Surface::Cubic;
    const exporter::MeshPlacement placement{options.scale, options.keepVolumeOrigin
                                                               ? exporter::Origin::Volume
                                                               : exporter::Origin::Plate};
    exporter::SolidMesh mesh;
    bool built = false;
    auto solid = [&]() -> const exporter::SolidMesh& {
        if (!built) {
            exporter::SolidMeshReport report;
            mesh = exporter::solidMeshOfVolume(volume, surface, placement,
                                               options.smooth ? &report : nullptr);
            built = true;
            if (report.openEdges > 0)
                std::fprintf(errors,
                             "cubalorn-batch: warning: the smooth surface has %u edges not used by "
                             "exactly two triangles (small holes where voxels touch by an edge); "
                             "for printing, export without --smooth\n",
                             report.openEdges);
            if (mesh.empty())
                std::fprintf(errors,
                             "cubalorn-batch: warning: the final volume has no %s surface; the "
                             "mesh files hold no triangles\n",
                             options.smooth ? "smooth" : "solid");
        }
        return mesh;
    };

    std::string mtlName;
    if (!options.objPath.empty()) {
        const std::string mtlPath = exporter::mtlPathFor(options.objPath);
        const size_t slash = mtlPath.rfind('/');
        mtlName = slash == std::string::npos ? mtlPath : mtlPath.substr(slash + 1);
    }

    bool ok = true;
    bool previousWritten = true;
    for (const auto& [option, path] : files) {
        std::function<void(exporter::ChunkWriter&)> encode;
        std::string bytes, error;
        if (option == "--obj (material library)") {
            encode = [&](exporter::ChunkWriter& w) {
                w.append(exporter::encodeMtl(solid(), palette));
            };
        } else if (option == "--obj") {
            if (!previousWritten) {
                std::fprintf(errors,
                             "cubalorn-batch: --obj %s not written: its material library failed\n",
                             path.c_str());
                continue;
            }
            encode = [&](exporter::ChunkWriter& w) { exporter::writeObj(solid(), mtlName, w); };
        } else if (option == "--ply") {
            encode = [&](exporter::ChunkWriter& w) { exporter::writePly(solid(), palette, w); };
        } else if (option == "--stl") {
            encode = [&](exporter::ChunkWriter& w) { exporter::writeStl(solid(), w); };
        } else if (option == "--glb") {
            encode = [&](exporter::ChunkWriter& w) { exporter::writeGlb(solid(), palette, w); };
        } else if (option == "--3mf") {
            if (!exporter::encode3mf(solid(), palette, bytes, error)) {
                std::fprintf(errors, "cubalorn-batch: --3mf %s not written: %s\n", path.c_str(),
                             error.c_str());
                ok = false;
                continue;
            }
            encode = [&](exporter::ChunkWriter& w) { w.append(bytes); };
        } else if (option == "--vox") {
            if (!anySolidVoxel(volume))
                std::fprintf(errors,
                             "cubalorn-batch: warning: the final volume has no solid voxel; %s "
                             "holds no voxels\n",
                             path.c_str());
            encode = [&](exporter::ChunkWriter& w) { exporter::writeVox(volume, palette, w); };
        }
        previousWritten = exporter::writeFileAtomically(path, encode, error);
        if (!previousWritten) {
            std::fprintf(errors, "cubalorn-batch: %s\n", error.c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace cubalorn::batch
