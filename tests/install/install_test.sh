#!/usr/bin/env bash
# `make install` as a user would run it: both programs and their files under
# a fresh prefix, then the installed programs started from a folder that has
# none of those files. They must find the configuration, media, shaders and
# examples where they were installed, say which file is missing when one is,
# and keep programs in their working folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
scratch=$(cd "$scratch" && pwd -P)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

prefix=$scratch/prefix
cmake --install "$build_dir" --prefix "$prefix" >"$scratch/install.log"
for file in bin/cubalorn bin/cubalorn-batch share/cubalorn/configwindows.xml.txt \
    share/cubalorn/media/voxeltexture.bmp share/cubalorn/media/sans.bmp \
    share/cubalorn/shaders/BrightPass.glsl share/cubalorn/shaders/BloomP.glsl \
    share/cubalorn/examples/sprite.logo share/cubalorn/examples/sprite.csv; do
    [ -e "$prefix/$file" ] || fail "make install left out $file"
done
echo "ok   installed into $prefix"

elsewhere=$scratch/elsewhere
mkdir "$elsewhere"
cd "$elsewhere"
batch=$prefix/bin/cubalorn-batch
examples=$prefix/share/cubalorn/examples

# An example that reads examples/sprite.csv draws the same voxels from here
# as from the source folder.
"$batch" "$examples/sprite.logo" --vox "$elsewhere/sprite.vox" 2>"$scratch/err" >/dev/null ||
    fail "the installed batch runner failed: $(cat "$scratch/err")"
[ ! -s "$scratch/err" ] || fail "unexpected errors: $(cat "$scratch/err")"
(cd "$source_dir" && "$batch" examples/sprite.logo --vox "$scratch/sprite-here.vox") >/dev/null
cmp -s "$elsewhere/sprite.vox" "$scratch/sprite-here.vox" ||
    fail "sprite.logo run from another folder did not find examples/sprite.csv"
[ "$(stat -c %s "$elsewhere/sprite.vox")" -gt 1200 ] || fail "the sprite has no voxels"
echo "ok   an installed example finds its CSV file from another folder"

# The picture needs the configuration, the voxel texture and both shaders:
# from here it must be the picture made in the source folder.
picture() { # folder output [options...]
    local folder=$1 output=$2
    shift 2
    (cd "$folder" && env -u DISPLAY "$batch" "$examples/spiral.logo" --png "$output" \
        --size 160x120 "$@" >/dev/null)
}
picture "$elsewhere" "$scratch/spiral-elsewhere.png" 2>"$scratch/err" ||
    fail "no picture from another folder: $(cat "$scratch/err")"
[ ! -s "$scratch/err" ] || fail "unexpected errors: $(cat "$scratch/err")"
picture "$source_dir" "$scratch/spiral-here.png" 2>/dev/null
difference=$(compare -metric AE "$scratch/spiral-elsewhere.png" "$scratch/spiral-here.png" \
    /dev/null 2>&1 || true)
[ "$difference" = 0 ] ||
    fail "the picture from another folder differs in $difference pixels from the one made here"
echo "ok   a picture made from another folder has its configuration, texture and bloom"

# Without the shaders and the configuration, one line names each and the
# places searched, and the picture is made all the same.
bare=$scratch/bare
cp -r "$prefix" "$bare"
rm -r "$bare/share/cubalorn/shaders" "$bare/share/cubalorn/configwindows.xml.txt"
batch=$bare/bin/cubalorn-batch
picture "$elsewhere" "$scratch/spiral-bare.png" 2>"$scratch/err" ||
    fail "no picture without the shaders: $(cat "$scratch/err")"
places="$elsewhere, $bare/bin, $bare/share/cubalorn"
for line in \
    "cubalorn-batch: configwindows.xml.txt was not found in $places" \
    "cubalorn-batch: shaders/BrightPass.glsl was not found in $places"; do
    grep -q -F -- "$line" "$scratch/err" || fail "missing line '$line' in: $(cat "$scratch/err")"
done
[ -s "$scratch/spiral-bare.png" ] || fail "no picture"
echo "ok   missing files are named with the places searched"
batch=$prefix/bin/cubalorn-batch

# The window program, installed, from another folder: its help names the
# places, it finds its files (no complaint about any), and a program's file
# commands stay in the working folder unless --allow-any-path is given.
window=$prefix/bin/cubalorn
"$window" --help | grep -q -F "  $prefix/share/cubalorn" || fail "cubalorn --help does not name $prefix/share/cubalorn"
outside=$scratch/outside.txt
lines="openfile \"$outside \"w
writelinefile \"written
closefile
QUIT"
session() { # log-name [options...]
    local name=$1
    shift
    printf '%s\n' "$lines" | "$source_dir/scripts/with-xvfb.sh" -s 1024x768x24 \
        "$window" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err" || true
}
session confined
grep -q -F "ERROR - could not open file $outside" "$scratch/confined.out" ||
    fail "the window program opened $outside: $(cat "$scratch/confined.out")"
grep -q -F "OPENFILE: $outside was not opened: it is outside the working folder $elsewhere (--allow-any-path" \
    "$scratch/confined.err" || fail "no reason given: $(cat "$scratch/confined.err")"
[ ! -e "$outside" ] || fail "$outside was written"
for complaint in "was not found" "Effects: Cannot read"; do
    ! grep -q -F "$complaint" "$scratch/confined.err" ||
        fail "the installed window program lacks a file: $(cat "$scratch/confined.err")"
done
grep -q "Voxel core" "$scratch/confined.out" || fail "the window did not start: $(cat "$scratch/confined.err")"
session allowed --allow-any-path
[ "$(cat "$outside" 2>/dev/null)" = written ] ||
    fail "--allow-any-path did not let the program write $outside: $(cat "$scratch/allowed.err")"
echo "ok   the installed window program finds its files and keeps programs in their folder"
