#pragma once
// Extracted meshes as files other programs read: OBJ with its material file,
// binary PLY with a colour per vertex, binary STL for printing. Each encoder
// returns the whole file; writing it to disk is the caller's business.
//
// Positions are in voxel units times `scale`. OBJ and PLY keep the volume's
// axes (y up, as those formats' readers expect); STL turns the model so that
// the volume's y becomes z, since printers and slicers take z as up. The turn
// is a rotation, (x, y, z) -> (x, -z, y), so the model is not mirrored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "chunk_writer.h"
#include "extract/mesh.h"
#include "voxel/palette.h"

namespace cubalorn::exporter {

using Rgb = std::array<uint8_t, 3>;

// The colour of a vertex material as exported: the palette entry of its low
// byte. Material 255, drawn with fresh random colours in the window, exports
// its stored entry so that a file is one fixed colour per material.
Rgb exportColour(const Palette& palette, float material);

// The material a whole triangle is filed under (OBJ groups faces by
// material): the one most of its corners carry, the first corner's on a tie.
uint8_t triangleMaterial(const ExtractedMesh& mesh, size_t triangle);

// OBJ name of a material's entry in the .mtl file.
std::string materialName(uint8_t material);

// OBJ text: welded positions ("v"), distinct normals ("vn"), and the faces
// grouped by material ("usemtl"), each corner "position//normal". The file
// names `mtlFileName` (a name beside the OBJ) as its material library.
std::string encodeObj(const ExtractedMesh& mesh, const std::string& mtlFileName, float scale);

// The material library for encodeObj: one diffuse colour per material used.
std::string encodeMtl(const ExtractedMesh& mesh, const Palette& palette);

// Binary little-endian PLY: every vertex of the mesh with its normal and
// colour, every triangle as it is.
void writePly(const ExtractedMesh& mesh, const Palette& palette, float scale, ChunkWriter& out);
std::string encodePly(const ExtractedMesh& mesh, const Palette& palette, float scale);

// Binary STL, z up, each facet with its unit normal. As in a welded mesh,
// facets with two corners at one place are left out.
void writeStl(const ExtractedMesh& mesh, float scale, ChunkWriter& out);
std::string encodeStl(const ExtractedMesh& mesh, float scale);

// The name of the .mtl file that goes with an OBJ file: its extension
// replaced by ".mtl" (or ".mtl" appended when it has none).
std::string mtlPathFor(const std::string& objPath);

}  // namespace cubalorn::exporter
