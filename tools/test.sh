#!/usr/bin/env bash
# Builds Lumidot and runs every test: the unit tests (ASan + UBSan), the Windows build (warnings
# as errors) and the check of its release zip, the fuzz run of the settings-file reader, the
# end-to-end tests of Lumidot.exe under Wine and Xvfb, and the Linux edition with its tests
# against the real fcitx5 and IBus with Mozc. Each level prints ctest's summary; the script fails
# if any level failed.
set -uo pipefail
cd "$(dirname "$0")/.."

failed=()
run() {
    echo "==== $*"
    "$@" || failed+=("$*")
}

run cmake --workflow --preset native
run cmake --workflow --preset windows
run cmake --workflow --preset release
run cmake --workflow --preset fuzz
if [ -f build/windows/Lumidot.exe ]; then
    run cmake --workflow --preset e2e
else
    failed+=("e2e (no Lumidot.exe)")
fi
run cmake --workflow --preset linux

if [ ${#failed[@]} -ne 0 ]; then
    printf 'FAILED: %s\n' "${failed[@]}"
    exit 1
fi
echo "All test levels passed."
