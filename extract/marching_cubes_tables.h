#pragma once
// Lookup tables of the smooth extractor, in its corner order: corner bit
// 0 = (0,0,0), 1 = (1,0,0), 2 = (0,1,0), 3 = (1,1,0), and bits 4 to 7 the same
// four corners one step up in z. A corner's bit is set when it is empty.

#include <array>
#include <cstdint>

namespace cubalorn {

constexpr int kCubeEdgeCount = 12;

// The two end corners (as bit numbers) of each edge: 0, 2, 4, 6 run along x,
// 1, 3, 5, 7 along y, 8 to 11 along z.
extern const std::array<std::array<uint8_t, 2>, kCubeEdgeCount> kEdgeCorners;

// Bit e is set when edge e joins an empty corner to a solid one.
extern const std::array<uint16_t, 256> kEdgeTable;

// Up to five triangles per cube index, three edge numbers each, ended by -1.
// Every triangle (a, b, c) is wound so that (b - a) x (c - a) points from the
// solid side to the empty side.
extern const std::array<std::array<int8_t, 16>, 256> kTriangleTable;

}  // namespace cubalorn
