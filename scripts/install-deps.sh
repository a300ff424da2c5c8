#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need (Debian packages only).
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev
      libqcustomplot-dev libhidapi-dev libgl1-mesa-dev libgtest-dev
      xvfb xauth poppler-utils fonts-dejavu-core
      help2man dpkg-dev file lintian desktop-file-utils appstream shared-mime-info man-db
      clang libclang-rt-14-dev)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
