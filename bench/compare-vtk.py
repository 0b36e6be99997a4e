#!/usr/bin/python3
"""Smooth extractor against VTK's vtkFlyingEdges3D on the same 8-bit density
field, both on one core in one run.

The extraction benchmark writes each scene's density field (x fastest, then
y, then z); VTK contours it at 126.5 (our "127 and above is solid") with
normals on, single-threaded; the benchmark times our extractor on the very
same volume. Prints both CPU times, the ratio and the triangle counts.

    bench/compare-vtk.py [--build-dir build] [--repetitions 5] [scene ...]

Scenes: sculpture, terrain, sphere (default: all three). Needs Debian's
python3-vtk9, which this script installs through scripts/install-deps.sh
when it is missing; the tests never need VTK.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCENES = ["sculpture", "terrain", "sphere"]


DEBIAN_PYTHON = "/usr/bin/python3"


def import_vtk():
    try:
        import vtkmodules.all as vtk
        return vtk
    except ImportError:
        pass
    subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh"), "python3-vtk9"], check=True)
    # Debian's bindings belong to Debian's interpreter.
    if os.path.realpath(sys.executable) != os.path.realpath(DEBIAN_PYTHON):
        os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON] + sys.argv)
    import vtkmodules.all as vtk
    return vtk


def dump_field(binary, scene, path):
    out = subprocess.run([binary, "--dump-density", scene, path], check=True,
                         capture_output=True, text=True).stdout.split()
    if len(out) != 4 or out[0] != "dims":
        sys.exit("unexpected answer from %s: %s" % (binary, " ".join(out)))
    return [int(v) for v in out[1:]]


def time_ours(binary, scene, repetitions):
    """Minimum CPU time (ms) of our smooth extractor and its triangle count."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run(["taskset", "-c", "0", binary, "--benchmark_filter=^smooth/%s$" % scene,
                        "--benchmark_repetitions=%d" % repetitions,
                        "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        runs = [b for b in json.load(open(out.name))["benchmarks"] if b.get("run_type") == "iteration"]
    if not runs:
        sys.exit("the benchmark ran no smooth/%s" % scene)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[runs[0]["time_unit"]]
    return min(r["cpu_time"] for r in runs) * scale, int(runs[0]["faces"])


def time_vtk(vtk, path, dims, repetitions):
    """Minimum CPU time (ms) of single-threaded flying edges and its triangle count."""
    reader = vtk.vtkImageReader2()
    reader.SetFileName(path)
    reader.SetFileDimensionality(3)
    reader.SetDataScalarTypeToUnsignedChar()
    reader.SetDataExtent(0, dims[0] - 1, 0, dims[1] - 1, 0, dims[2] - 1)
    reader.SetDataSpacing(1, 1, 1)
    reader.SetDataOrigin(0, 0, 0)
    reader.Update()
    image = reader.GetOutput()

    contour = vtk.vtkFlyingEdges3D()
    contour.SetInputData(image)
    contour.SetValue(0, 126.5)
    contour.ComputeNormalsOn()
    contour.ComputeGradientsOff()
    contour.ComputeScalarsOff()
    best = None
    for _ in range(repetitions):
        contour.Modified()
        start = time.process_time()
        contour.Update()
        elapsed = (time.process_time() - start) * 1e3
        best = elapsed if best is None else min(best, elapsed)
    return best, contour.GetOutput().GetNumberOfPolys()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("scenes", nargs="*", default=SCENES)
    args = parser.parse_args()
    for scene in args.scenes:
        if scene not in SCENES:
            parser.error("unknown scene %s (choose from %s)" % (scene, ", ".join(SCENES)))

    binary = os.path.join(args.build_dir, "bench", "bench_extract_bench")
    if not os.access(binary, os.X_OK):
        sys.exit("no %s: build the benchmarks first (make build)" % binary)
    vtk = import_vtk()
    # One core for VTK as for us: its SMP tools run sequentially, on CPU 0.
    vtk.vtkSMPTools.SetBackend("Sequential")
    vtk.vtkSMPTools.Initialize(1)
    os.sched_setaffinity(0, {0})

    print("VTK %s, backend %s" % (vtk.vtkVersion.GetVTKVersion(), vtk.vtkSMPTools.GetBackend()))
    print("%-10s %12s %12s %8s %12s %12s %9s" % ("scene", "ours ms", "vtk ms", "ratio",
                                                  "our tris", "vtk tris", "tri diff"))
    worst = 0.0
    for scene in args.scenes:
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, scene + ".raw")
            dims = dump_field(binary, scene, path)
            vtk_ms, vtk_tris = time_vtk(vtk, path, dims, args.repetitions)
        ours_ms, our_tris = time_ours(binary, scene, args.repetitions)
        ratio = ours_ms / vtk_ms
        worst = max(worst, ratio)
        diff = (our_tris - vtk_tris) / max(vtk_tris, 1)
        print("%-10s %12.1f %12.1f %8.2f %12d %12d %8.3f%%" % (scene, ours_ms, vtk_ms, ratio,
                                                               our_tris, vtk_tris, 100 * diff))
    print("slowest ratio %.2f (goal: at most 1.0, stretch 0.7); triangle counts should agree within 1%%"
          % worst)


if __name__ == "__main__":
    main()
