#!/usr/bin/env bash
# Installs whatever Debian packages are missing, then configures and builds
# into build/. Sourced by run.sh and test.sh.
#
# apt-get runs only when something is missing and it can run: apt-get is
# there, and we are root or sudo is there. Anywhere else the missing
# packages are listed and the configure goes on, so that CMake names what
# the build really lacks.
set -euo pipefail

# qt6-svg-dev: Qt SVG; libxml2-utils: xmllint; file: CPack's Debian
# generator needs it to find the libraries the program links.
PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation xvfb xauth clang-format
          dpkg-dev file libxml2-utils)

missing=()
if command -v dpkg-query > /dev/null; then
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
else
  echo "No dpkg-query here: not checking packages. Needed (Debian names): ${PACKAGES[*]}"
fi

if [ ${#missing[@]} -gt 0 ]; then
  SUDO="" why=""
  if ! command -v apt-get > /dev/null; then
    why="no apt-get here"
  elif [ "$(id -u)" -ne 0 ]; then
    command -v sudo > /dev/null && SUDO="sudo" || why="not root and no sudo"
  fi
  if [ -n "$why" ]; then
    echo "Missing packages, not installed ($why): ${missing[*]}"
  else
    echo "Installing: ${missing[*]}"
    if ! { $SUDO apt-get update -qq &&
           DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
             "${missing[@]}"; }; then
      echo "apt-get failed; going on without: ${missing[*]}"
    fi
  fi
fi

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# ccache, where installed, lets several checkouts of the tree share compiled
# objects (paths below the parent folder are hashed relative to it).
LAUNCHER=()
if command -v ccache > /dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$ROOT")}"
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "${LAUNCHER[@]}" ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc 2>/dev/null || echo 2)"
