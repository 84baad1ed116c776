"""What the LED means: alphanumeric input counted as off, and starting with Windows."""
import unittest

from lumidot_e2e import (IDNO, IDOK, IME_CMODE_ALPHANUMERIC, IME_CMODE_FULLSHAPE, IME_CMODE_NATIVE,
                         LumidotTestCase, wait_for)
from test_shell import ini_lines

ID_MENU_SETTING = 1021
IDC_ALNUM_OFF_CHECK, IDC_START_AT_LOGIN_CHECK = 1024, 1025


class TypingTest(LumidotTestCase):
    def confirm_settings(self, s, control_id, checked, *, expect_shown):
        """Opens the settings dialog, checks what box control_id shows, sets it and presses OK."""
        s.command(ID_MENU_SETTING)
        dialog = s.wait_window("動作設定")
        box = s.control(dialog["hwnd"], control_id)
        self.assertEqual(s.drv("check", box)["checked"], expect_shown)
        s.drv("check_set", box, checked)
        s.answer(dialog, IDOK)

    def test_with_the_option_alphanumeric_input_turns_the_lamp_and_the_led_off(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nUpdateTime=1\nAutoConnect=1\n") as s:
            s.ime_on()
            s.ime_mode(IME_CMODE_ALPHANUMERIC)
            s.wait_lamp("bright")  # without the option an open IME is on, whatever it types
            wait_for(lambda: s.line_changes(5)[3:] == ["DTR=1", "RTS=1"], what="the LED lit")

            self.confirm_settings(s, IDC_ALNUM_OFF_CHECK, 1, expect_shown=0)
            wait_for(lambda: s.ini() and "AlnumOff=1" in ini_lines(s.ini()), what="the option saved")
            s.ime_on()
            s.wait_lamp("dark")
            wait_for(lambda: s.line_changes(5)[5:] == ["DTR=0", "RTS=0"], what="the LED dark")

            s.ime_mode(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE)  # hiragana
            s.wait_lamp("bright")
            wait_for(lambda: s.line_changes(5)[7:] == ["DTR=1", "RTS=1"], what="the LED lit again")

    def test_starting_with_windows_writes_this_exe_to_the_run_key_and_removes_it(self):
        with self.session() as s:
            s.wait_lamp("dark crossed")
            exe = "Z:" + str(s.app / "Lumidot.exe").replace("/", "\\")
            s.set_run_entry('"C:\\Old\\Lumidot.exe"')  # a copy that was moved away
            self.confirm_settings(s, IDC_START_AT_LOGIN_CHECK, 1, expect_shown=0)
            s.answer(s.message_box(), IDNO)  # the question to connect
            wait_for(lambda: (s.run_entry() or "").lower() == f'"{exe}"'.lower(), what="the Run value")

            self.confirm_settings(s, IDC_START_AT_LOGIN_CHECK, 0, expect_shown=1)
            s.answer(s.message_box(), IDNO)
            wait_for(lambda: s.run_entry() is None, what="the Run value removed")

    def test_an_entry_task_manager_disabled_shows_unticked_and_ticking_enables_it(self):
        with self.session() as s:
            s.wait_lamp("dark crossed")
            s.set_run_entry('"Z:' + str(s.app / "Lumidot.exe").replace("/", "\\") + '"')
            s.set_startup_approval("030000000000000000000000")
            self.confirm_settings(s, IDC_START_AT_LOGIN_CHECK, 1, expect_shown=0)
            s.answer(s.message_box(), IDNO)
            wait_for(lambda: s.startup_approval() is None, what="the Disabled mark cleared")
            self.assertIsNotNone(s.run_entry())


if __name__ == "__main__":
    unittest.main()
