#!/usr/bin/env bash
# Checks the Linux edition's package as Debian and a desktop will meet it: lintian finds no error
# or warning, the menu entry and the metainfo validate, and it installs the program, its manual
# page, the menu entry under the reverse-DNS id, the icon theme's icons and the documents where a
# desktop and Debian look for them.
#   check_deb.sh <lumidot_*.deb> <version> <app id>
set -euo pipefail
deb=$1 version=$2 app_id=$3
fail() { echo "check_deb: $*" >&2; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = lumidot ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt Widgets"
dpkg-deb -f "$deb" Recommends | grep -q 'fcitx5-mozc | ibus-mozc' || fail "no input method recommended"
dpkg-deb -f "$deb" Recommends | grep -qw 'qt6-wayland' || fail "no Wayland plugin recommended"
dpkg-deb -f "$deb" Homepage | grep -q '^http' || fail "no Homepage"

# lintian warns when run as root, which is how the tests run; its findings go to stdout.
lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian: $(lintian "$deb" 2>/dev/null)"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for want in ./usr/bin/lumidot ./usr/share/man/man1/lumidot.1.gz \
            "./usr/share/applications/$app_id.desktop" "./usr/share/metainfo/$app_id.metainfo.xml" \
            ./usr/share/icons/hicolor/scalable/apps/lumidot.svg \
            ./usr/share/doc/lumidot/copyright ./usr/share/doc/lumidot/changelog.gz \
            ./usr/share/doc/lumidot/README-ja.txt; do
    grep -qxF -- "$want" <<<"$files" || fail "missing $want"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
desktop-file-validate "$tmp/usr/share/applications/$app_id.desktop" || fail "menu entry"
appstreamcli validate --no-net "$tmp/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo"
grep -qx 'Exec=lumidot' "$tmp/usr/share/applications/$app_id.desktop" || fail "menu entry's Exec"
for size in 16 32 48 64 128; do
    file "$tmp/usr/share/icons/hicolor/${size}x${size}/apps/lumidot.png" |
        grep -q "PNG image data, $size x $size" || fail "icon of $size px"
done
# The command line works without a display.
env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/usr/bin/lumidot" --version | grep -qx "lumidot $version" ||
    fail "--version"
env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/usr/bin/lumidot" --help | grep -q -- '--version' || fail "--help"
echo "check_deb: $deb is complete and clean"
