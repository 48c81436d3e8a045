#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless: first the
# plain build (build/), then the whole suite again built with AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan/). COPISTA_SKIP_SANITIZE=1 skips
# the sanitized pass for a quick local run; CI always runs both.
# Extra arguments go to both ctest runs (e.g. -R library).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
export QT_QPA_PLATFORM=offscreen

SECONDS=0
source "$ROOT/scripts/setup.sh"
(cd "$BUILD_DIR" && ctest --output-on-failure -j"$(nproc)" "$@")
echo "plain pass: ${SECONDS}s"

if [ "${COPISTA_SKIP_SANITIZE:-0}" = "1" ] && [ "${CI:-}" != "true" ]; then
  echo "sanitized pass skipped (COPISTA_SKIP_SANITIZE=1)"
  exit 0
fi

SECONDS=0
BUILD_DIR="$ROOT/build-asan" CMAKE_EXTRA_ARGS="-DCOPISTA_SANITIZE=ON -DCOPISTA_BUILD_BENCH=OFF" \
  source "$ROOT/scripts/setup.sh"
# halt_on_error: the first finding fails the test. detect_leaks=0: Qt keeps
# process-wide singletons (font database, platform plugin, thread data) that
# it deliberately never frees at exit, so LeakSanitizer would fail every
# test on memory that is not ours; use-after-free, overflows and UB are
# what this pass is for.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd "$ROOT/build-asan" && ctest --output-on-failure -j"$(nproc)" "$@")
echo "sanitized pass: ${SECONDS}s"
