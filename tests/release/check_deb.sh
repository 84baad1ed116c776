#!/usr/bin/env bash
# Checks the Linux edition's package: its name and version, and that it installs the program, the
# menu entry, the icon theme's icons and the read-me where a desktop looks for them.
#   check_deb.sh <lumidot_*.deb> <version>
set -euo pipefail
deb=$1 version=$2
fail() { echo "check_deb: $*" >&2; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = lumidot ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt Widgets"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for want in ./usr/bin/lumidot ./usr/share/applications/lumidot.desktop \
            ./usr/share/icons/hicolor/16x16/apps/lumidot.png \
            ./usr/share/icons/hicolor/32x32/apps/lumidot.png \
            ./usr/share/icons/hicolor/64x64/apps/lumidot.png \
            ./usr/share/doc/lumidot/README-ja.txt; do
    grep -qxF -- "$want" <<<"$files" || fail "missing $want"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
grep -qx 'Exec=lumidot' "$tmp/usr/share/applications/lumidot.desktop" || fail "menu entry's Exec"
for size in 16 32 64; do
    file "$tmp/usr/share/icons/hicolor/${size}x${size}/apps/lumidot.png" |
        grep -q "PNG image data, $size x $size" || fail "icon of $size px"
done
echo "check_deb: $deb is complete"
