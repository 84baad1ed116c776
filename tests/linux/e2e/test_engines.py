"""The input methods beyond Mozc's on and off, against the real engines and driven by real keys:
IBus with Hangul and libpinyin, fcitx5 with a second keyboard layout and pinyin, and Mozc's
alphanumeric mode under fcitx5, read from fcitx5's tray item. Each step is one row of the table
above ImeStatusRules (linux/system/Ime.h): the lamp and the LED follow it, and nothing else moves
the lines."""
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for

HINT = "fcitx5のトレイアイコンがないため、英数入力かどうかを判別できません"


class EngineTest(LinuxTestCase):
    def session(self, framework, ini):
        return super().session(framework=framework, ports=["led"], ini=ini, ime=False, start=False)

    def stays(self, s, mark, lamp, polls):
        """The lamp and the lines stay as they are for a few polls."""
        s.call("pump", seconds=polls * 0.1)
        self.assertEqual((s.lamp(), s.line_changes("led", since=mark)), (lamp, []))

    def settings_texts(self, s):
        """The texts of the settings dialog, which is then cancelled; with the hint, the typing-mode
        box is greyed out, without it the box can be ticked."""
        s.click_menu("設定(&S)")
        dialog = s.dialog("動作設定")
        box = s.find(dialog["node"], "check box", "英数入力中は消灯する")
        s.click(next(node for label, node in dialog["buttons"].items() if label.startswith("ｷｬﾝｾﾙ")))
        self.assertEqual(box["enabled"], HINT not in dialog["texts"])
        return dialog["texts"]

    def test_ibus_hangul_and_libpinyin_are_on_in_their_script_and_off_in_latin_with_the_option(self):
        # Polled once a minute: what follows comes from IBus's signals, IBus itself started later.
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=600\nAutoConnect=1\nAlnumOff=1\n"
        with self.session("ibus", ini) as s:
            s.start()
            s.wait_lines("led", CONNECTED)
            s.call("ibus_engine_start", 90, engine="hangul")
            s.xterm()
            # Hangul starts in EN: Latin, off with the option
            s.wait_lamp("dark")
            s.press(["shift+space"], "bright", ON)   # 한
            s.press(["shift+space"], "dark", OFF)    # EN
            mark = len(s.line_events("led"))
            s.call("ibus_engine", engine="libpinyin")     # 中: the engine's symbol, not Hangul's
            s.wait_lamp("bright")
            s.wait_lines("led", ON, since=mark)
            s.press(["Shift_L"], "dark", OFF)        # 英
            s.press(["Shift_L"], "bright", ON)       # 中
            mark = len(s.line_events("led"))
            s.call("plain_window")                        # no input context there
            s.wait_lamp("dark")
            s.focus_typing()
            s.wait_lamp("bright")
            s.wait_lines("led", OFF + ON, since=mark)
            mark = len(s.line_events("led"))
            s.call("ibus_engine", engine="xkb:jp::jpn")   # a plain layout
            s.wait_lamp("dark")
            s.wait_lines("led", OFF, since=mark)

    def test_fcitx5_second_layout_is_off_and_pinyin_on_and_the_dialog_says_the_mode_is_unknown(self):
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\nAlnumOff=1\n"
        with self.session("fcitx5", ini) as s:
            s.call("fcitx5_group", 90, items=["keyboard-jp", "keyboard-ru", "pinyin"], active="keyboard-ru")
            s.xterm()
            s.start()
            s.wait_lamp("dark")
            s.wait_lines("led", CONNECTED)
            mark = len(s.line_events("led"))
            s.key("ctrl+space")
            wait_for(lambda: (s.fcitx_state(), s.call("fcitx_im")["im"]) == (2, "keyboard-ru"),
                     what="fcitx5 in its second layout")
            self.stays(s, mark, "dark", polls=5)
            s.press(["ctrl+shift+Right"], "bright", ON)   # pinyin
            s.press(["ctrl+space"], "dark", OFF)          # the group's first layout
            # no tray item: fcitx5 tells Mozc's mode to nobody, and the dialog says so
            self.assertIn(HINT, self.settings_texts(s))

    def test_fcitx5_mozc_alphanumeric_is_off_with_the_option_where_fcitx5_shows_its_tray_item(self):
        # Polled once a minute: fcitx5 started later, its tray item tells every change.
        ini = "[Setting]\nPortDevice={led}\nUpdateTime=600\nAutoConnect=1\nAlnumOff=1\n"
        with self.session("fcitx5", ini) as s:
            s.start()
            s.wait_lines("led", CONNECTED)
            s.call("fcitx5_group", 90, items=["keyboard-jp", "mozc"], active="mozc", tray=True)
            s.xterm()
            s.wait_lamp("dark")
            s.press(["Zenkaku_Hankaku"], "bright", ON)     # hiragana
            s.press(["Eisu_toggle"], "dark", OFF)          # half-width alphanumeric
            s.press(["Hiragana_Katakana"], "bright", ON)   # hiragana
            s.press(["Zenkaku_Hankaku"], "dark", OFF)
            self.assertNotIn(HINT, self.settings_texts(s))


if __name__ == "__main__":
    unittest.main()
