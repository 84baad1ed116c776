"""Lumidot as a Wayland client (QT_QPA_PLATFORM=wayland) under a headless weston. Wayland has no
XEmbed tray to fall back on: the lamp comes only through a StatusNotifierItem host, here one that
starts after the program. The input method is switched by keys in an X terminal of the same session,
as an XWayland program's would be."""
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for


class WaylandTest(LinuxTestCase):
    def test_the_tray_item_registers_when_the_host_comes_and_the_led_follows_the_ime(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n"
        with self.session(ports=["led"], ini=ini, start=False) as s:
            s.wayland()
            s.tray_host(False)
            s.start(wait=False)
            s.wait_lines("led", CONNECTED)
            s.tray_host(True)
            wait_for(lambda: s.items(s.pid), 10, what="the tray item")
            s.focus_typing()
            s.wait_lamp("dark")
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", CONNECTED + ON)
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("dark")
            s.wait_lines("led", CONNECTED + ON + OFF)


if __name__ == "__main__":
    unittest.main()
