#include "linux/system/Ime.h"

#include "linux/system/DBus.h"

#include "core/Platform.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QProcessEnvironment>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");
const QString kIbusService = QStringLiteral("org.freedesktop.IBus");
const QString kIbusPath = QStringLiteral("/org/freedesktop/IBus");
const QString kEngineInterface = QStringLiteral("org.freedesktop.IBus.Engine");
const QString kInputModeKey = QStringLiteral("InputMode");
// ibus-daemon makes this input context before any other and gives it focus while the focused
// window has none, so that the global engine has somewhere to be.
const QString kIbusStandInContext = QStringLiteral("/org/freedesktop/IBus/InputContext_1");

// A poll that waits longer than this for fcitx5 would stall the tray; the caller keeps its last
// state instead.
constexpr int kFcitxTimeoutMs = 100;
// Trying IBus's address file and socket is cheap but not free; a desktop without IBus must not
// pay for it on every poll.
constexpr qint64 kIbusRetryMs = 3000;
// A daemon answers a greeting within a millisecond; one that does not is stopped or stuck.
constexpr int kGreetingTimeoutMs = 250;
// A new engine announces its properties within milliseconds of the change; until then, or until
// this passes (an engine with no properties to announce), the reading stays as it was.
constexpr int kEngineSettleMs = 200;
// An engine object first heard this shortly before the daemon's word of an engine change is the
// new engine's: its announcement overtook that word.
constexpr qint64 kNewEngineMs = 500;

const QString kErrorNoOwner = QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
const QString kErrorUnknown = QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
const QString kErrorFailed = QStringLiteral("org.freedesktop.DBus.Error.Failed");

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

// Whether the bus daemon at a unix: address answers the first step of a client's greeting,
// authentication, within timeoutMs. The question is dropped unfinished, which a daemon takes as a
// client that went away. Other transports are left to Qt.
bool daemonGreets(const QString &address, int timeoutMs)
{
    if (!address.startsWith(QLatin1String("unix:")))
        return true;
    QByteArray name;
    bool abstract = false;
    for (const QString &pair : address.mid(5).split(QLatin1Char(','))) {
        abstract = pair.startsWith(QLatin1String("abstract="));
        if (abstract || pair.startsWith(QLatin1String("path="))) {
            name = QByteArray::fromPercentEncoding(pair.mid(pair.indexOf('=') + 1).toUtf8());
            break;
        }
    }
    sockaddr_un socketAddress{};
    const qsizetype start = abstract ? 1 : 0;  // an abstract name follows a zero byte
    if (name.isEmpty() || start + name.size() >= qsizetype(sizeof socketAddress.sun_path))
        return true;
    socketAddress.sun_family = AF_UNIX;
    std::memcpy(socketAddress.sun_path + start, name.constData(), size_t(name.size()));
    const auto length =
        socklen_t(offsetof(sockaddr_un, sun_path) + start + name.size() + (abstract ? 0 : 1));

    // A client's greeting opens with a zero byte; EXTERNAL names our uid, its decimal digits in
    // hex.
    const QByteArray hello =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    bool answered = false;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&socketAddress), length) == 0 &&
        ::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) == hello.size()) {
        pollfd wait{fd, POLLIN, 0};
        char reply[64];
        answered = ::poll(&wait, 1, timeoutMs) == 1 && ::recv(fd, reply, sizeof reply, 0) > 0;
    }
    ::close(fd);
    return answered;
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

ImeState fcitxReading(int state, const QString &inputMethod, const QString &trayIcon)
{
    // 2 is "not the group's first input method", a second plain layout included.
    if (state != 2 || inputMethod.startsWith(QLatin1String("keyboard-")))
        return {};
    // Inside Flatpak, newer fcitx5 names its icons org.fcitx.Fcitx5.fcitx_mozc_*.
    const QString icon = trayIcon.section(QLatin1Char('.'), -1);
    if (icon == QLatin1String("fcitx_mozc_direct"))
        return {};
    const bool alphanumeric = icon == QLatin1String("fcitx_mozc_alpha_half") ||
                              icon == QLatin1String("fcitx_mozc_alpha_full");
    return {true, alphanumeric};
}

ImeState ibusReading(const QString &engine, const std::optional<QString> &symbol,
                     bool inputContextFocused)
{
    if (engine.isEmpty() || engine.startsWith(QLatin1String("xkb:")) || !inputContextFocused)
        return {};
    if (!symbol)
        return {true, false};
    // Mozc's direct input: Mozc itself is off.
    if (*symbol == QLatin1String("A"))
        return {};
    // The Latin modes: Mozc's half- and full-width alphanumerics, Hangul's and libpinyin's English.
    static const QStringList latin = {QStringLiteral("_A"), QStringLiteral("Ａ"),
                                      QStringLiteral("EN"), QStringLiteral("ＥＮ"),
                                      QStringLiteral("英")};
    return {true, latin.contains(*symbol)};
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

void IbusTracker::engineChanged(const QString &engine, qint64 now)
{
    const auto first = m_firstHeard.constFind(m_symbolSource);
    const std::optional<qint64> symbolSourceHeard =
        first == m_firstHeard.cend() ? std::nullopt : std::optional<qint64>(*first);
    m_firstHeard.clear();
    m_engine = engine;
    if (symbolSourceHeard && now - *symbolSourceHeard < kNewEngineMs) {
        m_firstHeard.insert(m_symbolSource, *symbolSourceHeard);
        return;
    }
    // The old engine's symbol says nothing of the new one, which announces its own.
    m_symbol.reset();
    m_symbolSource.clear();
    m_heard = Heard::Awaited;
}

void IbusTracker::engineFound(const QString &engine)
{
    if (m_engine.isEmpty())
        m_engine = engine;
}

void IbusTracker::propertiesRegistered(const QString &source, const std::optional<QString> &symbol,
                                       qint64 now)
{
    setSymbol(source, symbol, now);
}

void IbusTracker::inputModeUpdated(const QString &source, const QString &symbol, qint64 now)
{
    setSymbol(source, symbol, now);
}

void IbusTracker::setSymbol(const QString &source, const std::optional<QString> &symbol, qint64 now)
{
    m_firstHeard.insert(source, m_firstHeard.value(source, now));
    m_symbol = symbol;
    m_symbolSource = source;
    m_heard = Heard::Properties;
}

void IbusTracker::engineSettled()
{
    if (m_heard == Heard::Awaited)
        m_heard = Heard::Properties;
}

void IbusTracker::focusChanged(bool inputContextFocused) { m_focused = inputContextFocused; }

std::optional<ImeState> IbusTracker::reading() const
{
    const ImeState reading = ImeStatusRules::ibusReading(m_engine, m_symbol, m_focused);
    if (!reading.on || m_heard == Heard::Properties)
        return reading;
    // Its mode unknown, an input method that may be in direct input is not claimed on.
    return m_heard == Heard::Awaited ? std::nullopt : std::optional<ImeState>(ImeState{});
}

ImeStatus::ImeStatus(QObject *parent)
    : QObject(parent), m_session(QDBusConnection::sessionBus()),
      m_fcitxState(fcitxCall(QStringLiteral("State"))),
      m_fcitxInputMethod(fcitxCall(QStringLiteral("CurrentInputMethod"))),
      m_trayItem(m_session, this),
      m_ibusConnectionName(QStringLiteral("lumidot-ibus-%1").arg(nextConnectionNumber()))
{
    if (s_current == nullptr)
        s_current = this;
    m_clock.start();
    m_engineSettle.setSingleShot(true);
    m_engineSettle.setInterval(kEngineSettleMs);
    connect(&m_engineSettle, &QTimer::timeout, this, [this] {
        m_ibus.engineSettled();
        ibusChanged();
    });
    // Its icon changes 5-9 ms after a key that changes the input method: the signal to act on.
    connect(&m_trayItem, &ImeTrayItem::changed, this, &ImeStatus::changed);
    if (!m_session.isConnected())
        return;

    auto *fcitxWatcher = new QDBusServiceWatcher(kFcitxService, m_session,
                                                 QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(fcitxWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                setFcitxRunning(!newOwner.isEmpty());
            });
    // ibus-daemon takes this name on the session bus once its own bus is up and its address file
    // written, so it is the moment to connect. fcitx5 takes the same name for its IBus frontend;
    // then there is no address file and the attempt ends at once.
    auto *ibusWatcher = new QDBusServiceWatcher(kIbusService, m_session,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(ibusWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ImeStatus::onIbusNameOwnerChanged);

    // fcitx5 and IBus are both D-Bus activatable: a plain call would start one of them on a
    // desktop that uses neither. Whether fcitx5 runs is what the bus daemon says of its name,
    // asked without waiting: the first polls read IBus meanwhile.
    callWithoutWaiting(m_session, busDaemonCall("NameHasOwner", kFcitxService), this,
                       [this](const QDBusMessage &reply) {
                           if (reply.type() == QDBusMessage::ReplyMessage &&
                               reply.arguments().value(0).toBool())
                               setFcitxRunning(true);
                       });
}

ImeStatus::~ImeStatus()
{
    if (s_current == this)
        s_current = nullptr;
    QDBusConnection::disconnectFromBus(m_ibusConnectionName);
}

QDBusMessage ImeStatus::fcitxCall(const QString &method)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                       QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
    call.setAutoStartService(false);
    return call;
}

std::optional<ImeState> ImeStatus::read()
{
    if (m_fcitxRunning) {
        // A time-out says nothing about IBus: fcitx5 still runs, and the caller keeps its state.
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

bool ImeStatus::canTellMode() const { return !m_fcitxRunning || m_trayItem.tellsMode(); }

std::optional<ImeState> ImeStatus::readFcitx()
{
    const std::optional<QDBusMessage> state = askFcitx(m_fcitxState);
    if (!state)
        return std::nullopt;
    // 2 is an active input method; 1 is inactive and 0 means no input context has focus
    const int value = state->arguments().value(0).toInt();
    QString inputMethod;
    if (value == 2) {
        const std::optional<QDBusMessage> current = askFcitx(m_fcitxInputMethod);
        if (!current)
            return std::nullopt;
        inputMethod = current->arguments().value(0).toString();
    }
    return ImeStatusRules::fcitxReading(value, inputMethod, m_trayItem.iconName());
}

std::optional<QDBusMessage> ImeStatus::askFcitx(const QDBusMessage &call)
{
    const QDBusMessage reply = m_session.call(call, QDBus::Block, kFcitxTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply;
    // No owner: it ended before the owner change reached us, and IBus may answer instead. Any
    // other error is fcitx5 not answering in time.
    // (Without auto-start the bus daemon answers NameHasNoOwner, which QDBusError has no value
    // for.)
    const QString error = reply.errorName();
    if (error == kErrorNoOwner || error == kErrorUnknown)
        m_fcitxRunning = false;
    return std::nullopt;
}

void ImeStatus::setFcitxRunning(bool running)
{
    if (running != m_fcitxRunning) {
        m_fcitxRunning = running;
        emit changed();
    }
}

std::optional<ImeState> ImeStatus::ibusReading() const
{
    if (!m_ibusConnected)
        return ImeState{};
    // an engine that just changed and has not yet said its mode: as last read
    return m_ibus.reading().value_or(m_lastIbusReading);
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
    // Qt waits for the daemon's greeting with libdbus's 25 s time-out, on the thread that serves
    // every D-Bus connection of the program; a daemon that is stopped or stuck would freeze it.
    if (!daemonGreets(address, kGreetingTimeoutMs))
        return;

    QDBusConnection ibus = QDBusConnection::connectToBus(address, m_ibusConnectionName);
    if (!ibus.isConnected()) {
        QDBusConnection::disconnectFromBus(m_ibusConnectionName);
        return;
    }
    // Engines broadcast their properties: all of them (RegisterProperties) when one gets focus or
    // is made the engine, the changed one (UpdateProperty) when its mode changes. The senders are
    // left open: naming the daemon's well-known name would make Qt ask for its owner and wait.
    ibus.connect(QString(), QString(), kEngineInterface, QStringLiteral("UpdateProperty"), this,
                 SLOT(onEngineProperties(QDBusMessage)));
    ibus.connect(QString(), QString(), kEngineInterface, QStringLiteral("RegisterProperties"), this,
                 SLOT(onEngineProperties(QDBusMessage)));
    ibus.connect(QString(), kIbusPath, kIbusService, QStringLiteral("GlobalEngineChanged"), this,
                 SLOT(onGlobalEngineChanged(QDBusMessage)));
    m_ibusConnected = true;

    askIbusProperty(QStringLiteral("GlobalEngine"), [this](const QDBusMessage &reply) {
        // Properties.Get wraps the property, itself a variant, in one more variant
        QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        if (value.userType() == qMetaTypeId<QDBusVariant>())
            value = value.value<QDBusVariant>().variant();
        if (value.userType() == qMetaTypeId<QDBusArgument>()) {
            m_ibus.engineFound(ImeStatusRules::engineName(value.value<QDBusArgument>()));
            ibusChanged();
        }
    });
    askInputContext();
}

void ImeStatus::askIbusProperty(const QString &name, std::function<void(const QDBusMessage &)> then)
{
    const quint64 connection = m_ibusConnection;
    callWithoutWaiting(QDBusConnection(m_ibusConnectionName),
                       propertyGetCall(kIbusService, kIbusPath, kIbusService, name), this,
                       [this, connection, then = std::move(then)](const QDBusMessage &reply) {
                           // an answer from a connection since dropped is no news
                           if (m_ibusConnected && connection == m_ibusConnection)
                               then(reply);
                       });
}

void ImeStatus::askInputContext()
{
    const quint64 query = ++m_inputContextQuery;
    askIbusProperty(
        QStringLiteral("CurrentInputContext"), [this, query](const QDBusMessage &reply) {
            if (query != m_inputContextQuery)
                return;
            if (reply.type() == QDBusMessage::ReplyMessage) {
                const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
                const QString path = value.userType() == qMetaTypeId<QDBusObjectPath>()
                                         ? value.value<QDBusObjectPath>().path()
                                         : value.toString();
                m_ibus.focusChanged(path != kIbusStandInContext);
            } else if (reply.errorName() == kErrorFailed) {
                // "No focused input context": nothing has had focus yet
                m_ibus.focusChanged(false);
            }
            ibusChanged();
        });
}

void ImeStatus::dropIbus()
{
    QDBusConnection::disconnectFromBus(m_ibusConnectionName);
    m_ibusConnected = false;
    ++m_ibusConnection;
    m_ibus = IbusTracker();
    m_engineSettle.stop();
    ibusChanged();
}

void ImeStatus::ibusChanged()
{
    const ImeState reading = ibusReading().value_or(ImeState{});
    if (reading.on != m_lastIbusReading.on ||
        reading.alphanumeric != m_lastIbusReading.alphanumeric) {
        m_lastIbusReading = reading;
        emit changed();
    }
}

void ImeStatus::onIbusNameOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    // `ibus restart` gives the name up and takes it again on a new bus: the connection to the old
    // one is dead by then.
    if (m_ibusConnected && !QDBusConnection(m_ibusConnectionName).isConnected())
        dropIbus();
    if (!newOwner.isEmpty() && !m_ibusConnected && !m_fcitxRunning)
        connectIbus();
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
    const QString source = message.service() + message.path();
    const qint64 now = m_clock.elapsed();
    if (message.member() == QLatin1String("RegisterProperties")) {
        // The whole set of an engine that just got focus or was just made the engine; focus may
        // have moved to a window without an input context.
        m_ibus.propertiesRegistered(source, ImeStatusRules::propertyListSymbol(arg, kInputModeKey),
                                    now);
        m_engineSettle.stop();
        askInputContext();
    } else if (const std::optional<QString> symbol =
                   ImeStatusRules::propertySymbol(arg, kInputModeKey)) {
        m_ibus.inputModeUpdated(source, *symbol, now);
        m_engineSettle.stop();
    } else {
        return;
    }
    ibusChanged();
}

void ImeStatus::onGlobalEngineChanged(const QDBusMessage &message)
{
    m_ibus.engineChanged(message.arguments().value(0).toString(), m_clock.elapsed());
    if (!m_ibus.reading())
        m_engineSettle.start();
    askInputContext();
    ibusChanged();
}

std::optional<sys::ImeReading> sys::ReadImeState(bool bWithMode)
{
    if (s_current == nullptr)
        return ImeReading{};
    // The mode comes with the state at no extra cost (IBus's signals, fcitx5's tray item).
    const std::optional<ImeState> reading = s_current->read();
    if (!reading)
        return std::nullopt;
    ImeReading result;
    result.nOpenStatus = reading->on ? 1 : 0;
    // As the seam promises: native unless the mode was asked for.
    result.bNative = !bWithMode || !reading->alphanumeric;
    return result;
}
