// The rules behind ImeStatus: IBus's serialised properties as they come off the wire (built here
// field for field like those ibus-daemon 1.5.27 and ibus-mozc 2.28 sent in a real session), Mozc's
// mode symbols, and where IBus's bus address is found.
#include "linux/system/Ime.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcessEnvironment>
#include <QVariantMap>

#include <gtest/gtest.h>

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
    QDBusArgument desc;
    beginSerializable(desc, "IBusEngineDesc");
    desc << QStringLiteral("xkb:jp::jpn") << QStringLiteral("Japanese")
         << QStringLiteral("Japanese") << QStringLiteral("ja") << QStringLiteral("GPL")
         << QStringLiteral("Peng Huang <shawn.p.huang@gmail.com>")
         << QStringLiteral("ibus-keyboard") << QStringLiteral("jp") << 50u;
    for (int i = 0; i < 8; ++i)
        desc << QString();
    desc.endStructure();
    EXPECT_EQ(ImeStatusRules::engineName(overTheWire(desc)), QStringLiteral("xkb:jp::jpn"));
}

TEST(ImeStatusRules, InputModeSymbolAndEngineGiveTheReading)
{
    const QString mozc = QStringLiteral("mozc-jp");
    struct Case {
        QString engine, symbol;
        bool on, alphanumeric;
    } const cases[] = {
        {mozc, QStringLiteral("A"), false, false},
        {mozc, QStringLiteral("あ"), true, false},
        {mozc, QStringLiteral("ア"), true, false},
        {mozc, QStringLiteral("_ｱ"), true, false},
        {mozc, QStringLiteral("_A"), true, true},
        {mozc, QStringLiteral("Ａ"), true, true},
        {mozc, QString(), false, false},
        {QStringLiteral("xkb:jp::jpn"), QStringLiteral("あ"), false, false},
        {QString(), QStringLiteral("あ"), false, false},
    };
    for (const Case &c : cases) {
        const ImeState reading = ImeStatusRules::readingOf(c.engine, c.symbol);
        EXPECT_EQ(reading.on, c.on) << c.engine.toStdString() << " " << c.symbol.toStdString();
        EXPECT_EQ(reading.alphanumeric, c.alphanumeric)
            << c.engine.toStdString() << " " << c.symbol.toStdString();
    }
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

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
