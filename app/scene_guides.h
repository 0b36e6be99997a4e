#pragma once
// What the window shows besides the sculpture to help find one's way: the
// turtle (an arrow at its position along its heading, key T) and the floor
// grid with the volume's outline (key G). Both hang below the mesh node, so
// they are placed in voxel coordinates and turn with it. They belong to the
// window alone: nothing exports them and they cast no shadow.

#include <irrlicht.h>

#include <vector>

#include "voxel/region.h"

namespace cubalorn {

class EffectHandler;
class Turtle;

// One straight line of the guides, in voxel coordinates.
struct GuideLine {
    irr::core::vector3df from;
    irr::core::vector3df to;
    irr::video::SColor colour;
};

// Grid lines on the floor (the underside of layer y = 0) through the voxel
// centres at every multiple of the spacing, and the twelve edges of the
// volume's outline; the outline's edges from the origin show the axes in red
// (x), green (y) and blue (z). The spacing is 10 voxels, wider for volumes
// so large that lines would crowd.
std::vector<GuideLine> gridAndOutline(const Vec3i& volumeMax);
int gridSpacing(const Vec3i& volumeMax);

// The turtle's heading as a unit vector in voxel coordinates: the way
// FORWARD goes.
irr::core::vector3df turtleHeading(float climbDegrees, float turnDegrees);

// The node rotation (degrees, the engine's order) that turns +y onto `direction`.
irr::core::vector3df rotationFromUp(const irr::core::vector3df& direction);

// Draws a set of coloured lines with one material.
class LineSetNode final : public irr::scene::ISceneNode {
public:
    LineSetNode(irr::scene::ISceneNode* parent, irr::scene::ISceneManager* manager,
                const std::vector<GuideLine>& lines);
    void OnRegisterSceneNode() override;
    void render() override;
    const irr::core::aabbox3df& getBoundingBox() const override { return box_; }
    irr::u32 getMaterialCount() const override { return 1; }
    irr::video::SMaterial& getMaterial(irr::u32) override { return material_; }
    irr::u32 lineCount() const { return static_cast<irr::u32>(indices_.size() / 2); }

private:
    std::vector<irr::video::S3DVertex> vertices_;
    std::vector<irr::u32> indices_;
    irr::core::aabbox3df box_;
    irr::video::SMaterial material_;
};

struct SceneGuides {
    irr::scene::IMeshSceneNode* turtle = nullptr;
    LineSetNode* grid = nullptr;
};

// Creates both under the mesh node: the turtle shown, the grid hidden. With
// an effect handler, both are drawn fully lit and cast no shadow.
SceneGuides createSceneGuides(irr::scene::ISceneManager& scene, irr::scene::ISceneNode& meshNode,
                              const Vec3i& volumeMax, EffectHandler* effects);

// Puts the arrow on the turtle, pointing along its heading.
void placeTurtleMarker(irr::scene::ISceneNode& marker, const Turtle& turtle);

}  // namespace cubalorn
