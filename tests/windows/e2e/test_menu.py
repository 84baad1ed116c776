"""The tray menu, connecting and disconnecting the LED port, and exit, on the real Lumidot.exe."""
import unittest

from lumidot_e2e import IDNO, IDOK, IDYES, LumidotTestCase, wait_for
from test_shell import ini_lines

WM_LBUTTONUP, WM_LBUTTONDBLCLK = 0x0202, 0x0203
ID_MENU_CONNECT, ID_MENU_EXIT = 1006, 1001
IDC_PORT_COMBO = 1007


def menu(first):
    return [{"id": ID_MENU_CONNECT, "text": first}, {"id": 0, "text": ""}, {"id": 1021, "text": "設定(&S)"},
            {"id": 0, "text": ""}, {"id": 32771, "text": "このプログラムについて(&A)"},
            {"id": ID_MENU_EXIT, "text": "終了(&X)"}]


class MenuTest(LumidotTestCase):
    def port_dialog(self, s, selected):
        """Runs the connect command; checks the dialog's list and selection; returns (dialog, combo)."""
        s.command(ID_MENU_CONNECT)
        dialog = s.wait_window("ポート接続")
        combo = s.control(dialog["hwnd"], IDC_PORT_COMBO)
        self.assertEqual(s.drv("combo", combo),
                         {"count": 20, "sel": selected, "items": [f"COM{n}" for n in range(1, 21)]})
        return dialog, combo

    def test_menu_names_the_port_state_and_disconnecting_asks_first(self):
        # any save would drop the leading zero
        ini = "[Setting]\nPortNumber=5\nUpdateTime=02\nAutoConnect=1\n"
        with self.session(ports=[5], ini=ini) as s:
            s.ime_off()
            s.wait_lamp("dark")
            for click in (WM_LBUTTONUP, WM_LBUTTONDBLCLK):
                s.tray(click)
            s.sync()
            self.assertEqual(s.windows(), [], "only releasing the right button opens the menu")

            self.assertEqual(s.open_menu(), menu("切断[COM5](&P)"))
            s.screenshot("menu-connected")
            s.close_menu()

            # No: the port stays open, yet the next tick writes both lines again (the IME stayed off)
            s.command(ID_MENU_CONNECT)
            box = s.message_box()
            self.assertEqual((box["text"], sorted(box["buttons"])), ("ポートを閉じますか？", [IDYES, IDNO]))
            mark = len(s.line_events(5))
            s.answer(box, IDNO)
            wait_for(lambda: s.line_events(5)[mark:] == ["unchanged", "unchanged"], what="the lines re-applied")
            s.sync()
            self.assertEqual(s.windows(), [])
            self.assertEqual(s.lamp("after-no"), "dark")

            # Yes: closed with the lines as they were; disconnecting writes no settings
            s.command(ID_MENU_CONNECT)
            box = s.message_box()
            mark = len(s.line_events(5))
            s.answer(box, IDYES)
            wait_for(lambda: s.line_events(5)[mark:] == ["close"], what="the port closed")
            s.wait_lamp("dark crossed")
            self.assertEqual(s.ini(), ini.replace("\n", "\r\n").encode())
            self.assertEqual(s.open_menu(mouse=True), menu("接続(&P)"))
            s.screenshot("menu-disconnected")
            s.close_menu()

    def test_connect_keeps_a_busy_port_for_next_time_and_drives_the_lines_of_the_one_it_opens(self):
        with self.session(ports=[5, 7], ini="[Setting]\nPortNumber=3\nUpdateTime=2\nAutoConnect=0\n") as s:
            # Lumidot's own windows, its dialogs included, read its IME as on from here
            s.ime_on()
            s.wait_lamp("bright crossed")
            s.hold_port(5)
            dialog, combo = self.port_dialog(s, selected=2)
            s.drv("combo_set", combo, 4)
            s.answer(dialog, IDOK)
            box = s.message_box()
            self.assertEqual((box["text"], list(box["buttons"])), ("ポートが開けません.", [IDOK]))
            s.answer(box, IDOK)
            wait_for(lambda: "PortNumber=5" in ini_lines(s.ini()), what="the busy port saved")
            self.assertEqual(s.line_events(5)[-1], "busy")
            self.assertEqual(s.windows(), [])
            s.wait_lamp("bright crossed")

            dialog, combo = self.port_dialog(s, selected=4)
            s.drv("combo_set", combo, 6)
            s.answer(dialog, IDOK)
            wait_for(lambda: s.line_changes(7) == ["open", "DTR=0", "RTS=0"],
                     what="COM7 opened with both lines dropped")
            # where the foreground goes when the dialog ends is Wine's choice: put Lumidot's in front
            s.ime_on()
            s.wait_lamp("bright")
            wait_for(lambda: s.line_changes(7)[3:] == ["DTR=1", "RTS=1"], what="COM7's lines raised")
            self.assertEqual(ini_lines(s.ini()), ["[Setting]", "PortNumber=7", "UpdateTime=2", "AutoConnect=0"])
            self.assertEqual(s.windows(), [])

    def test_port_dialog_refuses_other_commands_and_an_unlisted_port_stores_zero(self):
        # above any number Windows gives a port, so not even listed as an unplugged one
        with self.session(ini="[Setting]\nPortNumber=300\nUpdateTime=2\n") as s:
            s.wait_lamp("dark crossed")
            dialog, _ = self.port_dialog(s, selected=-1)
            for poke in (s.tray, lambda: s.command(ID_MENU_CONNECT), lambda: s.command(ID_MENU_EXIT)):
                s.ime_off()  # another program's window in front
                wait_for(lambda: s.drv("foreground")["hwnd"] != dialog["hwnd"], what="the dialog behind")
                poke()
                s.sync()
                self.assertEqual([w["text"] for w in s.windows()], ["ポート接続"], "no menu, no question")
                wait_for(lambda: s.drv("foreground")["hwnd"] == dialog["hwnd"], what="the dialog in front")

            s.answer(dialog, IDOK)
            box = s.message_box()
            self.assertEqual(box["text"], "ポートが開けません.")
            s.answer(box, IDOK)
            wait_for(lambda: s.ini() and "PortNumber=0" in ini_lines(s.ini()), what="port 0 saved")
            s.wait_lamp("dark crossed")

    def test_exit_asks_then_removes_the_icon_closes_the_port_and_saves(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nAutoConnect=1\n") as s:
            s.ime_off()
            s.wait_lamp("dark")
            s.command(ID_MENU_EXIT)
            box = s.message_box()
            self.assertEqual((box["text"], sorted(box["buttons"])), ("終了しますか？", [IDYES, IDNO]))
            s.answer(box, IDNO)
            s.sync()
            self.assertIsNone(s.lumidot.poll())
            self.assertEqual(s.windows(), [])
            self.assertNotIn("close", s.line_events(5))
            self.assertEqual(s.lamp("after-no"), "dark")

            s.command(ID_MENU_EXIT)
            s.answer(s.message_box(), IDYES)
            s.wait_exit()
            self.assertEqual(s.lamp("after-exit"), "none")
            self.assertEqual(s.line_events(5)[-1], "close")
            self.assertEqual(sorted(ini_lines(s.ini())), ["AutoConnect=1", "PortNumber=5", "UpdateTime=5", "[Setting]"])

    def test_unplugged_adapter_is_let_go_and_reconnected_on_arrival_unless_the_user_disconnected(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nUpdateTime=1\nAutoConnect=1\n") as s:
            s.ime_on()
            s.wait_lamp("bright")
            s.unplug()
            s.ime_off()
            s.wait_lamp("dark crossed")
            self.assertEqual(s.line_events(5)[-1], "close")
            self.assertEqual(s.windows(), [], "losing the adapter asks nothing")

            mark = len(s.line_events(5))
            s.plug_in(5)
            s.wait_lamp("dark")
            s.ime_on()
            s.wait_lamp("bright")
            wait_for(lambda: s.line_changes(5, mark) == ["open", "DTR=0", "RTS=0", "DTR=1", "RTS=1"],
                     what="the lines following the IME again")

            s.command(ID_MENU_CONNECT)
            s.answer(s.message_box(), IDYES)
            wait_for(lambda: s.line_events(5)[-1] == "close", what="the user's disconnect")
            mark = len(s.line_events(5))
            s.plug_in(5)  # handled before the driver answers
            self.assertEqual(s.line_events(5)[mark:], [], "reconnected after the user's own disconnect")


if __name__ == "__main__":
    unittest.main()
