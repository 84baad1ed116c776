"""Lumidot for Linux against the real thing: fcitx5 or IBus with Mozc switched by real keys, the tray
menu and dialogs driven as a person would, the LED lines of a pseudo-terminal."""
import os
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for


class LumidotTest(LinuxTestCase):
    def answer(self, s, text, button):
        """Waits for the message box asking text and presses the button whose label starts so."""
        box = s.dialog("lumidot")
        self.assertIn(text, box["texts"])
        s.click(next(node for label, node in box["buttons"].items() if label.startswith(button)))

    def exit_from_menu(self, s):
        s.click_menu("終了(&X)")
        self.answer(s, "終了しますか？", "はい")
        self.assertEqual(s.wait_exit(), 0)

    def test_fcitx5_mozc_real_keys_switch_the_lamp_and_the_led(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n"
        with self.session(framework="fcitx5", ports=["led"], ini=ini) as s:
            s.focus_typing()
            s.wait_lamp("dark")
            s.wait_lines("led", CONNECTED)
            # connected at start, before any command: the menu says so as it opens
            name = s.pty["led"].rsplit("/", 1)[1]
            self.assertEqual(s.menu()[0]["label"], f"切断[{name}](&P)")
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", CONNECTED + ON)
            self.assertEqual((s.fcitx_state(), s.tooltip()), (2, "IME ON"))
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("dark")
            s.wait_lines("led", CONNECTED + ON + OFF)
            self.exit_from_menu(s)
            s.wait_lines("led", CONNECTED + ON + OFF + ["close"])

    def test_ibus_mozc_alphanumeric_input_counts_as_off_with_the_option(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=10\nAutoConnect=1\nAlnumOff=1\n"
        with self.session(framework="ibus", ports=["led"], ini=ini) as s:
            s.focus_typing()
            s.wait_lamp("dark")
            # IBus tells of its changes: the LED follows at once, not at the next poll (1 s)
            s.key("Zenkaku_Hankaku")
            s.wait_ibus_mode("あ")
            s.wait_lamp("bright")
            s.wait_lines("led", CONNECTED + ON)
            s.key("Eisu_toggle")
            s.wait_ibus_mode("_A")
            s.wait_lamp("dark")
            s.wait_lines("led", CONNECTED + ON + OFF)

    def test_menu_connects_disconnects_configures_and_keeps_the_file_line_for_line(self):
        ini = "; by hand\n[Other]\nKey=Value\n\n[Setting]\nPortDevice={led}\nUpdateTime=02\n"
        with self.session(ports=["led"], ini=ini) as s:
            s.wait_lamp("dark crossed")
            labels = [entry["label"] for entry in s.menu()]
            self.assertEqual(labels, ["接続(&P)", "", "設定(&S)", "", "このプログラムについて(&A)", "終了(&X)"])

            # the configured device is offered and preselected
            s.click_menu("接続(&P)")
            dialog = s.dialog("ポート接続")
            self.assertIn("LED接続ポート番号", dialog["texts"])
            s.click(dialog["buttons"]["OK"])
            s.wait_lines("led", CONNECTED)
            s.wait_lamp("dark")
            name = s.pty["led"].rsplit("/", 1)[1]
            self.assertEqual(s.menu()[0]["label"], f"切断[{name}](&P)")

            s.click_menu(f"切断[{name}](&P)")
            self.answer(s, "ポートを閉じますか？", "はい")
            s.wait_lines("led", CONNECTED + ["close"])
            s.wait_lamp("dark crossed")

            # a second instance ends at once and leaves the first alone
            second = s.start(wait=False)
            self.assertEqual(s.wait_exit(pid=second), 0)
            self.assertEqual(len(s.items()), 1)

            s.click_menu("設定(&S)")
            dialog = s.dialog("動作設定")
            s.click(dialog["buttons"]["OK"])
            self.answer(s, f"{name}で接続しますか？", "いいえ")
            wait_for(lambda: s.ini() and b"UpdateTime=2" in s.ini(), what="the settings saved")
            kept = s.ini().decode().splitlines()
            self.assertEqual(kept[:5], ["; by hand", "[Other]", "Key=Value", "", "[Setting]"])

            s.click_menu("このプログラムについて(&A)")
            about = s.dialog("ﾀﾞｲｱﾛｸﾞ")
            self.assertTrue(any(t.startswith("Lumidot Version1.00") for t in about["texts"]), about["texts"])
            s.click(about["buttons"]["OK"])
            self.exit_from_menu(s)

    def test_an_unplugged_adapter_stays_configured_when_the_settings_are_confirmed(self):
        gone = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"
        with self.session(ini=f"[Setting]\nPortDevice={gone}\nUpdateTime=5\n") as s:
            s.wait_lamp("dark crossed")
            s.click_menu("設定(&S)")
            dialog = s.dialog("動作設定")
            # preselected and marked as not there (a combo box is named by what it shows)
            self.assertTrue(s.find(dialog["node"], "combo box", "usb-FTDI_FT232R_A50285BI-if00-port0 (未接続)"))
            s.click(dialog["buttons"]["OK"])
            self.answer(s, "usb-FTDI_FT232R_A50285BI-if00-port0で接続しますか？", "いいえ")
            wait_for(lambda: s.ini() and b"UpdateTime" in s.ini(), what="the settings saved")
            self.assertIn(f"PortDevice={gone}".encode(), s.ini())

    def test_a_port_refused_at_start_up_is_explained_once_and_not_in_a_box(self):
        with self.session(ports=["led"], ini="[Setting]\nPortDevice={led}\nAutoConnect=1\n", start=False) as s:
            # the device as udev makes a USB adapter's: root's, read and written by dialout
            node = os.path.realpath(s.pty["led"])
            os.chown(node, 0, 20)
            os.chmod(node, 0o660)
            s.start()
            s.wait_lamp("dark crossed")
            wait_for(lambda: "dialoutグループに参加して" in s.log(), what="the way out on stderr")
            self.assertEqual(s.log().count("ポートが開けません."), 1)
            self.assertEqual(s.windows(), [])


if __name__ == "__main__":
    unittest.main()
