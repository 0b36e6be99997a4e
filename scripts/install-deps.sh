#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: only packages that are missing are installed, so a machine that
# has everything runs no apt command at all.
set -euo pipefail

packages=(
    g++ make cmake ninja-build pkg-config
    libirrlicht-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils libgl1-mesa-dri libglx-mesa0 mesa-utils
    imagemagick xdotool glslang-tools
    admesh assimp-utils goxel libgl-dev
    clang libclang-rt-14-dev
)
# Extra packages a caller may ask for (e.g. the benchmark comparisons).
if [ "$#" -gt 0 ]; then packages+=("$@"); fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
