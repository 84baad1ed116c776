#!/usr/bin/env bash
# Builds Lumidot and runs it where its lamp can be seen.
#
#   tools/run.sh windows    the Windows edition: Lumidot.exe under Wine, in a virtual desktop with a
#                           taskbar, so the lamp shows in the tray at the bottom right
#   tools/run.sh linux      the Linux edition, in a private desktop with fcitx5 and Mozc, a small
#                           tray at the bottom right and an xterm to type Japanese into
#   tools/run.sh            asks which of the two
#
# With a display (an X session), it opens there and runs until you end it (Ctrl+C, or Exit in the
# lamp's menu). Without one, it runs on a private X server, takes screenshots, says where they are
# and ends by itself.
set -euo pipefail
cd "$(dirname "$0")/.."

edition=${1:-}
edition=${edition#--}
if [ -z "$edition" ] && [ -t 0 ]; then
    read -r -p "Which edition of Lumidot? [w]indows (Lumidot.exe under Wine) or [l]inux: " edition
fi
case "$edition" in
w | windows) edition=windows ;;
l | linux) edition=linux ;;
*)
    echo "usage: tools/run.sh windows|linux" >&2
    exit 2
    ;;
esac

say() { echo "run.sh: $*"; }

# Starts an X server ("$@" is its command without the display) on a display number it picks
# itself, so nothing else on the machine is disturbed; sets $display and $server.
start_x() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    "$@" -displayfd 3 3>"$fifo" >/dev/null 2>&1 &
    server=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    display=:$number
}

headless=
if [ -z "${DISPLAY:-}" ] || { [ "$edition" = linux ] && ! command -v Xephyr >/dev/null; }; then
    headless=1
fi

if [ "$edition" = linux ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target lumidot
    run=$PWD/build/run-linux
    rm -rf "$run"
    mkdir -p "$run"
    # The session's user must reach the program and its home, also when this checkout lies in a
    # folder only its owner may enter (root's home): everything it needs goes to a folder of its own.
    stage=$(mktemp -d /tmp/lumidot-run.XXXXXX)
    chmod 755 "$stage"
    cp build/linux/lumidot tools/run-linux-session.sh "$stage/"
    mkdir "$stage/home"
    if [ -n "$headless" ]; then
        # -noreset: with its last client gone Xvfb would reset, and lose the Japanese keymap.
        start_x Xvfb -noreset -screen 0 800x600x24 -nolisten tcp
        say "no display here: Lumidot for Linux runs on a private X server ($display), with fcitx5 and Mozc."
        say "It presses 半角/全角 once, takes two screenshots and ends by itself."
    else
        start_x Xephyr -noreset -screen 800x600 -title 'Lumidot for Linux' -nolisten tcp
        say "Lumidot for Linux runs in the window 'Lumidot for Linux'. Press 半角/全角 (or Ctrl+Space)"
        say "in its xterm and the lamp at the bottom right follows. Ctrl+C or Exit in the lamp's menu ends it."
    fi
    trap 'kill $server 2>/dev/null; rm -rf "$stage"' EXIT
    trap 'exit 130' INT TERM
    # The desktop's language: Japanese menus on a Japanese desktop, English elsewhere.
    session=(env -i PATH="$PATH" HOME="$stage/home" LANG="${LANG:-C.UTF-8}" DISPLAY="$display"
             dbus-run-session -- "$stage/run-linux-session.sh" "$stage/lumidot"
             "${headless:+$stage/screenshot}")
    if [ "$(id -u)" -eq 0 ]; then
        # Mozc refuses to run as root: the session belongs to an unprivileged user.
        chown -R 65534:65534 "$stage"
        setpriv --reuid=65534 --regid=65534 --clear-groups -- "${session[@]}" || true
    else
        "${session[@]}" || true
    fi
    if [ -n "$headless" ]; then
        cp "$stage"/screenshot-*.png "$run/" 2>/dev/null || true
        say "screenshots: $run/screenshot-off.png (IME off), $run/screenshot-on.png (IME on)"
    fi
    exit 0
fi

cmake --workflow --preset windows

export WINEPREFIX="$PWD/build/run/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p build/run/app
cp build/windows/Lumidot.exe build/run/app/

if [ -n "$headless" ]; then
    start_x Xvfb -screen 0 1024x768x24 -nolisten tcp
    export DISPLAY=$display
    say "no display here: Lumidot.exe runs under Wine on a private X server ($display);"
    say "it takes a screenshot of its lamp in the tray and ends by itself."
    # wineserver -k ends this prefix's Wine processes only.
    trap 'wineserver -k 2>/dev/null; kill $server 2>/dev/null' EXIT
    trap 'exit 130' INT TERM
else
    say "Lumidot.exe runs under Wine in the window 'Lumidot'; its lamp is in the tray at the bottom"
    say "right. Right-click it for the menu; Exit ends it."
fi

if [ ! -d "$WINEPREFIX" ]; then
    say "making a Wine prefix in $WINEPREFIX (once, about a minute)"
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
if [ -n "$headless" ]; then
    sleep 8
    import -window root ../screenshot.png
    say "screenshot: build/run/screenshot.png (the lamp is at the bottom right of the desktop)"
    exit 0
fi
wait
