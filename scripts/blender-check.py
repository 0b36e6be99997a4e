# Imports the glTF, OBJ, PLY and STL exports of one sculpture into Blender and
# checks that the same bounding box and the same handedness arrive from all
# four, with colours where the format carries them.
#
#   cubalorn-batch PROGRAM --glb D/s.glb --obj D/s.obj --ply D/s.ply --stl D/s.stl
#   blender -b --factory-startup --python scripts/blender-check.py -- D/s [ARMS]
#
# Blender's glTF and OBJ importers turn y up into its z up; its STL importer
# takes z up as it is; its PLY importer takes the numbers as they are, so the
# script turns the y-up PLY itself, (x, y, z) -> (x, -z, y). With ARMS given
# ("3,4,5"), the sculpture is three arms of those lengths along the volume's
# +x, +y and +z, and the script also checks their handedness: the window
# shows them left-handed (triple product -1 in a right-handed frame).
# Exit status 0 when all agree. Not part of the test gate.

import sys

import bpy
import mathutils

try:
    # Debian 12's Blender 3.4 glTF importer still names numpy.bool, which the
    # numpy Debian ships (1.24) no longer has.
    import numpy

    if not hasattr(numpy, "bool"):
        numpy.bool = bool
except ImportError:
    pass

args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
if not args:
    print("usage: blender -b --python blender-check.py -- BASE [ARMS]")
    sys.exit(2)
base = args[0]
arms = [float(a) for a in args[1].split(",")] if len(args) > 1 else None


def import_file(kind, path):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    if kind == "glb":
        bpy.ops.import_scene.gltf(filepath=path)
    elif kind == "obj":
        if hasattr(bpy.ops.wm, "obj_import"):
            bpy.ops.wm.obj_import(filepath=path)
        else:
            bpy.ops.import_scene.obj(filepath=path)
    elif kind == "ply":
        bpy.ops.import_mesh.ply(filepath=path)
    elif kind == "stl":
        bpy.ops.import_mesh.stl(filepath=path)
    points, colours, triangles = [], set(), 0
    turn = mathutils.Matrix.Rotation(1.5707963267948966, 4, "X") if kind == "ply" else None
    for obj in bpy.context.scene.objects:
        if obj.type != "MESH":
            continue
        matrix = obj.matrix_world if turn is None else turn @ obj.matrix_world
        points += [matrix @ v.co for v in obj.data.vertices]
        obj.data.calc_loop_triangles()
        triangles += len(obj.data.loop_triangles)
        for material in obj.data.materials:
            if material is None:
                continue
            colour = material.diffuse_color
            if material.use_nodes:
                bsdf = material.node_tree.nodes.get("Principled BSDF")
                if bsdf is not None:
                    colour = bsdf.inputs["Base Color"].default_value
            colours.add(tuple(round(c, 3) for c in colour[:3]))
        layers = getattr(obj.data, "color_attributes", None) or obj.data.vertex_colors
        if len(layers) > 0:
            colours.add("vertex colours: %s" % layers[0].name)
    return points, colours, triangles


def bounds(points):
    lo = [min(p[i] for p in points) for i in range(3)]
    hi = [max(p[i] for p in points) for i in range(3)]
    return lo, hi


def handedness(points, lengths):
    lo, hi = bounds(points)
    mean = [sum(p[i] for p in points) / len(points) for i in range(3)]
    vectors = []
    for length in lengths:
        axis = [i for i in range(3) if abs(hi[i] - lo[i] - (length + 1)) < 0.1]
        if len(axis) != 1:
            return 0
        v = [0, 0, 0]
        v[axis[0]] = 1 if mean[axis[0]] < (lo[axis[0]] + hi[axis[0]]) / 2 else -1
        vectors.append(mathutils.Vector(v))
    return round(vectors[0].dot(vectors[1].cross(vectors[2])))


failed = False
reference = None
for kind in ("glb", "obj", "ply", "stl"):
    points, colours, triangles = import_file(kind, base + "." + kind)
    lo, hi = bounds(points)
    line = "%s: %d triangles, box (%.3f %.3f %.3f) .. (%.3f %.3f %.3f)" % (
        kind, triangles, *lo, *hi)
    if arms:
        turn = handedness(points, arms)
        line += ", arms triple product %d" % turn
        failed = failed or turn != -1
    line += ", colours: %s" % (sorted(map(str, colours)) if colours else "none")
    print(line)
    if reference is None:
        reference = (lo, hi)
    elif any(abs(a - b) > 1e-3 for a, b in zip(lo + hi, reference[0] + reference[1])):
        print("  box differs from the glTF's")
        failed = True
print("blender-check: " + ("FAILED" if failed else "all four agree"))
sys.exit(1 if failed else 0)
