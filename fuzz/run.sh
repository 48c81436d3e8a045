#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer: brings the clang fuzz build in
# build-fuzz/ up to date, prepares seeds from the committed ones and from
# the real KiCad libraries in ../shared/corpus/, and fuzzes in one process.
#
#   fuzz/run.sh TARGET [SECONDS]      TARGET: meuparse library analise footprint dcm
#                                             sexpr kicadsym
#
# New inputs go to build-fuzz/corpus/TARGET, findings to
# build-fuzz/findings/TARGET/. Memory limits: an input may not make the
# program allocate more than 256 MB at once nor hold more than 1 GB.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
TARGET="${1:?target: meuparse library analise footprint dcm sexpr kicadsym}"
SECONDS_TO_RUN="${2:-600}"
BUILD="$ROOT/build-fuzz"
CORPUS_LIBS="$ROOT/../shared/corpus/kicad-symbols"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCOPISTA_FUZZ=ON
fi
cmake --build "$BUILD" -j2 --target "fuzz_$TARGET"

# Seeds taken from the real libraries, made once per target.
SEEDS="$BUILD/corpus-seeds/$TARGET"
if [ ! -d "$SEEDS" ]; then
  mkdir -p "$SEEDS"
  case "$TARGET" in
    meuparse)
      # Every distinct line shape: one file per distinct line, at most 3000.
      cat "$CORPUS_LIBS"/*.lib | tr -d '\r' | sort -u | awk 'NR <= 3000' |
        awk -v dir="$SEEDS" '{ f = sprintf("%s/line%05d", dir, NR); printf "%s", $0 > f; close(f) }' ;;
    library|analise|footprint)
      # One file per component block; the reader also gets the header.
      cat "$CORPUS_LIBS"/*.lib | tr -d '\r' |
        awk -v dir="$SEEDS" -v hdr="$TARGET" '
          /^DEF / { n++; f = sprintf("%s/comp%05d", dir, n);
                    if (hdr == "library") print "EESchema-LIBRARY Version 2.3" > f }
          f != "" { print > f }
          /^ENDDEF/ { close(f); f = "" }' ;;
    dcm)
      # Pieces of the corpus description files, 20 entries each, with the
      # header and the closing line.
      cat "$CORPUS_LIBS"/*.dcm | grep -v '^EESchema-DOCLIB\|^#End Doc Library' |
        awk -v dir="$SEEDS" '
          /^\$CMP/ { if (n % 20 == 0) { if (f != "") { print "#End Doc Library" > f; close(f) }
                        f = sprintf("%s/part%04d", dir, n / 20);
                        print "EESchema-DOCLIB  Version 2.0" > f }
                      n++ }
          f != "" { print > f }
          END { if (f != "") print "#End Doc Library" > f }' ;;
    sexpr|kicadsym)
      # One file per top-level symbol of the KiCad 6 libraries, as a
      # library of its own, at most 2000.
      cat "$CORPUS_LIBS"/../kicad-symbols-v6/*.kicad_sym |
        awk -v dir="$SEEDS" '
          /^  \(symbol / { n++; if (n > 2000) exit; f = sprintf("%s/sym%05d", dir, n);
                           print "(kicad_symbol_lib (version 20211014) (generator kicad_symbol_editor)" > f }
          f != "" { print > f }
          /^  \)$/ { if (f != "") { print ")" > f; close(f) } f = "" }' ;;
  esac
fi

WORK="$BUILD/corpus/$TARGET"
FINDINGS="$BUILD/findings/$TARGET"
mkdir -p "$WORK" "$FINDINGS"
cd "$FINDINGS"
exec "$BUILD/fuzz_$TARGET" "$WORK" "$SEEDS" "$ROOT/fuzz/seeds/$TARGET" \
  $( [ -d "$ROOT/fuzz/regressions/$TARGET" ] && echo "$ROOT/fuzz/regressions/$TARGET" ) \
  -jobs=1 -workers=1 -max_total_time="$SECONDS_TO_RUN" -max_len=16384 \
  -malloc_limit_mb=256 -rss_limit_mb=1024 -timeout=10 \
  -artifact_prefix="$FINDINGS/" -print_final_stats=1
