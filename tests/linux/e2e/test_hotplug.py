"""Plugging the LED's USB serial adapter out and in, through udev's real monitor: the program runs among
umockdev's fake adapters (usb_adapters.py), which send udev's events and play the adapters' lines."""
import time
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for


class HotplugTest(LinuxTestCase):
    def test_only_the_configured_adapter_comes_back_lit_also_when_it_is_busy_for_a_moment(self):
        with self.session(start=False) as s:
            s.usb_adapters()
            s.plug_adapter("led")
            s.write_ini("[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n")
            s.start()
            s.focus_typing()
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright")
            s.wait_lines("led", CONNECTED + ON)

            s.pull_adapter("led")
            s.wait_lamp("bright crossed")

            # another adapter is no reason to connect
            s.plug_adapter("other")
            time.sleep(1)
            self.assertEqual(s.lamp(), "bright crossed")
            self.assertEqual(s.line_events("other"), [])

            mark = len(s.line_events("led"))
            s.plug_adapter("led")
            s.wait_lamp("bright")
            s.wait_lines("led", CONNECTED + ON, since=mark)

            # back again while a modem manager probes it for two seconds: tried again, no message
            s.pull_adapter("led")
            s.wait_lamp("bright crossed")
            mark = len(s.line_events("led"))
            s.plug_adapter("led", hold=2)
            wait_for(lambda: "busy" in s.line_events("led")[mark:], what="the adapter found busy")
            s.wait_lamp("bright", timeout=15)
            self.assertEqual(s.line_changes("led", mark)[-5:], CONNECTED + ON)
            self.assertEqual(s.windows(), [])

            # back before udev's rules let the user open it (permission denied for two seconds): the same
            s.pull_adapter("led")
            s.wait_lamp("bright crossed")
            mark = len(s.line_events("led"))
            # (not lit unless tried again once the rules applied: no check in between, which a
            # loaded machine could reach only after the two seconds)
            s.plug_adapter("led", deny=2)
            s.wait_lamp("bright", timeout=15)
            self.assertEqual(s.line_changes("led", mark), CONNECTED + ON)
            self.assertEqual(s.windows(), [])


if __name__ == "__main__":
    unittest.main()
