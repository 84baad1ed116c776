"""Lumidot as a Wayland client (QT_QPA_PLATFORM=wayland) under a headless weston. Wayland has no
XEmbed tray to fall back on: the lamp comes only through a StatusNotifierItem host, here one that
starts after the program. The input method is switched by keys in an X terminal of the same session,
as an XWayland program's would be."""
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for

CARET_LAMP_HINT = "Waylandではウィンドウの位置を決められないため、入力位置にランプを表示できません"


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
            # no window may be placed: the lamp at the caret is greyed out, and the dialog says why
            s.click_menu("設定(&S)")
            dialog = s.dialog("動作設定")
            self.assertIn(CARET_LAMP_HINT, dialog["texts"])
            cancel = next(node for label, node in dialog["buttons"].items() if label.startswith("ｷｬﾝｾﾙ"))
            s.call("a11y_action", bus_name=cancel["bus"], path=cancel["path"])


if __name__ == "__main__":
    unittest.main()
