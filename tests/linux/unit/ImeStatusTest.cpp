// ImeStatus: the rules of each framework, case by case; IBus's serialised properties as they come
// off the wire (built here field for field like those ibus-daemon 1.5.27 and ibus-mozc 2.28 sent in
// a real session); what IBus's signals leave behind; where IBus's bus address is found; and, over
// bus daemons of the test's own, what happens when a framework or a bus daemon does not answer.
#include "linux/system/Ime.h"
#include "linux/system/Session.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

namespace {

QVariant variantOf(const QDBusArgument &arg)
{
    return QVariant::fromValue(QDBusVariant(QVariant::fromValue(arg)));
}

void beginSerializable(QDBusArgument &arg, const char *typeName)
{
    arg.beginStructure();
    arg << QString::fromLatin1(typeName) << QVariantMap();
}

QDBusArgument ibusText(const QString &text)
{
    QDBusArgument attributes;
    beginSerializable(attributes, "IBusAttrList");
    attributes.beginArray(QMetaType::fromType<QDBusVariant>());
    attributes.endArray();
    attributes.endStructure();

    QDBusArgument arg;
    beginSerializable(arg, "IBusText");
    arg << text << QDBusVariant(QVariant::fromValue(attributes));
    arg.endStructure();
    return arg;
}

QDBusArgument propList(const QList<QDBusArgument> &properties)
{
    QDBusArgument arg;
    beginSerializable(arg, "IBusPropList");
    arg.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const QDBusArgument &property : properties)
        arg << QDBusVariant(QVariant::fromValue(property));
    arg.endArray();
    arg.endStructure();
    return arg;
}

struct Property {
    QString key;
    uint type = 0;  // 0 normal, 2 radio, 3 menu
    QString label;
    QString icon;
    uint state = 0;
    QList<QDBusArgument> subProperties;
    QString symbol;
    bool withSymbol = true;  // IBus before 1.5 had no symbol
};

QDBusArgument ibusProperty(const Property &p)
{
    QDBusArgument arg;
    beginSerializable(arg, "IBusProperty");
    arg << p.key << p.type << QDBusVariant(QVariant::fromValue(ibusText(p.label))) << p.icon
        << QDBusVariant(QVariant::fromValue(ibusText(QString()))) << true << true << p.state
        << QDBusVariant(QVariant::fromValue(propList(p.subProperties)));
    if (p.withSymbol)
        arg << QDBusVariant(QVariant::fromValue(ibusText(p.symbol)));
    arg.endStructure();
    return arg;
}

// Mozc's InputMode menu with its six radio items, the current one checked.
QDBusArgument mozcInputMode(const QString &symbol, const QString &checked)
{
    const char *const modes[][2] = {
        {"Direct", "Direct input"},  {"Hiragana", "Hiragana"},
        {"Katakana", "Katakana"},    {"Latin", "Latin"},
        {"WideLatin", "Wide Latin"}, {"HalfWidthKatakana", "Half width katakana"}};
    QList<QDBusArgument> items;
    for (const auto &mode : modes) {
        const QString name = QString::fromLatin1(mode[0]);
        items << ibusProperty({QStringLiteral("InputMode.") + name,
                               2,
                               QString::fromLatin1(mode[1]),
                               QString(),
                               name == checked ? 1u : 0u,
                               {},
                               QString()});
    }
    return ibusProperty({QStringLiteral("InputMode"), 3,
                         QStringLiteral("Input Mode (%1)").arg(symbol),
                         QStringLiteral("/usr/share/ibus-mozc/direct.png"), 0, items, symbol});
}

QDBusArgument mozcTools()
{
    QList<QDBusArgument> items;
    for (const char *key :
         {"config_dialog", "dictionary_tool", "word_register_dialog", "about_dialog"})
        items << ibusProperty(
            {QString::fromLatin1(key), 0, QString::fromLatin1(key), QString(), 0, {}, QString()});
    return ibusProperty({QStringLiteral("MozcTool"), 3, QStringLiteral("Tools"),
                         QStringLiteral("/usr/share/ibus-mozc/tool.png"), 0, items, QString()});
}

// An IBusEngineDesc, the value of the daemon's GlobalEngine property.
QDBusArgument engineDesc(const QString &name)
{
    QDBusArgument desc;
    beginSerializable(desc, "IBusEngineDesc");
    desc << name << QStringLiteral("Japanese") << QStringLiteral("Japanese") << QStringLiteral("ja")
         << QStringLiteral("GPL") << QStringLiteral("Peng Huang <shawn.p.huang@gmail.com>")
         << QStringLiteral("ibus-keyboard") << QStringLiteral("jp") << 50u;
    for (int i = 0; i < 8; ++i)
        desc << QString();
    desc.endStructure();
    return desc;
}

// Answers every call and keeps its arguments.
class Catcher : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        caught = message.arguments();
        connection.send(message.createReply());
        return true;
    }
    QList<QVariant> caught;
};

// A QDBusArgument can be read only after a real trip over a connection, as the signal's argument
// takes. A private peer-to-peer bus gives the values that trip.
class IbusWire : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<QDBusServer>(QStringLiteral("unix:tmpdir=") + QDir::tempPath());
        QObject::connect(s_server.get(), &QDBusServer::newConnection,
                         [](const QDBusConnection &connection) {
                             QDBusConnection(connection)
                                 .registerVirtualObject(QStringLiteral("/catch"), &s_catcher);
                             s_serverSide = true;
                         });
        QDBusConnection::connectToPeer(s_server->address(), QStringLiteral("wire"));
        const QDeadlineTimer deadline(5000);
        while (!s_serverSide && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ASSERT_TRUE(s_serverSide);
    }
    static void TearDownTestSuite()
    {
        QDBusConnection::disconnectFromPeer(QStringLiteral("wire"));
        s_server.reset();
    }

    // What the receiving side finds inside the variant argument.
    static QDBusArgument overTheWire(const QDBusArgument &value)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QString(), QStringLiteral("/catch"),
                                                           QStringLiteral("org.lumidot.Test"),
                                                           QStringLiteral("Take"));
        call << variantOf(value);
        s_catcher.caught.clear();
        const QDBusPendingCall pending =
            QDBusConnection(QStringLiteral("wire")).asyncCall(call, 5000);
        const QDeadlineTimer deadline(5000);
        while (!pending.isFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(s_catcher.caught.size(), 1);
        return s_catcher.caught.value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
    }

    static inline std::unique_ptr<QDBusServer> s_server;
    static inline Catcher s_catcher;
    static inline bool s_serverSide = false;
};

TEST_F(IbusWire, UpdatePropertyGivesTheModeSymbolNotTheLabel)
{
    const QDBusArgument hiragana = mozcInputMode(QStringLiteral("あ"), QStringLiteral("Hiragana"));
    EXPECT_EQ(ImeStatusRules::propertySymbol(overTheWire(hiragana), QStringLiteral("InputMode")),
              QStringLiteral("あ"));
    EXPECT_EQ(ImeStatusRules::propertySymbol(overTheWire(mozcTools()), QStringLiteral("InputMode")),
              std::nullopt);
}

TEST_F(IbusWire, RegisterPropertiesFindsEachPropertyOfTheList)
{
    const QDBusArgument all =
        propList({mozcInputMode(QStringLiteral("A"), QStringLiteral("Direct")), mozcTools()});
    EXPECT_EQ(ImeStatusRules::propertyListSymbol(overTheWire(all), QStringLiteral("InputMode")),
              QStringLiteral("A"));
    EXPECT_EQ(ImeStatusRules::propertyListSymbol(overTheWire(all), QStringLiteral("MozcTool")),
              QString());
    EXPECT_EQ(
        ImeStatusRules::propertyListSymbol(overTheWire(all), QStringLiteral("InputMode.Direct")),
        std::nullopt);
}

TEST_F(IbusWire, OtherShapesAreRefused)
{
    Property old{
        QStringLiteral("InputMode"), 3, QStringLiteral("Input Mode (あ)"), QString(), 0, {},
        QStringLiteral("あ")};
    old.withSymbol = false;
    EXPECT_EQ(
        ImeStatusRules::propertySymbol(overTheWire(ibusProperty(old)), QStringLiteral("InputMode")),
        std::nullopt);
    EXPECT_EQ(ImeStatusRules::propertyListSymbol(overTheWire(ibusText(QStringLiteral("あ"))),
                                                 QStringLiteral("InputMode")),
              std::nullopt);
}

TEST_F(IbusWire, GlobalEngineNamesTheEngine)
{
    EXPECT_EQ(ImeStatusRules::engineName(overTheWire(engineDesc(QStringLiteral("xkb:jp::jpn")))),
              QStringLiteral("xkb:jp::jpn"));
}

std::string shown(const ImeState &state)
{
    return !state.on ? "off" : state.alphanumeric ? "on, alphanumeric" : "on";
}

std::string shown(const std::optional<ImeState> &state)
{
    return state ? shown(*state) : "as it was";
}

TEST(ImeStatusRules, FcitxIsOnForAnActiveInputMethodThatIsNoLayout)
{
    struct Case {
        int state;
        const char *inputMethod, *trayIcon, *reading;
    } const cases[] = {
        {0, "", "", "off"},
        {1, "keyboard-jp", "", "off"},
        {2, "keyboard-ru", "", "off"},
        {2, "keyboard-us", "input-keyboard-symbolic", "off"},
        {2, "pinyin", "fcitx-pinyin", "on"},
        {2, "hangul", "fcitx-hangul", "on"},
        {2, "mozc", "", "on"},
        {2, "mozc", "fcitx_mozc_hiragana", "on"},
        {2, "mozc", "fcitx_mozc_katakana_half", "on"},
        {2, "mozc", "fcitx_mozc_alpha_half", "on, alphanumeric"},
        {2, "mozc", "fcitx_mozc_alpha_full", "on, alphanumeric"},
        {2, "mozc", "fcitx_mozc_direct", "off"},
        {2, "mozc", "org.fcitx.Fcitx5.fcitx_mozc_direct", "off"},
        {2, "mozc", "org.fcitx.Fcitx5.fcitx_mozc_alpha_full", "on, alphanumeric"},
        {1, "keyboard-jp", "fcitx_mozc_alpha_half", "off"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(shown(ImeStatusRules::fcitxReading(c.state, QString::fromUtf8(c.inputMethod),
                                                     QString::fromUtf8(c.trayIcon))),
                  c.reading)
            << c.state << " " << c.inputMethod << " " << c.trayIcon;
}

TEST(ImeStatusRules, IbusIsOnForAnEngineThatIsNoLayoutInTheFocusedInputContext)
{
    struct Case {
        const char *engine;
        std::optional<const char *> symbol;
        bool focused;
        const char *reading;
    } const cases[] = {
        {"mozc-jp", "A", true, "off"},
        {"mozc-jp", "あ", true, "on"},
        {"mozc-jp", "ア", true, "on"},
        {"mozc-jp", "_ｱ", true, "on"},
        {"mozc-jp", "_A", true, "on, alphanumeric"},
        {"mozc-jp", "Ａ", true, "on, alphanumeric"},
        {"hangul", "EN", true, "on, alphanumeric"},
        {"hangul", "ＥＮ", true, "on, alphanumeric"},
        {"hangul", "한", true, "on"},
        {"libpinyin", "英", true, "on, alphanumeric"},
        {"libpinyin", "中", true, "on"},
        {"table:wubi", std::nullopt, true, "on"},
        {"xkb:jp::jpn", "あ", true, "off"},
        {"", "あ", true, "off"},
        {"mozc-jp", "あ", false, "off"},
    };
    for (const Case &c : cases) {
        const std::optional<QString> symbol =
            c.symbol ? std::optional<QString>(QString::fromUtf8(*c.symbol)) : std::nullopt;
        EXPECT_EQ(
            shown(ImeStatusRules::ibusReading(QString::fromUtf8(c.engine), symbol, c.focused)),
            c.reading)
            << c.engine << " " << c.symbol.value_or("(none)") << " " << c.focused;
    }
}

// Each engine IBus makes announces from an object of its own.
const QString kMozcObject = QStringLiteral(":1.5/org/freedesktop/IBus/Engine/1");
const QString kHangulObject = QStringLiteral(":1.6/org/freedesktop/IBus/Engine/1");

TEST(IbusTracker, AnEngineChangeForgetsTheOldEnginesMode)
{
    IbusTracker ibus;
    ibus.engineFound(QStringLiteral("mozc-jp"));
    // nothing heard since connecting: Mozc may well be in direct input
    EXPECT_EQ(shown(ibus.reading()), "off");
    ibus.propertiesRegistered(kMozcObject, QStringLiteral("_A"), 3);
    EXPECT_EQ(shown(ibus.reading()), "on, alphanumeric");
    ibus.engineChanged(QStringLiteral("table:wubi"), 60000);
    // until the new engine says its mode, or is found to have none to say
    EXPECT_EQ(shown(ibus.reading()), "as it was");
    ibus.engineSettled();
    EXPECT_EQ(shown(ibus.reading()), "on");
}

TEST(IbusTracker, ANewEnginesModeThatOvertookTheWordOfTheChangeStays)
{
    IbusTracker ibus;
    ibus.engineChanged(QStringLiteral("mozc-jp"), 0);
    ibus.propertiesRegistered(kMozcObject, QStringLiteral("あ"), 3);
    ibus.propertiesRegistered(kHangulObject, QStringLiteral("EN"), 60000);
    ibus.engineChanged(QStringLiteral("hangul"), 60002);
    EXPECT_EQ(shown(ibus.reading()), "on, alphanumeric");
}

TEST(ImeStatusRules, IbusIsFoundWhereTheDaemonWritesItsAddress)
{
    const QString id = QStringLiteral("3d1219c7c4c5404aaa1f6d2a48adfda4");
    const auto path = [&](std::initializer_list<std::pair<const char *, const char *>> vars) {
        QProcessEnvironment env;
        for (const auto &[name, value] : vars)
            env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        return ImeStatusRules::addressFilePath(env, id);
    };
    EXPECT_EQ(path({{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/c"}, {"DISPLAY", ":77"}}),
              "/c/ibus/bus/" + id + "-unix-77");
    EXPECT_EQ(path({{"HOME", "/h"}, {"DISPLAY", ":0.0"}}), "/h/.config/ibus/bus/" + id + "-unix-0");
    EXPECT_EQ(path({{"HOME", "/h"}, {"DISPLAY", "box:1.0"}}),
              "/h/.config/ibus/bus/" + id + "-box-1");
    EXPECT_EQ(path({{"HOME", "/h"}, {"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}),
              "/h/.config/ibus/bus/" + id + "-unix-wayland-0");
    EXPECT_EQ(path({{"HOME", "/h"}, {"DISPLAY", ":0"}, {"IBUS_ADDRESS_FILE", "/run/ibus"}}),
              "/run/ibus");

    const ImeStatusRules::AddressFile file = ImeStatusRules::parseAddressFile(
        "# This file is created by ibus-daemon, please do not modify it.\n"
        "# If the IBUS_ADDRESS environment variable is set, it will\n"
        "# be used rather than this file.\n"
        "IBUS_ADDRESS=unix:abstract=/home/u/.cache/ibus/"
        "dbus-qbG0GGKD,guid=92ceb4d1954e79b965d07c256b166df7\n"
        "IBUS_DAEMON_PID=15177\n");
    EXPECT_EQ(
        file.address,
        "unix:abstract=/home/u/.cache/ibus/dbus-qbG0GGKD,guid=92ceb4d1954e79b965d07c256b166df7");
    EXPECT_EQ(file.daemonPid, 15177);
    // what a display without a daemon is left with
    EXPECT_EQ(ImeStatusRules::parseAddressFile("IBUS_ADDRESS=\nIBUS_DAEMON_PID=\n").address,
              QString());
}

// --- over bus daemons of the test's own ---

// A dbus-daemon of the test's: the session's bus, or the one ibus-daemon would run.
class BusDaemon {
public:
    BusDaemon()
    {
        m_process.start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--print-address=1"),
                         QStringLiteral("--address=unix:tmpdir=") + QDir::tempPath()});
        if (m_process.waitForReadyRead(10000))
            address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~BusDaemon()
    {
        resume();
        m_process.kill();
        m_process.waitForFinished();
    }
    // A daemon that is stopped takes calls and answers none, like one that is stuck.
    void stop() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(m_process.processId()), SIGCONT); }

    QString address;

private:
    QProcess m_process;
};

BusDaemon *s_sessionBus = nullptr;

bool waitUntil(const std::function<bool()> &condition, int ms = 10000)
{
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Takes calls and answers none: a framework busy elsewhere.
class Silent : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
};

// Answers a property read, slowDownMs late: a service that does not answer within a reader's
// time limit, then does.
void answerProperty(const QDBusMessage &message, const QDBusConnection &connection,
                    const QVariant &value, int slowDownMs)
{
    const QDBusMessage reply = message.createReply(QVariant::fromValue(QDBusVariant(value)));
    QTimer::singleShot(slowDownMs,
                       [connection, reply] { QDBusConnection(connection).send(reply); });
}

// What a reader that gives up after a second must ignore: the answer that comes later.
constexpr int kLateMs = 1500;

// The desktop's tray host with fcitx5's item registered, both on one connection of their own.
class FakeFcitxTray : public QDBusVirtualObject {
public:
    FakeFcitxTray()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(s_sessionBus->address, kName);
        bus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), this);
        bus.registerVirtualObject(QStringLiteral("/StatusNotifierItem"), this);
        bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~FakeFcitxTray() override { QDBusConnection::disconnectFromBus(kName); }

    void newIcon()
    {
        QDBusConnection(kName).send(QDBusMessage::createSignal(
            QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"),
            QStringLiteral("NewIcon")));
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString property = message.arguments().value(1).toString();
        if (property == QLatin1String("RegisteredStatusNotifierItems"))
            answerProperty(
                message, connection,
                QStringList{connection.baseService() + QStringLiteral("/StatusNotifierItem")}, 0);
        else if (property == QLatin1String("Id"))
            answerProperty(message, connection, QStringLiteral("Fcitx"), 0);
        else if (property == QLatin1String("IconName"))
            answerProperty(message, connection, iconName, slowDownMs);
        else
            return false;
        return true;
    }

    QString iconName;
    int slowDownMs = 0;

private:
    static inline const QString kName = QStringLiteral("fake-fcitx-tray");
};

// ibus-daemon as its clients see it: its name on its own bus, the global engine and the focused
// input context; and its engine, which announces its properties when it gets focus.
class FakeIbus : public QDBusVirtualObject {
public:
    FakeIbus(const QString &address, const QString &engine)
        : m_name(QStringLiteral("fake-ibus-") + engine), m_engine(engine)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, m_name);
        bus.registerVirtualObject(QStringLiteral("/org/freedesktop/IBus"), this);
        bus.registerService(QStringLiteral("org.freedesktop.IBus"));
    }
    ~FakeIbus() override { QDBusConnection::disconnectFromBus(m_name); }

    // The global engine changes, as the desktop's input method menu changes it.
    void changeEngine(const QString &engine)
    {
        m_engine = engine;
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/IBus"),
                                                         QStringLiteral("org.freedesktop.IBus"),
                                                         QStringLiteral("GlobalEngineChanged"));
        signal << engine;
        QDBusConnection(m_name).send(signal);
    }

    QString inputContext = QStringLiteral("/org/freedesktop/IBus/InputContext_2");
    int slowDownMs = 0;

    void announce(const QString &symbol)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/IBus/Engine/1"),
            QStringLiteral("org.freedesktop.IBus.Engine"), QStringLiteral("RegisterProperties"));
        signal << variantOf(propList({mozcInputMode(symbol, QStringLiteral("Hiragana"))}));
        QDBusConnection(m_name).send(signal);
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString property = message.arguments().value(1).toString();
        QVariant value;
        if (property == QLatin1String("GlobalEngine"))
            value = QVariant::fromValue(QDBusVariant(QVariant::fromValue(engineDesc(m_engine))));
        else if (property == QLatin1String("CurrentInputContext"))
            value = QVariant::fromValue(QDBusObjectPath(inputContext));
        else
            return false;
        answerProperty(message, connection, value, slowDownMs);
        return true;
    }

private:
    QString m_name, m_engine;
};

TEST(PrivateBus, FcitxNotAnsweringKeepsTheLastStateAndNeverReadsIbus)
{
    Silent silent;
    QDBusConnection fcitx =
        QDBusConnection::connectToBus(s_sessionBus->address, QStringLiteral("busy-fcitx"));
    fcitx.registerVirtualObject(QStringLiteral("/controller"), &silent);
    fcitx.registerService(QStringLiteral("org.fcitx.Fcitx5"));
    {
        ImeStatus status;
        // fcitx5 runs (and, without its tray item, cannot tell alphanumeric input apart)
        ASSERT_TRUE(waitUntil([&] { return !status.canTellMode(); }));
        EXPECT_EQ(shown(status.read()), "as it was");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("busy-fcitx"));
}

TEST(PrivateBus, AnIbusRestartedOnANewBusIsFollowed)
{
    auto first = std::make_unique<BusDaemon>();
    auto mozc = std::make_unique<FakeIbus>(first->address, QStringLiteral("mozc-jp"));
    qputenv("IBUS_ADDRESS", first->address.toUtf8());
    ImeStatus status;
    // announced again and again, as focus would come and go, until the reader has joined the bus
    const auto hiraganaSeen = [&](FakeIbus &ibus) {
        return waitUntil([&] {
            ibus.announce(QStringLiteral("あ"));
            return shown(status.read()) == "on";
        });
    };
    EXPECT_TRUE(hiraganaSeen(*mozc));

    mozc.reset();
    first.reset();
    // the dead connection is let go...
    EXPECT_TRUE(waitUntil([&] { return shown(status.read()) == "off"; }));
    BusDaemon second;
    FakeIbus again(second.address, QStringLiteral("mozc-jp"));
    qputenv("IBUS_ADDRESS", second.address.toUtf8());
    // ...and the new bus joined
    EXPECT_TRUE(hiraganaSeen(again));
    qunsetenv("IBUS_ADDRESS");
}

TEST(PrivateBus, FcitxsTrayItemTellsTheModeByItsIconNameAndALateAnswerIsNoNews)
{
    FakeFcitxTray tray;
    ImeTrayItem item(QDBusConnection::sessionBus());
    // "Prefer Text Icon": the item is there, its icon has no name
    ASSERT_TRUE(waitUntil([&] { return item.isFound(); }));
    EXPECT_FALSE(item.tellsMode());

    tray.iconName = QStringLiteral("fcitx_mozc_hiragana");
    tray.newIcon();
    ASSERT_TRUE(waitUntil([&] { return item.tellsMode(); }));

    tray.iconName = QStringLiteral("fcitx_mozc_alpha_half");
    tray.slowDownMs = kLateMs;
    tray.newIcon();
    EXPECT_FALSE(
        waitUntil([&] { return item.iconName() != "fcitx_mozc_hiragana"; }, kLateMs + 1000));
}

TEST(PrivateBus, IbusAnsweringLateKeepsTheLastReadingAndAnEngineWithoutPropertiesIsOn)
{
    BusDaemon bus;
    FakeIbus ibus(bus.address, QStringLiteral("mozc-jp"));
    qputenv("IBUS_ADDRESS", bus.address.toUtf8());
    ImeStatus status;
    ASSERT_TRUE(waitUntil([&] {
        ibus.announce(QStringLiteral("A"));
        return shown(status.read()) == "off";
    }));
    ibus.announce(QStringLiteral("あ"));
    ASSERT_TRUE(waitUntil([&] { return shown(status.read()) == "on"; }));

    // focus gone to a window without an input context, said too late to count
    ibus.inputContext = QStringLiteral("/org/freedesktop/IBus/InputContext_1");
    ibus.slowDownMs = kLateMs;
    ibus.announce(QStringLiteral("あ"));
    EXPECT_FALSE(waitUntil([&] { return shown(status.read()) != "on"; }, kLateMs + 1000));

    ibus.inputContext = QStringLiteral("/org/freedesktop/IBus/InputContext_2");
    ibus.slowDownMs = 0;
    ibus.announce(QStringLiteral("A"));
    ASSERT_TRUE(waitUntil([&] { return shown(status.read()) == "off"; }));
    // an engine that says nothing of its properties has no mode to say
    ibus.changeEngine(QStringLiteral("table:wubi"));
    EXPECT_TRUE(waitUntil([&] { return shown(status.read()) == "on"; }));
    qunsetenv("IBUS_ADDRESS");
}

TEST(PrivateBus, StuckBusDaemonsHoldStartAndExitUpForASecondAtMost)
{
    BusDaemon ibus;
    qputenv("IBUS_ADDRESS", ibus.address.toUtf8());
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    ibus.stop();
    s_sessionBus->stop();
    QElapsedTimer clock;
    clock.start();
    {
        ImeStatus status;
        status.read();
        EXPECT_TRUE(claimInstanceName(QStringLiteral("org.lumidot.Test")));
        releaseInstanceName(QStringLiteral("org.lumidot.Test"));
    }
    const qint64 waited = clock.elapsed();
    s_sessionBus->resume();
    qunsetenv("IBUS_ADDRESS");
    // well below Qt's default of 25 s for a call: one second for each of the two calls to the
    // session's daemon, a quarter for IBus's greeting
    EXPECT_LT(waited, 5000);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // A session of the test's own: its bus, and no IBus of the desktop the test runs in.
    BusDaemon sessionBus;
    s_sessionBus = &sessionBus;
    qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus.address.toUtf8());
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qunsetenv("IBUS_ADDRESS");
    return RUN_ALL_TESTS();
}
