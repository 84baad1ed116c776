"""The harness's own proof: imeprobe, the smallest Qt tray program over ImeStatus, against the real
fcitx5 + Mozc and IBus + Mozc, switched by real key presses."""
import unittest

from lumidot_linux import OFF, ON, PROBE, LinuxTestCase


class ProbeTest(LinuxTestCase):
    def session(self, framework):
        return super().session(framework=framework, ports=["led"], program=PROBE, args=["--period", "100", "{led}"],
                               a11y=False)

    def quit_from_menu(self, s, lines):
        s.click_menu("終了")
        self.assertEqual(s.wait_exit(), 0)
        s.wait_lines("led", lines + ["close"])

    def test_fcitx5_zenkaku_hankaku_switches_lamp_and_lines(self):
        with self.session("fcitx5") as s:
            s.wait_lamp("dark")
            s.wait_lines("led", ["open"] + OFF)
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", ["open"] + OFF + ON)
            self.assertEqual((s.fcitx_state(), s.tooltip()), (2, "IME オン"))
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("dark")
            s.wait_lines("led", ["open"] + OFF + ON + OFF)
            self.quit_from_menu(s, ["open"] + OFF + ON + OFF)

    def test_ibus_mozc_modes_switch_lamp_and_lines_and_show_alphanumeric(self):
        with self.session("ibus") as s:
            s.wait_lamp("dark")
            s.wait_lines("led", ["open"] + OFF)
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", ["open"] + OFF + ON)
            s.wait_ibus_mode("あ")
            self.assertEqual(s.tooltip(), "IME オン")
            # Mozc's half-width alphanumeric mode is still on: the lamp stays lit, the lines stay up
            s.key("Eisu_toggle")
            s.wait_ibus_mode("_A")
            s.wait_tooltip("IME オン (英数)")
            self.assertEqual(s.lamp(), "bright")
            s.key("Zenkaku_Hankaku")
            s.wait_ibus_mode("A")
            s.wait_lamp("dark")
            s.wait_lines("led", ["open"] + OFF + ON + OFF)
            self.quit_from_menu(s, ["open"] + OFF + ON + OFF)


if __name__ == "__main__":
    unittest.main()
