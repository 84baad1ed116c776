#!/usr/bin/env bash
# The inside of `tools/run.sh linux`: one desktop session on $DISPLAY with fcitx5 and Mozc, a
# small XEmbed tray (trayer), an xterm to type Japanese into, and Lumidot. Runs as the user the
# session belongs to, inside its own D-Bus session (dbus-run-session). Ends when Lumidot ends; with
# a screenshot path given (headless), it takes two screenshots and then ends Lumidot itself.
set -euo pipefail
lumidot=$1
shot=${2:-}

mkdir -p "$HOME/.config/fcitx5"
cat > "$HOME/.config/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=jp
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-jp
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
PROFILE
# Zenkaku_Hankaku or Control+space switch the IME; the default Shift_L would switch methods.
cat > "$HOME/.config/fcitx5/config" <<'CONFIG'
[Hotkey/TriggerKeys]
0=Control+space
1=Zenkaku_Hankaku

[Hotkey/AltTriggerKeys]

[Behavior]
ShareInputState=No
CONFIG

# Every process of this session carries the mark, also mozc_server, which daemonises and outlives
# fcitx5: at the end the ones still running are ended by their pids, never by name.
mark=LUMIDOT_RUN_SESSION=$$-$RANDOM
export "${mark?}"
end_session() {
    local environ pid
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        [ "$pid" != $$ ] && tr '\0' '\n' 2>/dev/null <"$environ" | grep -qxF "$mark" &&
            kill "$pid" 2>/dev/null
    done
    return 0
}
trap end_session EXIT

# A plain X server knows no Japanese keys until it has the keymap.
setxkbmap -model jp106 -layout jp
export XMODIFIERS=@im=fcitx QT_IM_MODULE=fcitx GTK_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb
fcitx5 --disable=notificationitem,notifications >/dev/null 2>&1 &
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
sleep 2
xterm -title 'Lumidot: press 半角/全角 (or Ctrl+Space) here' -geometry 70x12+20+20 \
      -xrm 'XTerm*inputMethod: fcitx' &
sleep 1
"$lumidot" &
lumidot_pid=$!

if [ -n "$shot" ]; then
    # Headless: show the lamp off, then on after a real key press in the xterm, then end.
    sleep 4
    xdotool search --name 'Lumidot: press' windowfocus --sync 2>/dev/null || true
    import -window root "$shot-off.png"
    xdotool key Zenkaku_Hankaku
    sleep 2
    import -window root "$shot-on.png"
    kill "$lumidot_pid"
fi
wait "$lumidot_pid" || true
