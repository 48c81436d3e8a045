#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$ROOT/scripts/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Start the tool under a virtual display with:"
  echo "  xvfb-run -a $BUILD_DIR/copista"
  exit 1
fi
exec "$BUILD_DIR/copista" "$@"
