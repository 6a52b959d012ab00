#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run, test and package TamoCNC.
# Quiet when everything is there; asks apt only for the missing packages.
set -euo pipefail

packages=(
    g++ make cmake ninja-build pkg-config
    qt6-base-dev xvfb xauth
    libgtest-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev
    clang libclang-rt-14-dev clang-format
    dpkg-dev file lintian appstream desktop-file-utils xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
