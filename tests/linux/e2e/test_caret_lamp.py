"""The lamp at the caret of the Linux edition on X11: beside the mouse pointer, following it and the
input method, never taking the focus from the window typed into; beside the caret of a text field
that tells of it over AT-SPI."""
import time
import unittest

from lumidot_linux import TEXTFIELD, LinuxTestCase, wait_for

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
            for colour in ("bright", "dark"):
                s.key("Zenkaku_Hankaku")
                s.wait_lamp(f"{colour} crossed")
                wait_for(lambda: s.colour_at(colour, lamp["x"] + 4, lamp["y"] + 4) == colour, what=f"a {colour} lamp")
                self.assertEqual(s.xdotool("getwindowfocus").strip(), typed_into)

    def test_the_lamp_follows_a_caret_told_over_atspi(self):
        with self.session(framework="fcitx5", ini="[Setting]\nUpdateTime=1\nCaretLamp=1\n") as s:
            # a GTK field, and a Qt one, which tells of no caret past its last character and keeps
            # its focused field when another application takes the focus
            fields = {"lumidot-gtk": (["zenity", "--entry", "--title=lumidot-gtk", "--text=caret"], {}),
                      "lumidot-qt": ([s.stage(TEXTFIELD), "lumidot-qt"], {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})}
            for title, (argv, env) in fields.items():
                with self.subTest(title):
                    s.focus_typing()
                    self.lamp_beside(s, 600, 500)
                    self.caret_lamp(s, title, argv, env)

    def caret_lamp(self, s, title, argv, env):
        """Types into the field that argv shows: the lamp follows its caret, not the pointer, until
        the focus goes back to the xterm."""
        pid = s.call("start", argv=argv, env={"QT_QPA_PLATFORM": "xcb", **env}, name=title)["pid"]

        def field():
            stack = [s.call("a11y", pid=pid)["app"] or {}]
            while stack:
                node = stack.pop()
                if node.get("role") == "text" and node.get("extents"):
                    return node
                stack += node.get("children", [])
            return None
        entry = wait_for(field, what="the text field's accessible")
        x, y, w, h = entry["extents"]
        s.xdotool("windowfocus", "--sync", s.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()[0])

        def in_field():
            return next((l for l in lamps(s) if x <= l["x"] < x + w // 2 and y < l["y"] <= y + h), None)
        s.key("w")
        at_start = wait_for(in_field, what="the lamp at the text field's caret")
        s.key("w", "w", "w", "w")
        typed = wait_for(lambda: (l := in_field()) and l["x"] > at_start["x"] + 20 and l,
                         what="the lamp after the typed text")
        s.xdotool("mousemove", 100, 100)
        time.sleep(0.5)
        self.assertEqual(lamps(s)[0]["x"], typed["x"])
        # the focus leaves for a window that tells of no caret: the pointer again, even while the
        # field's caret moves in the background
        s.focus_typing()
        self.lamp_beside(s, 300, 200)
        s.call("a11y_set_text", bus_name=entry["bus"], path=entry["path"], text="www")
        time.sleep(0.5)
        self.lamp_beside(s, 300, 200)


if __name__ == "__main__":
    unittest.main()
