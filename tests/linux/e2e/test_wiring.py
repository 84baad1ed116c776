"""How the LED is wired, on Lumidot for Linux: the lines of a pseudo-terminal that ptyemu logs show
which of them move, in which order."""
import unittest

from lumidot_linux import LinuxTestCase, wait_for


class WiringTest(LinuxTestCase):
    def test_dtr_alone_lit_while_dropped_moves_only_dtr_and_the_dialog_keeps_the_wiring(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\nLedLines=1\nLedInverted=1\n"
        with self.session(framework="fcitx5", ports=["led"], ini=ini) as s:
            s.focus_typing()
            s.wait_lamp("dark")
            # The open raises both lines; the off state raises DTR, which it already is.
            s.wait_lines("led", ["open"])
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", ["open", "DTR=0"])
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("dark")
            s.wait_lines("led", ["open", "DTR=0", "DTR=1"])

            # shown as stored, so that OK stores it again
            s.click_menu("設定(&S)")
            dialog = s.dialog("動作設定")
            self.assertIn("LEDの信号線", dialog["texts"])
            s.click(dialog["buttons"]["OK"])
            wait_for(lambda: s.ini() and b"PortNumber=" in s.ini(), what="the settings saved")
            self.assertIn(b"LedLines=1\nLedInverted=1\n", s.ini())

            # ended while lit: the port is let go with DTR raised, the LED dark
            s.focus_typing()
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.click_menu("終了(&X)")
            box = s.dialog("lumidot")
            s.click(next(node for label, node in box["buttons"].items() if label.startswith("はい")))
            self.assertEqual(s.wait_exit(), 0)
            s.wait_lines("led", ["open", "DTR=0", "DTR=1", "DTR=0", "DTR=1", "close"])
            self.assertFalse([event for event in s.line_events("led") if "RTS" in event], "RTS was touched")


if __name__ == "__main__":
    unittest.main()
