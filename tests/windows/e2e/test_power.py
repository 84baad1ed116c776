"""Sleep, a busy adapter and another user at the screen: waking from sleep (WM_POWERBROADCAST, sent to
the main window as Windows sends it) sets the lines again, an adapter that another program holds as it
arrives is connected once that program lets go, without a message, and a session that leaves the
screen (WM_WTSSESSION_CHANGE) lets the port go until it comes back."""
import unittest

from lumidot_e2e import CONNECTED, OFF, ON, LumidotTestCase, wait_for

WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x0218, 0x0012
WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, WTS_CONSOLE_DISCONNECT, WTS_SESSION_LOCK = 0x02B1, 1, 2, 7
INI = "[Setting]\nPortNumber=5\nUpdateTime=1\nAutoConnect=1\n"


class PowerTest(LumidotTestCase):
    def test_waking_from_sleep_sets_the_lines_again(self):
        with self.session(ports=[5], ini=INI) as s:
            s.ime_on()
            s.wait_lamp("bright")
            s.wait_lines(5, CONNECTED + ON)
            # the adapter forgot its lines while the system slept
            s.forget_lines(5)
            s.post(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)
            s.wait_lines(5, CONNECTED + ON + ON)

    def test_an_adapter_held_elsewhere_as_it_arrives_is_connected_once_let_go(self):
        with self.session(ports=[5], ini=INI) as s:
            s.ime_on()
            s.wait_lamp("bright")
            s.unplug()
            s.ime_off()
            s.wait_lamp("dark crossed")

            s.hold_port(5)
            mark = len(s.line_events(5))
            s.plug_in(5)
            wait_for(lambda: "busy" in s.line_events(5)[mark:], what="the adapter found busy")
            s.release_port()
            s.wait_lamp("dark", timeout=15)
            self.assertEqual(s.line_changes(5, mark)[-3:], CONNECTED)
            self.assertEqual(s.windows(), [], "a failed reconnect asks nothing")

    def test_a_session_away_from_the_screen_lets_the_port_go_until_it_comes_back(self):
        with self.session(ports=[5], ini=INI) as s:
            s.ime_on()
            s.wait_lamp("bright")
            s.wait_lines(5, CONNECTED + ON)
            # locked, the session is still the one at the screen
            s.post(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK)
            s.sync()
            self.assertEqual(s.line_changes(5), CONNECTED + ON)
            s.post(WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT)
            s.wait_lines(5, CONNECTED + ON + OFF + ["close"])
            s.wait_lamp("bright crossed")
            s.post(WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT)
            s.wait_lines(5, CONNECTED + ON + OFF + ["close"] + CONNECTED + ON)
            s.wait_lamp("bright")
            self.assertEqual(s.windows(), [], "nothing asked")


if __name__ == "__main__":
    unittest.main()
