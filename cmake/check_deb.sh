#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it:
# package name and Qt dependencies, the listed contents, then its files as
# installed into a temporary root with dpkg -x (nothing touches the system),
# that the unpacked program starts headless and keeps running, and that the
# unpacked copista-cli runs with no display at all.
#
#   cmake/check_deb.sh BUILD_DIR
set -euo pipefail
BUILD="${1:?build folder}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "packaging check: $*" >&2; exit 1; }

cpack -G DEB -B "$WORK/out" --config "$BUILD/CPackConfig.cmake" > "$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; fail "cpack failed"; }
DEB="$(ls "$WORK"/out/*.deb 2>/dev/null | head -n 1)"
[ -n "$DEB" ] || fail "no .deb produced"
echo "package: $(basename "$DEB")"

[ "$(dpkg-deb -f "$DEB" Package)" = copista ] || fail "package name is not copista"
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
echo "Depends: $DEPENDS"
for lib in libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -q "$lib" <<<"$DEPENDS" || fail "Depends lacks $lib"
done

CONTENTS="$(dpkg-deb --contents "$DEB")"
for f in ./usr/bin/copista ./usr/bin/copista-cli ./usr/share/applications/copista.desktop \
         ./usr/share/icons/hicolor/scalable/apps/copista.svg; do
  grep -q " $f\$" <<<"$CONTENTS" || { echo "$CONTENTS"; fail "$f not in the package"; }
done

ROOTFS="$WORK/root"
dpkg -x "$DEB" "$ROOTFS"
BIN="$ROOTFS/usr/bin/copista"
[ -x "$BIN" ] || fail "usr/bin/copista is not executable"
DESKTOP="$ROOTFS/usr/share/applications/copista.desktop"
grep -qx 'Name=Copista' "$DESKTOP" || fail "desktop entry: Name"
grep -qx 'Comment=Criação/cópia de biblioteca de componentes para KiCad' "$DESKTOP" ||
  fail "desktop entry: Comment"
grep -qx 'Exec=copista' "$DESKTOP" || fail "desktop entry: Exec"
grep -qx 'Icon=copista' "$DESKTOP" || fail "desktop entry: Icon"
grep -q '^Categories=.*Electronics;' "$DESKTOP" || fail "desktop entry: Categories"
! grep -q '^MimeType' "$DESKTOP" || fail "desktop entry claims a MIME type"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$DESKTOP" || fail "desktop entry does not validate"
fi
grep -q '<svg' "$ROOTFS/usr/share/icons/hicolor/scalable/apps/copista.svg" || fail "icon is not SVG"

# Every shared library the unpacked programs need resolves on this system.
CLI="$ROOTFS/usr/bin/copista-cli"
[ -x "$CLI" ] || fail "usr/bin/copista-cli is not executable"
for b in "$BIN" "$CLI"; do
  if ldd "$b" | grep -q 'not found'; then
    ldd "$b"; fail "unresolved libraries"
  fi
done
# The command-line program needs no display and no platform chosen for it.
VERSION="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$CLI" --version 2>&1)" ||
  fail "copista-cli --version failed: $VERSION"
grep -qx 'copista-cli [0-9][0-9.]*' <<<"$VERSION" || fail "copista-cli --version said: $VERSION"
echo "$VERSION"
# The unpacked program starts headless and is still running after 3 s.
set +e
QT_QPA_PLATFORM=offscreen timeout 3 "$BIN" > "$WORK/run.log" 2>&1
rc=$?
set -e
[ "$rc" -eq 124 ] || { cat "$WORK/run.log"; fail "program exited with $rc instead of running"; }
echo "packaging check passed"
