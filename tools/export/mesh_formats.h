#pragma once
// Mesh files other programs read, all written from one SolidMesh (see
// solid_mesh.h for the frames and the placement): OBJ with its material file
// and binary PLY (y up), binary STL for printing (z up). 3MF and glTF have
// headers of their own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "chunk_writer.h"
#include "extract/mesh.h"
#include "solid_mesh.h"
#include "voxel/palette.h"

namespace cubalorn::exporter {

using Rgb = std::array<uint8_t, 3>;

// The colour of a vertex material as exported: the palette entry of its low
// byte. Material 255, drawn with fresh random colours in the window, exports
// its stored entry so that a file is one fixed colour per material.
Rgb exportColour(const Palette& palette, float material);

// The material a whole triangle is filed under: the one most of its corners
// carry, the first corner's on a tie.
uint8_t triangleMaterial(const ExtractedMesh& mesh, size_t triangle);

// Which materials the triangles use.
std::array<bool, 256> usedMaterials(const SolidMesh& mesh);

// OBJ name of a material's entry in the .mtl file.
std::string materialName(uint8_t material);

// OBJ text: the positions ("v"), the normals ("vn": six for cubes, one per
// vertex for the smooth surface), and the faces grouped by material
// ("usemtl"), each corner "position//normal". The file names `mtlFileName`
// (a name beside the OBJ) as its material library.
std::string encodeObj(const SolidMesh& mesh, const std::string& mtlFileName);

// The material library for encodeObj: one diffuse colour per material used.
std::string encodeMtl(const SolidMesh& mesh, const Palette& palette);

// Binary little-endian PLY with a colour per vertex. A vertex where
// triangles of different colours meet is written once per colour; the
// smooth surface's vertices carry their normals too.
void writePly(const SolidMesh& mesh, const Palette& palette, ChunkWriter& out);
std::string encodePly(const SolidMesh& mesh, const Palette& palette);

// Binary STL, z up, each facet with the unit normal of its winding.
void writeStl(const SolidMesh& mesh, ChunkWriter& out);
std::string encodeStl(const SolidMesh& mesh);

// The name of the .mtl file that goes with an OBJ file: its extension
// replaced by ".mtl" (or ".mtl" appended when it has none).
std::string mtlPathFor(const std::string& objPath);

}  // namespace cubalorn::exporter
