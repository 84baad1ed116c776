"""The "動作設定" dialog of the real Lumidot.exe: poll interval, LED port and auto-connect."""
import time
import unittest

from lumidot_e2e import IDCANCEL, IDNO, IDOK, IDYES, LumidotTestCase, wait_for
from test_shell import ini_lines

ID_MENU_SETTING = 1021
IDC_INTERVAL_COMBO, IDC_PORT_COMBO, IDC_AUTOCONNECT_CHECK = 1020, 1007, 1023


class SettingsTest(LumidotTestCase):
    def settings_dialog(self, s, interval, port, checked):
        """Runs the settings command and checks what the dialog shows; returns it with its controls."""
        s.command(ID_MENU_SETTING)
        dialog = s.wait_window("動作設定")
        ids = (IDC_INTERVAL_COMBO, IDC_PORT_COMBO, IDC_AUTOCONNECT_CHECK)
        controls = dict(zip(ids, (s.control(dialog["hwnd"], i) for i in ids)))
        shown = (s.drv("combo", controls[IDC_INTERVAL_COMBO])["sel"], s.drv("combo", controls[IDC_PORT_COMBO])["sel"],
                 s.drv("check", controls[IDC_AUTOCONNECT_CHECK])["checked"])
        self.assertEqual(shown, (interval, port, checked))
        return dialog, controls

    def saved(self, s, *lines):
        wait_for(lambda: s.ini() and ini_lines(s.ini()) == ["[Setting]", *lines], what=f"the file to hold {lines}")

    def test_interval_change_while_connected_asks_nothing_and_sets_the_tick_rate(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nUpdateTime=10\nAutoConnect=1\n") as s:
            def tick_rate():
                ticks, start = s.ticks(), time.monotonic()
                time.sleep(2)
                return (s.ticks() - ticks) / (time.monotonic() - start)

            s.ime_off()
            s.wait_lamp("dark", timeout=15)
            slow = tick_rate()
            dialog, controls = self.settings_dialog(s, interval=9, port=4, checked=1)
            self.assertEqual(s.drv("combo", controls[IDC_INTERVAL_COMBO])["items"],
                             [f"{n}00msec" for n in range(1, 11)])
            s.drv("combo_set", controls[IDC_INTERVAL_COMBO], 0)
            s.answer(dialog, IDOK)
            self.saved(s, "PortNumber=5", "UpdateTime=1", "AutoConnect=1")
            self.assertEqual(s.windows(), [], "nothing asked")
            # 10 ticks a second against 1: a loaded machine may lose some, never most
            self.assertGreater(tick_rate(), 3 * slow)
            self.assertNotIn("close", s.line_events(5))
            self.assertEqual(s.lamp("after"), "dark")

    def test_confirming_while_disconnected_asks_to_connect_and_saves_either_way(self):
        # a save writes plain decimal, so the leading zero tells a saved file from the original
        with self.session(ports=[5], ini="[Setting]\nPortNumber=05\nUpdateTime=2\nAutoConnect=0\n") as s:
            s.wait_lamp("dark crossed")
            for answer, lines in ((IDNO, []), (IDYES, ["open", "DTR=0", "RTS=0"])):
                dialog, _ = self.settings_dialog(s, interval=1, port=4, checked=0)
                s.answer(dialog, IDOK)
                box = s.message_box()
                self.assertEqual((box["text"], sorted(box["buttons"])), ("COM5で接続しますか？", [IDYES, IDNO]))
                s.answer(box, answer)
                self.saved(s, "PortNumber=5", "UpdateTime=2", "AutoConnect=0")
                self.assertEqual(s.line_changes(5), lines)
                (s.app / "Lumidot.ini").unlink()
            s.wait_lamp("dark")

    def test_declining_the_reconnect_keeps_the_old_port_open_under_the_new_number(self):
        with self.session(ports=[5, 6], ini="[Setting]\nPortNumber=5\nUpdateTime=2\nAutoConnect=1\n") as s:
            s.ime_off()
            s.wait_lamp("dark")
            dialog, controls = self.settings_dialog(s, interval=1, port=4, checked=1)
            s.drv("combo_set", controls[IDC_PORT_COMBO], 5)
            s.answer(dialog, IDOK)
            box = s.message_box()
            self.assertEqual(box["text"], "COM6で接続しなおしますか？")
            s.answer(box, IDNO)
            self.saved(s, "PortNumber=6", "UpdateTime=2", "AutoConnect=1")
            self.assertNotIn("close", s.line_events(5))
            self.assertEqual(s.line_events(6), [])
            self.assertEqual(s.open_menu()[0]["text"], "切断[COM6](&P)")
            s.close_menu()

    def test_dialog_shows_what_is_stored_cancel_keeps_everything_and_the_box_stores_its_state(self):
        ini = "[Setting]\nPortNumber=5\nUpdateTime=12\nAutoConnect=1\n"
        with self.session(ports=[5], ini=ini) as s:
            s.ime_off()
            s.wait_lamp("dark", timeout=15)
            before = s.ini(), s.line_events(5)
            dialog, _ = self.settings_dialog(s, interval=-1, port=4, checked=1)
            s.answer(dialog, IDCANCEL)
            # two ticks later: nothing asked, written, closed or re-applied
            ticks = s.ticks()
            wait_for(lambda: s.ticks() >= ticks + 2, what="two more ticks")
            self.assertEqual(s.windows(), [])
            self.assertEqual((s.ini(), s.line_events(5)), before)

            dialog, controls = self.settings_dialog(s, interval=-1, port=4, checked=1)
            s.drv("combo_set", controls[IDC_INTERVAL_COMBO], 2)
            s.drv("check_set", controls[IDC_AUTOCONNECT_CHECK], 0)
            s.answer(dialog, IDOK)
            self.saved(s, "PortNumber=5", "UpdateTime=3", "AutoConnect=0")
            dialog, controls = self.settings_dialog(s, interval=2, port=4, checked=0)
            s.drv("check_set", controls[IDC_AUTOCONNECT_CHECK], 1)
            s.answer(dialog, IDOK)
            self.saved(s, "PortNumber=5", "UpdateTime=3", "AutoConnect=1")


if __name__ == "__main__":
    unittest.main()
