<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<!-- The English texts of both editions: the Linux edition's translation, which the Windows build
     also makes into a table (cmake/TsTexts.cmake). The Japanese source texts are those of
     core/Texts.h and each edition's own; %s stands for a port's name, an address or a number. -->
<context>
    <name>Lumidot</name>
    <message>
        <source>接続(&amp;P)</source>
        <translation>&amp;Connect</translation>
    </message>
    <message>
        <source>切断[%s](&amp;P)</source>
        <translation>&amp;Disconnect [%s]</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>このプログラムについて(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>ポートが開けません.</source>
        <translation>The port cannot be opened.</translation>
    </message>
    <message>
        <source>ほかのプログラムがこのポートを使用中です.</source>
        <translation>Another program is using this port.</translation>
    </message>
    <message>
        <source>このポートを開く権限がありません.</source>
        <translation>You have no permission to open this port.</translation>
    </message>
    <message>
        <source>%sグループに参加して (sudo usermod -aG %s $USER) からログインしなおしてください.</source>
        <translation>Join the group %s (sudo usermod -aG %s $USER), then log out and log in again.</translation>
    </message>
    <message>
        <source>ログイン中の端末です. LEDのポートには使えません.</source>
        <translation>This is the terminal of a login session; it cannot be the LED's port.</translation>
    </message>
    <message>
        <source>シリアルポートではありません.</source>
        <translation>This is not a serial port.</translation>
    </message>
    <message>
        <source>ポートを閉じますか？</source>
        <translation>Close the port?</translation>
    </message>
    <message>
        <source>%sで接続しなおしますか？</source>
        <translation>Reconnect with %s?</translation>
    </message>
    <message>
        <source>%sで接続しますか？</source>
        <translation>Connect with %s?</translation>
    </message>
    <message>
        <source>終了しますか？</source>
        <translation>Exit Lumidot?</translation>
    </message>
    <message>
        <source>ヘルプを表示するため&#xd;
%s&#xd;
へ接続しますか？</source>
        <translation>Open the help page&#xd;
%s&#xd;
in the browser?</translation>
    </message>
    <message>
        <source>Lumidot Version%s&#xd;
Copyright (C) 2026 Lumidot developers&#xd;
&#xd;
%s&#xd;
</source>
        <translation>Lumidot version %s&#xd;
Copyright (C) 2026 Lumidot developers&#xd;
&#xd;
%s&#xd;
</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ポート接続</source>
        <translation>Connect the LED</translation>
    </message>
    <message>
        <source>動作設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ﾀﾞｲｱﾛｸﾞ</source>
        <translation>About Lumidot</translation>
    </message>
    <message>
        <source>LED接続ポート番号</source>
        <translation>LED port</translation>
    </message>
    <message>
        <source>IME状態の監視間隔</source>
        <translation>Poll interval</translation>
    </message>
    <message>
        <source>%smsec</source>
        <translation>%s ms</translation>
    </message>
    <message>
        <source>起動と同時にポートを開く</source>
        <translation>Connect at start-up</translation>
    </message>
    <message>
        <source>英数入力中は消灯する</source>
        <translation>LED off in English mode</translation>
    </message>
    <message>
        <source>LEDの信号線</source>
        <translation>LED lines</translation>
    </message>
    <message>
        <source>DTRとRTS</source>
        <translation>DTR + RTS</translation>
    </message>
    <message>
        <source>DTRのみ</source>
        <translation>DTR only</translation>
    </message>
    <message>
        <source>RTSのみ</source>
        <translation>RTS only</translation>
    </message>
    <message>
        <source>信号線オフで点灯する</source>
        <translation>Lit while the lines are off</translation>
    </message>
    <message>
        <source>作者Webページ</source>
        <translation>Author's web page</translation>
    </message>
    <message>
        <source>%s (未接続)</source>
        <translation>%s (not plugged in)</translation>
    </message>
    <message>
        <source>設定を保存できません.&#xd;
%s</source>
        <translation>The settings cannot be saved.&#xd;
%s</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>ログイン時に開始する</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>fcitx5のトレイアイコンがないため、英数入力かどうかを判別できません</source>
        <translation>Without fcitx5's tray icon, alphanumeric input cannot be told apart</translation>
    </message>
    <message>
        <source>Windows の起動時に開始する</source>
        <translation>Start with Windows</translation>
    </message>
    <message>
        <source>このIMEは英数入力中の消灯を推奨</source>
        <translation>This IME needs “English mode” on</translation>
    </message>
    <message>
        <source>入力位置にランプを表示する</source>
        <translation>Show a lamp where you type</translation>
    </message>
    <message>
        <source>Waylandではウィンドウの位置を決められないため、入力位置にランプを表示できません</source>
        <translation>Wayland lets no program place a window: the lamp cannot show where you type</translation>
    </message>
    <message>
        <source>IME ON</source>
        <translation>IME ON</translation>
    </message>
    <message>
        <source>IME OFF</source>
        <translation>IME OFF</translation>
    </message>
    <message>
        <source>通知領域が見つからないため、ランプを表示できません。
StatusNotifierItem のトレイ (D-Bus の org.kde.StatusNotifierWatcher) も XEmbed のトレイも動いていません。
LED は入力メソッドに従い続け、トレイが現れればランプも表示されます。</source>
        <translation>No tray was found to show the lamp in.
Neither a StatusNotifierItem tray (org.kde.StatusNotifierWatcher on D-Bus) nor an XEmbed tray is running.
The LED keeps following the input method, and the lamp appears as soon as a tray does.</translation>
    </message>
</context>
</TS>
