#include "app/scene_guides.h"

#include <algorithm>
#include <cmath>

#include "effects/effect_handler.h"
#include "voxel/turtle.h"

namespace cubalorn {

namespace {

using irr::core::vector3df;
using irr::video::SColor;

const SColor kGridColour(255, 110, 110, 120);
const SColor kOutlineColour(255, 170, 170, 180);
const SColor kTurtleShaft(255, 255, 255, 255);
const SColor kTurtleHead(255, 255, 150, 0);

// The arrow's size in voxels: long enough to stick out of the voxel the
// turtle stands on, small beside a sculpture.
constexpr float kArrowLength = 8.0f;
constexpr float kArrowShaft = 4.5f;

}  // namespace

int gridSpacing(const Vec3i& volumeMax) {
    const int widest = std::max(volumeMax.x, volumeMax.z);
    // At most about fifty lines along an axis.
    return 10 * std::max(1, (widest + 499) / 500);
}

std::vector<GuideLine> gridAndOutline(const Vec3i& volumeMax) {
    std::vector<GuideLine> lines;
    // Voxel v spans v - 0.5 to v + 0.5.
    const float x0 = -0.5f, y0 = -0.5f, z0 = -0.5f;
    const float x1 = float(volumeMax.x) + 0.5f;
    const float y1 = float(volumeMax.y) + 0.5f;
    const float z1 = float(volumeMax.z) + 0.5f;
    const int spacing = gridSpacing(volumeMax);
    for (int x = 0; x <= volumeMax.x; x += spacing)
        lines.push_back({{float(x), y0, z0}, {float(x), y0, z1}, kGridColour});
    for (int z = 0; z <= volumeMax.z; z += spacing)
        lines.push_back({{x0, y0, float(z)}, {x1, y0, float(z)}, kGridColour});

    // The axes from the origin corner, then the other nine edges.
    lines.push_back({{x0, y0, z0}, {x1, y0, z0}, SColor(255, 230, 60, 60)});
    lines.push_back({{x0, y0, z0}, {x0, y1, z0}, SColor(255, 60, 210, 60)});
    lines.push_back({{x0, y0, z0}, {x0, y0, z1}, SColor(255, 70, 110, 255)});
    const vector3df edges[9][2] = {
        {{x1, y0, z0}, {x1, y1, z0}}, {{x1, y0, z0}, {x1, y0, z1}}, {{x0, y1, z0}, {x1, y1, z0}},
        {{x0, y1, z0}, {x0, y1, z1}}, {{x0, y0, z1}, {x1, y0, z1}}, {{x0, y0, z1}, {x0, y1, z1}},
        {{x1, y1, z1}, {x0, y1, z1}}, {{x1, y1, z1}, {x1, y0, z1}}, {{x1, y1, z1}, {x1, y1, z0}},
    };
    for (const auto& e : edges) lines.push_back({e[0], e[1], kOutlineColour});
    return lines;
}

vector3df turtleHeading(float climbDegrees, float turnDegrees) {
    // As FORWARD moves: x by cos(climb) cos(turn), y by sin(climb) cos(turn),
    // z by sin(turn).
    const double c = climbDegrees * Turtle::kPi / 180.0;
    const double t = turnDegrees * Turtle::kPi / 180.0;
    vector3df d(float(std::cos(c) * std::cos(t)), float(std::sin(c) * std::cos(t)),
                float(std::sin(t)));
    if (d.getLengthSQ() < 1e-12f) return {1.0f, 0.0f, 0.0f};
    return d.normalize();
}

vector3df rotationFromUp(const vector3df& direction) {
    irr::core::quaternion turn;
    turn.rotationFromTo(vector3df(0.0f, 1.0f, 0.0f), direction);
    vector3df euler;
    turn.toEuler(euler);
    return euler * irr::core::RADTODEG;
}

LineSetNode::LineSetNode(irr::scene::ISceneNode* parent, irr::scene::ISceneManager* manager,
                         const std::vector<GuideLine>& lines)
    : ISceneNode(parent, manager, -1) {
    material_.Lighting = false;
    material_.Thickness = 1.0f;
    for (const GuideLine& line : lines) {
        for (const vector3df& p : {line.from, line.to}) {
            if (vertices_.empty())
                box_.reset(p);
            else
                box_.addInternalPoint(p);
            indices_.push_back(static_cast<irr::u32>(vertices_.size()));
            vertices_.emplace_back(p, vector3df(0.0f, 1.0f, 0.0f), line.colour,
                                   irr::core::vector2df(0.0f, 0.0f));
        }
    }
    setAutomaticCulling(irr::scene::EAC_OFF);
}

void LineSetNode::OnRegisterSceneNode() {
    if (IsVisible) SceneManager->registerNodeForRendering(this);
    ISceneNode::OnRegisterSceneNode();
}

void LineSetNode::render() {
    if (vertices_.empty()) return;
    irr::video::IVideoDriver* driver = SceneManager->getVideoDriver();
    driver->setTransform(irr::video::ETS_WORLD, AbsoluteTransformation);
    driver->setMaterial(material_);
    driver->drawVertexPrimitiveList(vertices_.data(), static_cast<irr::u32>(vertices_.size()),
                                    indices_.data(), lineCount(), irr::video::EVT_STANDARD,
                                    irr::scene::EPT_LINES, irr::video::EIT_32BIT);
}

SceneGuides createSceneGuides(irr::scene::ISceneManager& scene, irr::scene::ISceneNode& meshNode,
                              const Vec3i& volumeMax, EffectHandler* effects) {
    SceneGuides guides;
    irr::scene::IMesh* arrow = scene.getGeometryCreator()->createArrowMesh(
        8, 12, kArrowLength, kArrowShaft, 0.5f, 2.2f, kTurtleShaft, kTurtleHead);
    if (arrow != nullptr) {
        guides.turtle = scene.addMeshSceneNode(arrow, &meshNode);
        arrow->drop();
    }
    if (guides.turtle != nullptr) {
        guides.turtle->setMaterialFlag(irr::video::EMF_LIGHTING, false);
        guides.turtle->setAutomaticCulling(irr::scene::EAC_OFF);
    }
    guides.grid = new LineSetNode(&meshNode, &scene, gridAndOutline(volumeMax));
    guides.grid->setVisible(false);
    guides.grid->drop();  // the parent holds it

    // Shown in their own colours, never casting: the handler's fully lit role.
    if (effects != nullptr) {
        if (guides.turtle != nullptr)
            effects->registerShadowNode(guides.turtle, ShadowFilter::Filter1, ShadowRole::Excluded);
        effects->registerShadowNode(guides.grid, ShadowFilter::Filter1, ShadowRole::Excluded);
    }
    return guides;
}

void placeTurtleMarker(irr::scene::ISceneNode& marker, const Turtle& turtle) {
    const float x = turtle.x, y = turtle.y, z = turtle.z;
    // A turtle sent nowhere (an infinite distance) keeps its last marker.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
    marker.setPosition({x, y, z});
    marker.setRotation(rotationFromUp(turtleHeading(turtle.climbAngle, turtle.turnAngle)));
}

}  // namespace cubalorn
