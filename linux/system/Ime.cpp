#include "linux/system/Ime.h"

#include "core/Platform.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QProcessEnvironment>
#include <QVariantMap>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");
const QString kIbusService = QStringLiteral("org.freedesktop.IBus");
const QString kIbusPath = QStringLiteral("/org/freedesktop/IBus");
const QString kEngineInterface = QStringLiteral("org.freedesktop.IBus.Engine");
const QString kInputModeKey = QStringLiteral("InputMode");

// A poll that waits longer than this for fcitx5 would stall the tray; the caller keeps its last
// state instead.
constexpr int kFcitxTimeoutMs = 100;
// Trying IBus's address file and socket is cheap but not free; a desktop without IBus must not
// pay for it on every poll.
constexpr qint64 kIbusRetryMs = 3000;
constexpr int kIbusCallTimeoutMs = 1000;

// Signatures of IBus's serialised objects: each starts with its type name and an a{sv} of
// attachments, then its own fields. The property's trailing symbol came with IBus 1.5.
const QString kPropertySignature = QStringLiteral("(sa{sv}suvsvbbuvv)");
const QString kPropListSignature = QStringLiteral("(sa{sv}av)");
const QString kTextSignature = QStringLiteral("(sa{sv}sv)");

bool isStructure(const QDBusArgument &arg, const QString &signature)
{
    return arg.currentType() == QDBusArgument::StructureType && arg.currentSignature() == signature;
}

// The object inside a 'v' field, if it is a structure at all.
std::optional<QDBusArgument> structureIn(const QDBusVariant &field)
{
    const QVariant value = field.variant();
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    return value.value<QDBusArgument>();
}

// Every beginStructure() below is paired with endStructure() on every path: the demarshaller that
// reads the inside of a structure is only freed there, and with it the message it holds.
std::optional<QString> textOf(const QDBusArgument &arg)
{
    if (!isStructure(arg, kTextSignature))
        return std::nullopt;
    QString typeName, text;
    QVariantMap attachments;
    arg.beginStructure();
    arg >> typeName >> attachments >> text;
    arg.endStructure();
    if (typeName != QLatin1String("IBusText"))
        return std::nullopt;
    return text;
}

// The reader the seam asks: the first one made and still alive.
ImeStatus *s_current = nullptr;

int nextConnectionNumber()
{
    static std::atomic<int> number{0};
    return ++number;
}

}  // namespace

namespace ImeStatusRules {

ImeState readingOf(const QString &engine, const QString &symbol)
{
    if (engine.isEmpty() || engine.startsWith(QLatin1String("xkb:")) || symbol.isEmpty() ||
        symbol == QLatin1String("A"))
        return {};
    const bool alphanumeric = symbol == QLatin1String("_A") || symbol == QStringLiteral("Ａ");
    return {true, alphanumeric};
}

std::optional<QString> propertySymbol(const QDBusArgument &property, const QString &key)
{
    if (!isStructure(property, kPropertySignature))
        return std::nullopt;
    QString typeName, propKey, icon;
    QVariantMap attachments;
    uint type = 0, state = 0;
    bool sensitive = false, visible = false;
    QDBusVariant label, tooltip, subProperties, symbol;
    property.beginStructure();
    property >> typeName >> attachments >> propKey >> type >> label >> icon >> tooltip >>
        sensitive >> visible >> state >> subProperties >> symbol;
    property.endStructure();
    if (typeName != QLatin1String("IBusProperty") || propKey != key)
        return std::nullopt;
    const std::optional<QDBusArgument> text = structureIn(symbol);
    return text ? textOf(*text) : std::nullopt;
}

std::optional<QString> propertyListSymbol(const QDBusArgument &list, const QString &key)
{
    if (!isStructure(list, kPropListSignature))
        return std::nullopt;
    QString typeName;
    QVariantMap attachments;
    QList<QDBusVariant> properties;
    list.beginStructure();
    list >> typeName >> attachments;
    list.beginArray();
    while (!list.atEnd()) {
        QDBusVariant property;
        list >> property;
        properties.append(property);
    }
    list.endArray();
    list.endStructure();
    if (typeName != QLatin1String("IBusPropList"))
        return std::nullopt;
    for (const QDBusVariant &property : properties) {
        if (const std::optional<QDBusArgument> arg = structureIn(property)) {
            if (std::optional<QString> symbol = propertySymbol(*arg, key))
                return symbol;
        }
    }
    return std::nullopt;
}

QString engineName(const QDBusArgument &engineDesc)
{
    if (engineDesc.currentType() != QDBusArgument::StructureType ||
        !engineDesc.currentSignature().startsWith(QLatin1String("(sa{sv}s")))
        return {};
    QString typeName, name;
    QVariantMap attachments;
    engineDesc.beginStructure();
    engineDesc >> typeName >> attachments >> name;
    engineDesc.endStructure();
    return typeName == QLatin1String("IBusEngineDesc") ? name : QString();
}

QString addressFilePath(const QProcessEnvironment &env, const QString &machineId)
{
    const QString explicitFile = env.value(QStringLiteral("IBUS_ADDRESS_FILE"));
    if (!explicitFile.isEmpty())
        return explicitFile;

    QString host = QStringLiteral("unix");
    QString display = QStringLiteral("0");
    const QString wayland = env.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (!wayland.isEmpty()) {
        display = wayland;
    } else if (env.contains(QStringLiteral("DISPLAY"))) {
        // host:display.screen; the screen is not part of the name
        const QString x = env.value(QStringLiteral("DISPLAY"));
        const qsizetype colon = x.indexOf(QLatin1Char(':'));
        if (colon > 0)
            host = x.left(colon);
        display = colon >= 0 ? x.mid(colon + 1) : QString();
        const qsizetype dot = display.indexOf(QLatin1Char('.'));
        if (dot >= 0)
            display.truncate(dot);
    }

    QString configHome = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (configHome.isEmpty())
        configHome = env.value(QStringLiteral("HOME")) + QStringLiteral("/.config");
    return configHome + QStringLiteral("/ibus/bus/") + machineId + QLatin1Char('-') + host +
           QLatin1Char('-') + display;
}

AddressFile parseAddressFile(const QByteArray &contents)
{
    AddressFile file;
    for (const QByteArray &rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith("IBUS_ADDRESS="))
            file.address = QString::fromUtf8(line.mid(int(sizeof "IBUS_ADDRESS=") - 1));
        else if (line.startsWith("IBUS_DAEMON_PID="))
            file.daemonPid = line.mid(int(sizeof "IBUS_DAEMON_PID=") - 1).toLongLong();
    }
    return file;
}

}  // namespace ImeStatusRules

ImeStatus::ImeStatus(QObject *parent)
    : QObject(parent), m_session(QDBusConnection::sessionBus()),
      m_fcitxStateCall(QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                                      QStringLiteral("org.fcitx.Fcitx.Controller1"),
                                                      QStringLiteral("State"))),
      m_ibusConnectionName(QStringLiteral("lumidot-ibus-%1").arg(nextConnectionNumber()))
{
    // fcitx5 and IBus are both D-Bus activatable: a plain call would start one of them on a
    // desktop that uses neither. Whether they run is what the bus daemon says about their names.
    if (s_current == nullptr)
        s_current = this;
    m_fcitxStateCall.setAutoStartService(false);
    if (!m_session.isConnected())
        return;

    auto *fcitxWatcher = new QDBusServiceWatcher(kFcitxService, m_session,
                                                 QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(fcitxWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ImeStatus::onFcitxOwnerChanged);
    // ibus-daemon takes this name on the session bus once its own bus is up and its address file
    // written, so it is the moment to connect. fcitx5 takes the same name for its IBus frontend;
    // then there is no address file and the attempt ends at once.
    auto *ibusWatcher = new QDBusServiceWatcher(kIbusService, m_session,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(ibusWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ImeStatus::onIbusNameOwnerChanged);

    m_fcitxRunning = m_session.interface()->isServiceRegistered(kFcitxService).value();
}

ImeStatus::~ImeStatus()
{
    if (s_current == this)
        s_current = nullptr;
    QDBusConnection::disconnectFromBus(m_ibusConnectionName);
}

std::optional<ImeState> ImeStatus::read()
{
    if (m_fcitxRunning) {
        if (const std::optional<ImeState> reading = readFcitx(); reading || m_fcitxRunning)
            return reading;
    }

    if (m_ibusConnected && !QDBusConnection(m_ibusConnectionName).isConnected())
        dropIbus();
    if (!m_ibusConnected &&
        (!m_ibusLastAttempt.isValid() || m_ibusLastAttempt.elapsed() >= kIbusRetryMs))
        connectIbus();
    return ibusReading();
}

std::optional<ImeState> ImeStatus::readFcitx()
{
    const QDBusMessage reply = m_session.call(m_fcitxStateCall, QDBus::Block, kFcitxTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        // 2 is an active input method; 1 is inactive and 0 means no input context has focus
        const QList<QVariant> args = reply.arguments();
        return ImeState{!args.isEmpty() && args.first().toInt() == 2, false};
    }
    // No owner: it ended before the owner change reached us, and IBus may answer instead. Any
    // other error is fcitx5 not answering in time.
    // (Without auto-start the bus daemon answers NameHasNoOwner, which QDBusError has no value
    // for.)
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
        m_fcitxRunning = false;
    return std::nullopt;
}

ImeState ImeStatus::ibusReading() const
{
    return m_ibusConnected ? ImeStatusRules::readingOf(m_engine, m_modeSymbol) : ImeState{};
}

void ImeStatus::connectIbus()
{
    m_ibusLastAttempt.start();
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString address = env.value(QStringLiteral("IBUS_ADDRESS"));
    if (address.isEmpty()) {
        QFile file(ImeStatusRules::addressFilePath(
            env, QString::fromLatin1(QDBusConnection::localMachineId())));
        if (!file.open(QIODevice::ReadOnly))
            return;
        const ImeStatusRules::AddressFile contents =
            ImeStatusRules::parseAddressFile(file.read(4096));
        // The file outlives the daemon; libibus trusts it only while its process exists.
        if (contents.address.isEmpty() || contents.daemonPid <= 0 ||
            (::kill(pid_t(contents.daemonPid), 0) != 0 && errno != EPERM))
            return;
        address = contents.address;
    }

    QDBusConnection ibus = QDBusConnection::connectToBus(address, m_ibusConnectionName);
    if (!ibus.isConnected()) {
        QDBusConnection::disconnectFromBus(m_ibusConnectionName);
        return;
    }
    // Engines broadcast their properties: Mozc sends all of them (RegisterProperties) when it gets
    // focus and the changed one (UpdateProperty) when its mode changes, from whichever engine
    // object serves the focused input context.
    ibus.connect(QString(), QString(), kEngineInterface, QStringLiteral("UpdateProperty"), this,
                 SLOT(onEngineProperties(QDBusMessage)));
    ibus.connect(QString(), QString(), kEngineInterface, QStringLiteral("RegisterProperties"), this,
                 SLOT(onEngineProperties(QDBusMessage)));
    ibus.connect(kIbusService, kIbusPath, kIbusService, QStringLiteral("GlobalEngineChanged"), this,
                 SLOT(onGlobalEngineChanged(QString)));
    m_ibusConnected = true;

    QDBusMessage get = QDBusMessage::createMethodCall(
        kIbusService, kIbusPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kIbusService << QStringLiteral("GlobalEngine");
    ibus.callWithCallback(get, this, SLOT(onGlobalEngineReply(QDBusMessage)), nullptr,
                          kIbusCallTimeoutMs);
}

void ImeStatus::dropIbus()
{
    QDBusConnection::disconnectFromBus(m_ibusConnectionName);
    m_ibusConnected = false;
    setIbusState(QString(), QString());
}

void ImeStatus::setIbusState(const QString &engine, const QString &symbol)
{
    m_engine = engine;
    m_modeSymbol = symbol;
    const ImeState reading = ibusReading();
    if (reading.on != m_lastIbusReading.on ||
        reading.alphanumeric != m_lastIbusReading.alphanumeric) {
        m_lastIbusReading = reading;
        emit changed();
    }
}

void ImeStatus::onFcitxOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    const bool running = !newOwner.isEmpty();
    if (running != m_fcitxRunning) {
        m_fcitxRunning = running;
        emit changed();
    }
}

void ImeStatus::onIbusNameOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    if (!newOwner.isEmpty() && !m_ibusConnected && !m_fcitxRunning)
        connectIbus();
    else if (newOwner.isEmpty() && m_ibusConnected &&
             !QDBusConnection(m_ibusConnectionName).isConnected())
        dropIbus();
}

void ImeStatus::onEngineProperties(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    if (args.isEmpty())
        return;
    const QVariant value = args.first().value<QDBusVariant>().variant();
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return;
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (message.member() == QLatin1String("RegisterProperties")) {
        // the whole set of the engine that just got focus: no InputMode means no mode to show
        setIbusState(m_engine,
                     ImeStatusRules::propertyListSymbol(arg, kInputModeKey).value_or(QString()));
    } else if (const std::optional<QString> symbol =
                   ImeStatusRules::propertySymbol(arg, kInputModeKey)) {
        setIbusState(m_engine, *symbol);
    }
}

void ImeStatus::onGlobalEngineChanged(const QString &engine)
{
    // Mozc announces its mode again when it is enabled, but that may reach us before this signal
    // from the daemon; so the last symbol stays.
    setIbusState(engine, m_modeSymbol);
}

void ImeStatus::onGlobalEngineReply(const QDBusMessage &reply)
{
    // Properties.Get wraps the property, itself a variant, in one more variant
    const QList<QVariant> args = reply.arguments();
    if (args.isEmpty() || !m_ibusConnected)
        return;
    QVariant value = args.first().value<QDBusVariant>().variant();
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return;
    // a GlobalEngineChanged that came in meanwhile is newer
    if (m_engine.isEmpty())
        setIbusState(ImeStatusRules::engineName(value.value<QDBusArgument>()), m_modeSymbol);
}

std::optional<sys::ImeReading> sys::ReadImeState(bool)
{
    if (s_current == nullptr)
        return ImeReading{};
    // IBus says the mode along with the state at no extra cost; fcitx5 cannot say it at all.
    const std::optional<ImeState> reading = s_current->read();
    if (!reading)
        return std::nullopt;
    ImeReading result;
    result.nOpenStatus = reading->on ? 1 : 0;
    result.bNative = !reading->alphanumeric;
    return result;
}
