#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: only packages that are missing are installed, so a machine that
# has everything runs no apt command at all.
set -euo pipefail

packages=(
    g++ make cmake ninja-build pkg-config
    libirrlicht-dev libx11-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils libgl1-mesa-dri libglx-mesa0 mesa-utils
    imagemagick xdotool glslang-tools
    admesh assimp-utils goxel libgl-dev
    libzip-dev nlohmann-json3-dev prusa-slicer nodejs
    clang libclang-rt-14-dev
)
# Extra packages a caller may ask for (e.g. the benchmark comparisons).
if [ "$#" -gt 0 ]; then packages+=("$@"); fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    # A Node.js from elsewhere (with its own npm) counts as installed.
    if command -v node >/dev/null && command -v npm >/dev/null; then
        keep=()
        for p in "${missing[@]}"; do [ "$p" = nodejs ] || keep+=("$p"); done
        missing=("${keep[@]}")
    fi
fi
if [ "${#missing[@]}" -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    if ! command -v npm >/dev/null; then
        "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
    fi
fi

# The Khronos glTF validator, from npm, into the project's own git-ignored
# folder, where the consumer tests look for it.
root=$(cd "$(dirname "$0")/.." && pwd)
validator=gltf-validator@2.0.0-dev.3.10
if [ ! -f "$root/.deps/npm/node_modules/gltf-validator/package.json" ]; then
    echo "install-deps: installing $validator into .deps/npm"
    mkdir -p "$root/.deps/npm"
    npm install --silent --no-save --no-audit --no-fund --prefix "$root/.deps/npm" "$validator"
fi
