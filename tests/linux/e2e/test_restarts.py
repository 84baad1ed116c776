"""Lumidot keeps following the input method when it restarts under it: fcitx5 replaced (fcitx5 -r)
and killed and started again, the tray host that shows fcitx5's item restarted, and `ibus restart`
(with IBus started after Lumidot). Lumidot itself runs on; after each restart the lamp and the LED
follow real keys again. How long that took is printed: the wait is the default, the aim 3 s."""
import time
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase


class RestartTest(LinuxTestCase):
    def session(self, framework, ini):
        return super().session(framework=framework, ports=["led"], ini=ini, ime=False, start=False, a11y=False)

    def followed(self, s, what, restart, keys, lamp, lines):
        """After restart() (which returns once the input method serves the typing window again),
        keys switch the lamp; lines are the LED's changes from the restart on."""
        mark = len(s.line_events("led"))
        begun = time.monotonic()
        restart()
        back = time.monotonic()
        s.key(*keys)
        s.wait_lamp(lamp)
        s.wait_lines("led", lines, since=mark)
        print(f"{what}: the input method back after {back - begun:.2f} s, "
              f"followed {time.monotonic() - back:.2f} s later")

    def test_fcitx5_replaced_killed_and_its_tray_host_restarted(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=10\nAutoConnect=1\nAlnumOff=1\n"
        with self.session("fcitx5", ini) as s:
            s.call("fcitx5_group", 90, items=["keyboard-jp", "mozc"], active="mozc", tray=True)
            s.xterm()
            s.start()
            s.wait_lines("led", CONNECTED)
            s.press(["Zenkaku_Hankaku"], "bright", ON)

            def restart(how):
                s.call("fcitx5_restart", 90, how=how)
                s.call("new_typing_window", 90)
                s.wait_lamp("dark")
            self.followed(s, "fcitx5 -r", lambda: restart("replace"), ["Zenkaku_Hankaku"], "bright", OFF + ON)
            self.followed(s, "fcitx5 killed", lambda: restart("kill"), ["Zenkaku_Hankaku"], "bright", OFF + ON)
            # the new fcitx5's tray item tells Mozc's mode
            s.press(["Eisu_toggle"], "dark", OFF)
            self.followed(s, "tray host", lambda: s.call("restart_tray_host", 10), ["Hiragana_Katakana"],
                          "bright", ON)
            s.press(["Eisu_toggle"], "dark", OFF)

    def test_ibus_started_after_lumidot_and_restarted(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=10\nAutoConnect=1\n"
        with self.session("ibus", ini) as s:
            s.start()
            s.wait_lines("led", CONNECTED)
            s.call("ibus_engine_start", 90, engine="mozc-jp")
            s.xterm()
            s.wait_lamp("dark")
            s.press(["Zenkaku_Hankaku"], "bright", ON)

            def restart():
                # the desktop sets its engine again on the new daemon
                s.call("ibus_restart", 90)
                s.call("ibus_engine", 30, engine="mozc-jp")
                s.call("new_typing_window", 90)
                s.wait_lamp("dark")
            self.followed(s, "ibus restart", restart, ["Zenkaku_Hankaku"], "bright", OFF + ON)


if __name__ == "__main__":
    unittest.main()
