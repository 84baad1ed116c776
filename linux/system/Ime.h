// Whether the desktop's input method is switched on, read from fcitx5 or IBus over D-Bus.
#pragma once

#include "linux/system/ImeTrayItem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QDBusArgument;
class QProcessEnvironment;

// What the desktop's input method says about typing right now.
struct ImeState {
    // An input method that types a script of its own is active.
    bool on = false;
    // On, but typing Latin letters for now (Mozc's 半角英数, Hangul's EN).
    bool alphanumeric = false;
};

// What IBus's signals said, kept between them: the global engine, the symbol of its InputMode
// property, and whether an input context has focus. Plain bookkeeping, apart from the bus; `now`
// is a monotonic clock in milliseconds.
class IbusTracker {
public:
    // The daemon's word of a new global engine. The old engine's symbol is forgotten, unless it
    // is the new engine's, whose announcement overtook that word: each engine IBus makes serves
    // from an object of its own (the source: the sending connection and object path), and one
    // first heard a moment before the change is the new engine's.
    void engineChanged(const QString &engine, qint64 now);
    // The engine asked for after connecting, unless a change announced one meanwhile.
    void engineFound(const QString &engine);
    // RegisterProperties: the whole set of an engine, with or without an InputMode property.
    void propertiesRegistered(const QString &source, const std::optional<QString> &symbol,
                              qint64 now);
    // UpdateProperty of the InputMode property.
    void inputModeUpdated(const QString &source, const QString &symbol, qint64 now);
    // The engine changed a while ago and said nothing: it has no InputMode property.
    void engineSettled();
    void focusChanged(bool inputContextFocused);

    // std::nullopt while a new engine that may yet say its mode has not said it.
    std::optional<ImeState> reading() const;

private:
    void setSymbol(const QString &source, const std::optional<QString> &symbol, qint64 now);

    // What the engine said of its properties: nothing since we connected (IBus has no way to ask
    // for them), nothing yet since it changed, or its set, with or without an InputMode.
    enum class Heard { Nothing, Awaited, Properties };

    QString m_engine;
    Heard m_heard = Heard::Nothing;
    std::optional<QString> m_symbol;  // nullopt: the engine has no InputMode property
    QString m_symbolSource;
    QHash<QString, qint64> m_firstHeard;  // sources heard since the engine last changed
    bool m_focused = true;
};

// The first ImeStatus made (and still alive) is the one sys::ReadImeState asks.
class ImeStatus : public QObject {
    Q_OBJECT
public:
    explicit ImeStatus(QObject *parent = nullptr);
    ~ImeStatus() override;

    // std::nullopt: a framework runs but did not answer in time; the caller then changes nothing.
    // Neither framework running reads as off (no error, no message box); one started later is
    // picked up.
    std::optional<ImeState> read();

    // Whether a reading can tell alphanumeric typing apart: not under fcitx5 while its tray item
    // names no icon (it publishes Mozc's mode nowhere else).
    bool canTellMode() const;

signals:
    // Something changed that read() would see (IBus's signals, fcitx5's tray item, a framework
    // that came or went), so the app can act at once instead of at its next poll.
    void changed();

private slots:
    void onIbusNameOwnerChanged(const QString &service, const QString &oldOwner,
                                const QString &newOwner);
    void onEngineProperties(const QDBusMessage &message);
    void onGlobalEngineChanged(const QDBusMessage &message);

private:
    static QDBusMessage fcitxCall(const QString &method);
    std::optional<ImeState> readFcitx();
    std::optional<QDBusMessage> askFcitx(const QDBusMessage &call);
    void setFcitxRunning(bool running);
    std::optional<ImeState> ibusReading() const;
    void connectIbus();
    void dropIbus();
    // Reads a property of IBus's daemon without waiting; then is called with the reply or the
    // error, unless the connection was dropped meanwhile.
    void askIbusProperty(const QString &name, std::function<void(const QDBusMessage &)> then);
    void askInputContext();
    void ibusChanged();

    QDBusConnection m_session;
    bool m_fcitxRunning = false;
    QDBusMessage m_fcitxState;
    QDBusMessage m_fcitxInputMethod;
    ImeTrayItem m_trayItem;

    // IBus runs a bus of its own; we hold a named connection to it while it is reachable.
    QString m_ibusConnectionName;
    bool m_ibusConnected = false;
    quint64 m_ibusConnection = 0;  // counts the connections dropped, so late answers are known
    QElapsedTimer m_ibusLastAttempt;
    IbusTracker m_ibus;
    QTimer m_engineSettle;
    QElapsedTimer m_clock;
    quint64 m_inputContextQuery = 0;  // only the latest question's answer counts
    ImeState m_lastIbusReading;
};

// The rules behind ImeStatus, apart so that the unit test can reach them. One rule per framework:
// the input method is on when one that types a script of its own is active.
//
//   framework  what it says                                          reading
//   ---------  ----------------------------------------------------  ----------------
//   fcitx5     State() 0 (no input context yet) or 1 (inactive)      off
//              State() 2, current input method keyboard-* (a layout) off
//              State() 2, any other input method                     on
//                and its tray item shows fcitx_mozc_direct           off
//                and its tray item shows fcitx_mozc_alpha_half/_full on, alphanumeric
//                (also with a prefix: org.fcitx.Fcitx5.fcitx_mozc_direct)
//   IBus       no global engine yet, or an xkb:* engine              off
//              focus in a window without an input context            off
//              no word from the engine since connecting to IBus      off
//              an engine without an InputMode property               on
//              InputMode "A" (Mozc's direct input)                   off
//              InputMode "_A", "Ａ", "EN", "ＥＮ", "英"              on, alphanumeric
//              any other InputMode ("あ", "ア", "_ｱ", "한", "中")    on
//   neither                                                          off
//
// "On, alphanumeric" counts as off only while 英数入力中は消灯する is ticked, as on Windows. IBus's
// InputMode symbol is forgotten when the engine changes. fcitx5 keeps reporting the last input
// context when focus moves to a window without one, and so does its reading.
namespace ImeStatusRules {

// fcitx5's Controller1 State() and CurrentInputMethod(), and the IconName of its tray item (empty
// where it shows none, or draws a text icon instead: classicui's "Prefer Text Icon").
ImeState fcitxReading(int state, const QString &inputMethod, const QString &trayIcon);

// IBus's global engine, the symbol of its InputMode property (nullopt: it has none) and whether
// an input context has focus.
ImeState ibusReading(const QString &engine, const std::optional<QString> &symbol,
                     bool inputContextFocused);

// The symbol of the property `key` in an IBusProperty (UpdateProperty) or an IBusPropList
// (RegisterProperties), as the variant's content arrives from the bus. std::nullopt when the
// property is not there or the value does not have IBus's shape.
std::optional<QString> propertySymbol(const QDBusArgument &property, const QString &key);
std::optional<QString> propertyListSymbol(const QDBusArgument &list, const QString &key);

// The name in an IBusEngineDesc (the GlobalEngine property); empty when malformed.
QString engineName(const QDBusArgument &engineDesc);

// Where ibus-daemon writes its bus address for this display: IBUS_ADDRESS_FILE, or
// <config home>/ibus/bus/<machine id>-<host or "unix">-<display number or Wayland display>.
QString addressFilePath(const QProcessEnvironment &env, const QString &machineId);

struct AddressFile {
    QString address;
    qint64 daemonPid = -1;
};
// Reads the IBUS_ADDRESS= and IBUS_DAEMON_PID= lines of an address file.
AddressFile parseAddressFile(const QByteArray &contents);

}  // namespace ImeStatusRules
