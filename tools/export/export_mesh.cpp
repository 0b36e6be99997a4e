#include "export_mesh.h"

#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"

namespace cubalorn::exporter {

void extractForExport(const VoxelVolume& volume, Surface surface, ExtractedMesh& mesh) {
    const Region& v = volume.region();
    const Region margin{{v.lower.x - 1, v.lower.y - 1, v.lower.z - 1},
                        {v.upper.x + 1, v.upper.y + 1, v.upper.z + 1}};
    if (surface == Surface::Smooth)
        SmoothExtractor(volume, margin, mesh, kSmoothThreshold).execute();
    else {
        // Files carry no occlusion: every square keeps the one diagonal, as
        // the cubic surface built straight from the voxels does.
        CubicExtractor extractor(volume, margin, mesh);
        extractor.setAmbientOcclusion(false);
        extractor.execute();
    }
    for (MeshVertex& vertex : mesh.vertices) {
        vertex.pos.x -= 1.0f;
        vertex.pos.y -= 1.0f;
        vertex.pos.z -= 1.0f;
    }
    mesh.region = v;
}

}  // namespace cubalorn::exporter
