"""How the LED is wired (its lines, the level that lights it) and ports above COM20, on the real
Lumidot.exe: the modem log of its port shows which lines move, in which order."""
import unittest

from lumidot_e2e import IDCANCEL, IDNO, IDOK, IDYES, WM_CLOSE, LumidotTestCase, wait_for
from test_shell import ini_lines

ID_MENU_CONNECT, ID_MENU_SETTING, IDC_INTERVAL_COMBO = 1006, 1021, 1020
IDC_PORT_COMBO, IDC_PORT_NAME, IDC_LED_LINES_COMBO, IDC_LED_INVERTED_CHECK = 1007, 1026, 1027, 1028
PORTS = [f"COM{n}" for n in range(1, 21)] + ["COM23"]


class WiringTest(LumidotTestCase):
    def test_dtr_alone_lit_while_dropped_moves_only_dtr_and_the_dialog_keeps_the_wiring(self):
        ini = "[Setting]\nPortNumber=5\nUpdateTime=1\nAutoConnect=1\nLedLines=1\nLedInverted=1\n"
        with self.session(ports=[5], ini=ini) as s:
            s.ime_off()
            s.wait_lamp("dark")
            # The open raises both lines (and Wine's SetCommState raises them again, as the driver's
            # control modes say); the off state raises DTR, which it already is.
            s.sync()
            self.assertEqual(s.line_changes(5), ["open"])

            def lit_then_dark(before):
                s.ime_on()
                s.wait_lamp("bright")
                s.wait_lines(5, before + ["DTR=0"])
                s.ime_off()
                s.wait_lamp("dark")
                s.wait_lines(5, before + ["DTR=0", "DTR=1"])
            lit_then_dark(["open"])

            # the dialog shows the wiring as stored, so confirming another change keeps it
            s.command(ID_MENU_SETTING)
            dialog = s.wait_window("動作設定")
            self.assertEqual(s.drv("combo", s.control(dialog["hwnd"], IDC_LED_LINES_COMBO))["sel"], 1)
            self.assertEqual(s.drv("check", s.control(dialog["hwnd"], IDC_LED_INVERTED_CHECK))["checked"], 1)
            s.drv("combo_set", s.control(dialog["hwnd"], IDC_INTERVAL_COMBO), 1)
            s.answer(dialog, IDOK)
            wait_for(lambda: s.ini() and "UpdateTime=2" in ini_lines(s.ini()), what="the interval saved")
            self.assertEqual(ini_lines(s.ini()), ini_lines(ini.replace("UpdateTime=1", "UpdateTime=2").encode()))
            lit_then_dark(["open", "DTR=0", "DTR=1"])

            s.post(WM_CLOSE)
            s.wait_exit()
            s.wait_lines(5, ["open", "DTR=0", "DTR=1", "DTR=0", "DTR=1", "close"])
            self.assertFalse([event for event in s.line_events(5) if "RTS" in event], "RTS was touched")

    def test_the_settings_dialog_chooses_the_lines_below_the_options_and_stores_only_a_change(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nUpdateTime=1\nAutoConnect=1\n") as s:
            s.ime_off()
            s.wait_lamp("dark")
            s.command(ID_MENU_SETTING)
            dialog = s.wait_window("動作設定")
            lines = s.control(dialog["hwnd"], IDC_LED_LINES_COMBO)
            inverted = s.control(dialog["hwnd"], IDC_LED_INVERTED_CHECK)
            self.assertEqual(s.drv("combo", lines), {"count": 3, "sel": 0, "items": ["DTRとRTS", "DTRのみ", "RTSのみ"]})
            self.assertEqual(s.drv("check", inverted)["checked"], 0)
            s.screenshot("settings-dialog")
            s.drv("combo_set", lines, 2)
            s.answer(dialog, IDOK)
            wait_for(lambda: s.ini() and ini_lines(s.ini())[-1] == "LedLines=2", what="the lines saved")
            self.assertEqual(ini_lines(s.ini()),
                             ["[Setting]", "PortNumber=5", "UpdateTime=1", "AutoConnect=1", "LedLines=2"])
            self.assertEqual(s.windows(), [], "nothing asked")
            s.ime_on()
            s.wait_lamp("bright")
            s.wait_lines(5, ["open", "DTR=0", "RTS=0", "RTS=1"])
            s.sync()
            self.assertNotIn("DTR=1", s.line_events(5))

    def test_com23_is_listed_in_both_dialogs_named_chosen_and_connected(self):
        ini = "[Setting]\nPortNumber=3\nUpdateTime=2\nAutoConnect=0\n"
        with self.session(ports=[23], ini=ini, start=False) as s:
            s.add_serial_device(23, "USB Serial Port (COM23)")
            s.start()
            s.wait_lamp("dark crossed")
            s.command(ID_MENU_SETTING)
            dialog = s.wait_window("動作設定")
            combo, name = (s.control(dialog["hwnd"], i) for i in (IDC_PORT_COMBO, IDC_PORT_NAME))
            self.assertEqual(s.drv("combo", combo), {"count": 21, "sel": 2, "items": PORTS})
            self.assertEqual(s.drv("text", name)["text"], "")
            s.drv("combo_set", combo, 20)
            wait_for(lambda: s.drv("text", name)["text"] == "USB Serial Port (COM23)", what="the name")
            s.answer(dialog, IDOK)
            box = s.message_box()
            self.assertEqual(box["text"], "COM23で接続しますか？")
            s.answer(box, IDYES)
            s.wait_lines(23, ["open", "DTR=0", "RTS=0"])
            wait_for(lambda: s.ini() and "PortNumber=23" in ini_lines(s.ini()), what="COM23 saved")
            s.wait_lamp("dark")

            s.command(ID_MENU_CONNECT)
            s.answer(s.message_box(), IDYES)
            s.wait_lines(23, ["open", "DTR=0", "RTS=0", "close"])
            s.command(ID_MENU_CONNECT)
            dialog = s.wait_window("ポート接続")
            combo = s.control(dialog["hwnd"], IDC_PORT_COMBO)
            self.assertEqual(s.drv("combo", combo), {"count": 21, "sel": 20, "items": PORTS})
            self.assertEqual(s.drv("text", s.control(dialog["hwnd"], IDC_PORT_NAME))["text"],
                             "USB Serial Port (COM23)")
            s.screenshot("port-dialog")
            s.answer(dialog, IDOK)
            s.wait_lines(23, ["open", "DTR=0", "RTS=0", "close", "open", "DTR=0", "RTS=0"])
            self.assertEqual(s.open_menu()[0]["text"], "切断[COM23](&P)")
            s.close_menu()

            s.command(ID_MENU_SETTING)
            dialog = s.wait_window("動作設定")
            self.assertEqual(s.drv("combo", s.control(dialog["hwnd"], IDC_PORT_COMBO))["sel"], 20)
            s.answer(dialog, IDCANCEL)

    def test_an_unplugged_port_and_a_hand_edited_interval_survive_the_dialogs_unchanged(self):
        # a save writes plain decimal, so the leading zeros tell a saved file from the original
        with self.session(ini="[Setting]\nPortNumber=023\nUpdateTime=015\nAutoConnect=0\n") as s:
            s.wait_lamp("dark crossed", timeout=15)
            s.command(ID_MENU_SETTING)
            dialog = s.wait_window("動作設定")
            self.assertEqual(s.drv("combo", s.control(dialog["hwnd"], IDC_PORT_COMBO)),
                             {"count": 21, "sel": 20, "items": PORTS[:20] + ["COM23 (未接続)"]})
            # the narrow list cuts its item short; the line under it has the room
            self.assertEqual(s.drv("text", s.control(dialog["hwnd"], IDC_PORT_NAME))["text"], "COM23 (未接続)")
            self.assertEqual(s.drv("combo", s.control(dialog["hwnd"], IDC_INTERVAL_COMBO))["sel"], -1)
            s.answer(dialog, IDOK)
            box = s.message_box()
            self.assertEqual(box["text"], "COM23で接続しますか？")
            s.answer(box, IDNO)
            wait_for(lambda: s.ini() and "PortNumber=23" in ini_lines(s.ini()), what="the settings saved")
            self.assertEqual(ini_lines(s.ini()), ["[Setting]", "PortNumber=23", "UpdateTime=15", "AutoConnect=0"])

            s.command(ID_MENU_CONNECT)
            dialog = s.wait_window("ポート接続")
            self.assertEqual(s.drv("combo", s.control(dialog["hwnd"], IDC_PORT_COMBO))["sel"], 20)
            s.answer(dialog, IDCANCEL)


if __name__ == "__main__":
    unittest.main()
