"""The lamp at the caret of the Linux edition on X11: beside the mouse pointer, following it and the
input method, never taking the focus from the window typed into."""
import unittest

from lumidot_linux import LinuxTestCase, wait_for

LAMP = "Lumidot caret lamp"


def lamps(s):
    return [w for w in s.windows() if w["name"] == LAMP]


class CaretLampTest(LinuxTestCase):
    def lamp_beside(self, s, x, y):
        """Moves the pointer to x, y and waits for the lamp just below and to the right of its arrow."""
        s.xdotool("mousemove", x, y)
        return wait_for(lambda: next((w for w in lamps(s) if (w["x"], w["y"]) == (x + 14, y + 21)), None),
                        what=f"the lamp beside the pointer at {x}, {y}")

    def test_the_lamp_follows_the_pointer_and_the_ime_and_never_takes_the_focus(self):
        with self.session(framework="fcitx5", ini="[Setting]\nUpdateTime=1\nCaretLamp=1\n") as s:
            s.focus_typing()
            s.wait_lamp("dark crossed")
            typed_into = s.xdotool("getwindowfocus").strip()
            lamp = self.lamp_beside(s, 300, 200)
            self.assertEqual((lamp["w"], lamp["h"]), (8, 8))
            self.assertEqual(s.colour_at("dark", lamp["x"] + 4, lamp["y"] + 4), "dark")
            lamp = self.lamp_beside(s, 500, 400)
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("bright crossed")
            wait_for(lambda: s.colour_at("bright", lamp["x"] + 4, lamp["y"] + 4) == "bright", what="a bright lamp")
            self.assertEqual(s.xdotool("getwindowfocus").strip(), typed_into)
            s.key("Zenkaku_Hankaku")
            s.wait_lamp("dark crossed")
            wait_for(lambda: s.colour_at("dark", lamp["x"] + 4, lamp["y"] + 4) == "dark", what="a dark lamp")


if __name__ == "__main__":
    unittest.main()
