#!/usr/bin/env bash
# Checks the portable release zip the way a user will meet it: unpacked, it holds exactly
# Lumidot.exe and the read-mes in one folder named like the zip; the exe is the one that was tested,
# stays under 300 KB, needs no DLL beyond Windows' own and carries the release's version; Notepad
# shows each read-me right on any Windows version.
#
#   check_release.sh <zip> <built Lumidot.exe> <version> <read-me source>...
#
# A read-me source res/readme-XX.txt is README-XX.txt in the zip.
set -uo pipefail

if [ $# -lt 4 ]; then
    echo "usage: $0 <zip> <built Lumidot.exe> <version> <read-me source>..." >&2
    exit 2
fi
zip=$1 built_exe=$2 version=$3
shift 3
readme_sources=("$@")
readme_name() { local base; base=$(basename "$1" .txt); echo "README-${base#readme-}.txt"; }

export LC_ALL=C
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

[ -f "$zip" ] || { echo "FAIL: no package at $zip"; exit 1; }
[ -f "$built_exe" ] || { echo "FAIL: no built exe at $built_exe"; exit 1; }

top="Lumidot-$version-win64"
[ "$(basename "$zip")" = "$top.zip" ] || fail "package is named $(basename "$zip"), not $top.zip"
unzip -tq "$zip" >/dev/null || fail "unzip -t finds the archive damaged"

# The listing: the exe and the read-mes inside the top folder, and no other file or folder.
expected_files=$({ echo "$top/Lumidot.exe"
                  for source in "${readme_sources[@]}"; do echo "$top/$(readme_name "$source")"; done
                } | sort)
entries=$(unzip -Z1 "$zip")
files=$(grep -v '/$' <<<"$entries" | sort)
folders=$(grep '/$' <<<"$entries" | grep -vxF "$top/")
[ "$files" = "$expected_files" ] || fail "the zip holds:
$files
instead of:
$expected_files"
[ -z "$folders" ] || fail "unexpected folders in the zip: $folders"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work" || { echo "FAIL: cannot unpack $zip"; exit 1; }
exe="$work/$top/Lumidot.exe"

if [ -f "$exe" ]; then
    cmp -s "$exe" "$built_exe" || fail "Lumidot.exe in the zip differs from $built_exe"
    size=$(stat -c %s "$exe")
    [ "$size" -lt 307200 ] || fail "Lumidot.exe has $size bytes, 300 KB or more"

    # A DLL outside this list (libstdc++-6, libgcc_s_seh-1, libwinpthread-1, ...) is one the user
    # does not have: the exe must stay statically linked.
    allowed=$(printf '%s\n' ADVAPI32 COMCTL32 COMDLG32 GDI32 IMM32 KERNEL32 MSVCRT OLE32 \
                             OLEAUT32 SHELL32 SHLWAPI USER32 UXTHEME VERSION)
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    grep -qix 'KERNEL32.dll' <<<"$dlls" || fail "objdump lists no KERNEL32.dll import: $dlls"
    for dll in $dlls; do
        name=$(tr '[:lower:]' '[:upper:]' <<<"${dll%.*}")
        grep -qxF -- "$name" <<<"$allowed" ||
            fail "Lumidot.exe imports $dll, which is not a Windows system DLL"
    done

    # Explorer's "file version" is the fixed part of the version resource (after the signature
    # 0xFEEF04BD and the structure version); its "product version" is the ProductVersion string.
    signature=$(grep -obUaP '\xbd\x04\xef\xfe' "$exe" | head -n 1 | cut -d: -f1)
    if [ -z "$signature" ]; then
        fail "Lumidot.exe has no version resource"
    else
        read -r -a b <<<"$(od -An -v -tu1 -j $((signature + 8)) -N 16 "$exe")"
        word() { echo $((b[$1] + 256 * b[$1 + 1])); }
        file_version="$(word 2).$(word 0).$(word 6).$(word 4)"
        product_version="$(word 10).$(word 8).$(word 14).$(word 12)"
        [ "$file_version" = "$version" ] || fail "file version is $file_version, not $version"
        [ "$product_version" = "$version" ] ||
            fail "product version is $product_version, not $version"
    fi
    utf16() { sed 's/./&\\x00/g; s/\./\\./g' <<<"$1"; }
    for key in FileVersion ProductVersion; do
        grep -qaP "$(utf16 "$key")\\x00\\x00(\\x00\\x00)?$(utf16 "$version")\\x00\\x00" "$exe" ||
            fail "the version strings do not give $key $version"
    done
fi

for readme_source in "${readme_sources[@]}"; do
    name=$(readme_name "$readme_source")
    readme="$work/$top/$name"
    [ -f "$readme" ] || continue
    [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
        fail "$name does not start with a UTF-8 byte order mark"
    iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "$name is not valid UTF-8"
    grep -qzP '(?<!\r)\n' "$readme" && fail "$name has a line ending in LF alone"
    grep -qzP '\r(?!\n)' "$readme" && fail "$name has a CR that does not end a line"
    [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
        fail "$name does not end with CR LF"
    # The same text as the source, so the conversion lost nothing and the zip is not stale.
    tail -c +4 "$readme" | tr -d '\r' | cmp -s - <(tr -d '\r' <"$readme_source" | sed '$a\') ||
        fail "$name differs from $readme_source beyond the BOM and line ends"
    for needed in Lumidot.ini DTR RTS "$version"; do
        grep -qF -- "$needed" "$readme" || fail "$name does not mention $needed"
    done
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of $(basename "$zip") failed"
    exit 1
fi
echo "$(basename "$zip"): $(tr '\n' ' ' <<<"$expected_files")are as they should be"
