#!/usr/bin/env bash
# Builds Lumidot.exe and runs it under Wine in a virtual desktop with a taskbar, so the lamp shows
# in the tray at the bottom right. Uses the current X display, or a private Xvfb when there is
# none (then a screenshot is written to build/run/screenshot.png after a few seconds).
#
# tools/run.sh --linux builds the Linux edition and runs it in a private desktop (a Xephyr window
# on the current display, or a private Xvfb with screenshots in build/run-linux/) with fcitx5 and
# Mozc running, a small tray at the bottom right and an xterm to type Japanese into.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--linux" ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target lumidot
    run=$PWD/build/run-linux
    rm -rf "$run/home"
    mkdir -p "$run/home"
    display=:78
    if [ -n "${DISPLAY:-}" ] && command -v Xephyr >/dev/null; then
        Xephyr "$display" -noreset -screen 800x600 -title 'Lumidot for Linux' -nolisten tcp &
        shot=
    else
        # -noreset: with its last client gone Xvfb would reset, and lose the Japanese keymap.
        Xvfb "$display" -noreset -screen 0 800x600x24 -nolisten tcp &
        shot=$run/home/screenshot
    fi
    server=$!
    trap 'kill $server 2>/dev/null' EXIT
    trap 'exit 130' INT TERM
    sleep 1
    session=(env -i PATH="$PATH" HOME="$run/home" LANG=C.UTF-8 DISPLAY="$display"
             dbus-run-session -- tools/run-linux-session.sh "$PWD/build/linux/lumidot" "$shot")
    if [ "$(id -u)" -eq 0 ]; then
        # Mozc refuses to run as root: the session belongs to an unprivileged user.
        chown -R 65534:65534 "$run/home"
        chmod 755 "$run"
        setpriv --reuid=65534 --regid=65534 --clear-groups -- "${session[@]}" &
    else
        "${session[@]}" &
    fi
    if [ -n "$shot" ]; then
        sleep 12
        echo "Lumidot for Linux runs headless; screenshots: $shot-off.png, $shot-on.png. Ctrl+C ends it."
    fi
    wait
    exit 0
fi

cmake --workflow --preset windows

export WINEPREFIX="$PWD/build/run/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p build/run/app
cp build/windows/Lumidot.exe build/run/app/

if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:77
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp &
    xvfb_pid=$!
    trap 'wineserver -k 2>/dev/null; kill $xvfb_pid 2>/dev/null' EXIT
    trap 'exit 130' INT TERM
    sleep 1
    headless=1
fi

if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i
    # Wine draws Japanese only with a Japanese font standing in for the Windows ones, and the
    # caption buttons only with Marlett.
    for font in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" "ＭＳ Ｐゴシック"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAPGothic /f >/dev/null
    done
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -w
fi
cd build/run/app
wine explorer /desktop=Lumidot,800x600 Lumidot.exe &
if [ -n "${headless:-}" ]; then
    sleep 8
    import -window root ../screenshot.png
    echo "Lumidot runs headless; screenshot: build/run/screenshot.png. Ctrl+C ends it."
fi
wait
