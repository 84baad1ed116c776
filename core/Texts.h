// The texts both editions show: the tray menu with its command ids, the tip of each lamp, the
// commands' messages and the dialogs' texts. The Linux edition takes them from here. The Windows
// edition's resource script, which cannot include C++, spells the menu and the dialogs out again;
// a unit test holds it to this table. A text only one edition shows (the start-at-login box,
// which names the system) stays in that edition.
#pragma once

#include <string>

namespace texts {

// The tray menu's commands, with the ids the Windows edition's menu gives them.
enum class MenuCommand : int {
    None = 0,
    Exit = 1001,
    Connect = 1006,
    Setting = 1021,
    About = 32771
};

struct MenuItem {
    MenuCommand command;  // None: a separator
    const wchar_t* pszLabel;
};

// Top to bottom. The first item is relabelled while a port is open (kDisconnectLabel).
inline constexpr MenuItem kTrayMenu[] = {
    {MenuCommand::Connect, L"接続(&P)"},
    {MenuCommand::None, nullptr},
    {MenuCommand::Setting, L"設定(&S)"},
    {MenuCommand::None, nullptr},
    {MenuCommand::About, L"このプログラムについて(&A)"},
    {MenuCommand::Exit, L"終了(&X)"},
};
inline constexpr wchar_t kDisconnectLabel[] = L"切断[%s](&P)";  // %s: the open port's name
// The label of command's item; empty for none.
const wchar_t* MenuLabel(MenuCommand command);

// The tip of each lamp, in the order of the tray presets: the connected and the crossed lamps
// share their tips, only the picture tells the port state.
inline constexpr const wchar_t* kTrayTips[] = {L"IME ON", L"IME OFF", L"IME ON", L"IME OFF"};

// The commands' messages. %s stands for a port's name, or the help page's address.
inline constexpr wchar_t kPortOpenFailed[] = L"ポートが開けません.";
inline constexpr wchar_t kCloseQuestion[] = L"ポートを閉じますか？";
inline constexpr wchar_t kReconnectQuestion[] = L"%sで接続しなおしますか？";
inline constexpr wchar_t kConnectQuestion[] = L"%sで接続しますか？";
inline constexpr wchar_t kExitQuestion[] = L"終了しますか？";
inline constexpr wchar_t kHelpQuestion[] = L"ヘルプを表示するため\r\n%s\r\nへ接続しますか？";
// The About box's text: the version, then the home page's address.
inline constexpr wchar_t kAboutText[] =
    L"Lumidot Version%s\r\nCopyright (C) 2026 Lumidot developers\r\n\r\n%s\r\n";

// What follows kPortOpenFailed where the system tells why the port did not open. %s: the group
// that may open the device (both times).
inline constexpr wchar_t kPortHeldHint[] = L"ほかのプログラムがこのポートを使用中です.";
inline constexpr wchar_t kPortRightsHint[] = L"このポートを開く権限がありません.";
inline constexpr wchar_t kPortGroupHint[] =
    L"%sグループに参加して (sudo usermod -aG %s $USER) からログインしなおしてください.";
inline constexpr wchar_t kPortTerminalHint[] = L"ログイン中の端末です. LEDのポートには使えません.";
inline constexpr wchar_t kPortNotSerialHint[] = L"シリアルポートではありません.";

// The dialogs.
inline constexpr wchar_t kOk[] = L"OK";
inline constexpr wchar_t kCancel[] = L"ｷｬﾝｾﾙ";
inline constexpr wchar_t kPortDialogCaption[] = L"ポート接続";
inline constexpr wchar_t kSettingDialogCaption[] = L"動作設定";
inline constexpr wchar_t kAboutDialogCaption[] = L"ﾀﾞｲｱﾛｸﾞ";
inline constexpr wchar_t kPortLabel[] = L"LED接続ポート番号";
inline constexpr wchar_t kIntervalLabel[] = L"IME状態の監視間隔";
inline constexpr wchar_t kIntervalItem[] = L"%smsec";  // %s: 100 to 1000
inline constexpr wchar_t kAutoConnectCheck[] = L"起動と同時にポートを開く";
inline constexpr wchar_t kAlnumOffCheck[] = L"英数入力中は消灯する";
// The settings dialog's wiring of the LED: its lines' list, item i storing LedLines i, and the
// box for an LED that is lit while its lines are dropped (wired to the supply, not to ground).
inline constexpr wchar_t kLedLinesLabel[] = L"LEDの信号線";
inline constexpr const wchar_t* kLedLinesItems[] = {L"DTRとRTS", L"DTRのみ", L"RTSのみ"};
inline constexpr wchar_t kLedInvertedCheck[] = L"信号線オフで点灯する";
inline constexpr wchar_t kHelpPageButton[] = L"作者Webページ";

// pszText with each %s replaced by the next of the arguments, in order. Plain substitution, not
// printf: a port's name is the user's device path and may hold any character.
std::wstring Fill(const wchar_t* pszText, const std::wstring& strFirst,
                  const std::wstring& strSecond = std::wstring());

}  // namespace texts
