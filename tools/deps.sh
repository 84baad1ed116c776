#!/usr/bin/env bash
# Installs everything Lumidot's build and tests need on Debian 12. Run it as any user: it raises
# itself with sudo when it is not root (a fresh Debian where root logs in has no sudo at all).
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y \
    cmake make g++ googletest libgtest-dev libbenchmark-dev valgrind \
    clang libclang-rt-14-dev \
    mingw-w64 wine wine64 \
    xvfb x11-utils xdotool imagemagick fonts-ipafont-gothic \
    socat python3 zip unzip fonts-wine \
    qt6-base-dev libudev-dev pkg-config dpkg-dev \
    fcitx5 fcitx5-mozc fcitx5-frontend-qt6 mozc-server ibus ibus-mozc \
    dbus dbus-x11 at-spi2-core python3-dbus python3-gi xterm x11-xkb-utils libxtst6 \
    trayer xserver-xephyr file \
    lintian appstream desktop-file-utils qt6-tools-dev qt6-l10n-tools locales
# The Linux edition: the X tray check's build; the tests of hotplug (umockdev's fake adapters and
# udev events, played from Python), of Wayland (a headless weston) and of trays that come late.
apt-get install -y libxcb1-dev umockdev gir1.2-umockdev-1.0 weston qt6-wayland
# A GTK text field that tells of its caret over AT-SPI, for the lamp at the caret.
apt-get install -y zenity
# Input methods beyond Mozc for the Linux edition's end-to-end tests: pinyin and Hangul under
# fcitx5 and IBus, and IBus's configuration service (dconf), which those IBus engines read.
apt-get install -y \
    fcitx5-pinyin fcitx5-hangul ibus-libpinyin ibus-hangul dconf-service
# The Linux edition's end-to-end tests run a Japanese desktop, and an English one.
sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
locale-gen
