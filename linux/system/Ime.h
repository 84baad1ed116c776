// Whether the desktop's input method is switched on, read from fcitx5 or IBus over D-Bus.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

class QDBusArgument;
class QProcessEnvironment;

// What the desktop's input method says about typing right now.
struct ImeState {
    bool on =
        false;  // the input method is switched on (typing Japanese, or Mozc's alphanumeric modes)
    bool alphanumeric =
        false;  // on, but in half- or full-width alphanumeric mode (only known with IBus + Mozc)
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

signals:
    // IBus told us something changed, or a framework came or went, so the app can act at once
    // instead of at its next poll. fcitx5 has no such signal: its state is only seen by read().
    void changed();

private slots:
    void onFcitxOwnerChanged(const QString &service, const QString &oldOwner,
                             const QString &newOwner);
    void onIbusNameOwnerChanged(const QString &service, const QString &oldOwner,
                                const QString &newOwner);
    void onEngineProperties(const QDBusMessage &message);
    void onGlobalEngineChanged(const QString &engine);
    void onGlobalEngineReply(const QDBusMessage &reply);

private:
    std::optional<ImeState> readFcitx();
    ImeState ibusReading() const;
    void connectIbus();
    void dropIbus();
    void setIbusState(const QString &engine, const QString &symbol);

    QDBusConnection m_session;
    QDBusMessage m_fcitxStateCall;
    bool m_fcitxRunning = false;

    // IBus runs a bus of its own; we hold a named connection to it while it is reachable.
    QString m_ibusConnectionName;
    bool m_ibusConnected = false;
    QElapsedTimer m_ibusLastAttempt;
    QString m_engine;      // the global engine, e.g. "mozc-jp" or "xkb:jp::jpn"
    QString m_modeSymbol;  // the symbol of the engine's "InputMode" property, e.g. "あ"
    ImeState m_lastIbusReading;
};

// The pure rules behind ImeStatus, apart so that the unit test can reach them.
namespace ImeStatusRules {

// What the engine's InputMode symbol says, as Mozc sets it: "A" is direct input (off), "_A" and
// "Ａ" are half- and full-width alphanumeric (on), the kana modes are on. An engine named "xkb:..."
// is plain keyboard input (off) whatever its symbol; no engine or no symbol yet reads as off.
ImeState readingOf(const QString &engine, const QString &symbol);

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
