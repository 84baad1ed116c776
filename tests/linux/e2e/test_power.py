"""Sleep, wake, user switching and logout: the LED is set again after the system wakes (logind's
PrepareForSleep, played by the test on a bus of the session's own), the port is let go while
another user's session is at the screen, only logind is heard, and the end of the session is an
orderly exit."""
import contextlib
import time
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for

INI = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n"


class PowerTest(LinuxTestCase):
    @contextlib.contextmanager
    def lit_under_logind(self):
        """A session whose system bus has logind, with the program started and the LED lit."""
        with self.session(ports=["led"], ini=INI, start=False) as s:
            s.system_bus()
            s.start()
            s.focus_typing()
            s.key("Zenkaku_Hankaku")
            s.wait_lines("led", CONNECTED + ON)
            yield s

    def untouched_for_a_second(self, s, mark):
        time.sleep(1)
        self.assertEqual(s.line_events("led")[mark:], [], "the lines were touched")

    def test_waking_sets_the_lines_again_and_reconnects_an_adapter_reset_during_sleep(self):
        with self.lit_under_logind() as s:
            # the adapter forgot its lines while the system slept: set again at the wake, not
            # before, nor when another user's program announces a wake
            mark = len(s.line_events("led"))
            self.asleep(s, lambda: (s.forget_lines("led"), s.call("sleep", start=False, forged=True)), mark)
            s.wait_lines("led", CONNECTED + ON + ON)

            # it was reset under the open port: no arrival is announced, yet it comes back at the wake
            mark = len(s.line_events("led"))
            self.asleep(s, s.hang_up, mark)
            wait_for(lambda: s.line_changes("led", mark)[-5:] == CONNECTED + ON, what="the adapter connected again")
            self.assertIn("TIOCMBIS errno 5", s.line_changes("led", mark))
            s.wait_lamp("bright")

    def asleep(self, s, happen, mark):
        """Puts the system to sleep, lets happen() befall the adapter, and wakes it once a second of
        ticks has passed in which nothing touched the lines."""
        s.call("sleep", start=True)
        happen()
        self.untouched_for_a_second(s, mark)
        s.call("sleep", start=False)

    def test_another_users_session_at_the_screen_gets_the_port(self):
        with self.lit_under_logind() as s:
            mark = len(s.line_events("led"))
            s.session_active(False, forged=True)
            self.untouched_for_a_second(s, mark)

            # switched away: the LED dark and the port free for the other session
            s.session_active(False)
            s.wait_lines("led", CONNECTED + ON + OFF + ["close"])
            s.wait_lamp("bright crossed")
            # back at the screen: taken again as after a replug
            s.session_active(True)
            s.wait_lines("led", CONNECTED + ON + OFF + ["close"] + CONNECTED + ON)
            s.wait_lamp("bright")

    def test_the_end_of_the_session_closes_the_port_and_saves_the_settings(self):
        with self.session(ports=["led"], ini=INI, start=False) as s:
            # the message box that no tray runs is open, and stops nothing
            s.start_without_tray()
            s.wait_window("lumidot", timeout=15)
            # logging out ends the session's programs with SIGTERM
            s.call("signal", pid=s.pid)
            self.assertEqual(s.wait_exit(), 0)
            s.wait_lines("led", CONNECTED + ["close"])
            self.assertIn(b"PortNumber=1", s.ini())


if __name__ == "__main__":
    unittest.main()
