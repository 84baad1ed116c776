#include "linux/system/Tray.h"

#include "core/Texts.h"
#include "linux/system/DBus.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

TrayIcon *s_current = nullptr;

// The lamps of the tray presets, drawn by the same generator as the Windows edition's icons.
const char *const kLampFiles[sys::TRAY_PRESET_COUNT] = {":/icons/LampOn.ico", ":/icons/LampOff.ico",
                                                        ":/icons/LampOnNoPort.ico",
                                                        ":/icons/LampOffNoPort.ico"};

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A tray that announces itself to nobody (an XEmbed tray on X11) is looked for this often.
constexpr int kLookAgainMs = 1000;
// Autostart often runs before the desktop's panel: this long, no tray is no news yet.
constexpr int kPatienceMs = 5000;

// Asked the way Qt asks it: a watcher with a host registered. A watcher alone is not enough for
// Qt, and a "no" from Qt would be final.
bool statusNotifierHostRuns()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage owned =
        bus.call(busDaemonCall("NameHasOwner", kWatcher), QDBus::Block, kBusAnswerTimeoutMs);
    if (owned.type() != QDBusMessage::ReplyMessage || !owned.arguments().value(0).toBool())
        return false;
    const QDBusMessage registered =
        bus.call(propertyGetCall(kWatcher, kWatcherPath, kWatcher,
                                 QStringLiteral("IsStatusNotifierHostRegistered")),
                 QDBus::Block, kBusAnswerTimeoutMs);
    return registered.type() == QDBusMessage::ReplyMessage &&
           registered.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

// The X screen that DISPLAY names (":0.1" is screen 1): its tray owns _NET_SYSTEM_TRAY_Sn.
int xScreenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon + 1);
    return colon >= 0 && dot > colon ? display.mid(dot + 1).toInt() : 0;
}

template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

// The X display we are shown on; none on Wayland.
xcb_connection_t *xConnection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// An XEmbed tray runs on that display.
bool xembedTrayRuns()
{
    xcb_connection_t *connection = xConnection();
    if (connection == nullptr)
        return false;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(xScreenNumber());
    const XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

QString tipOf(int preset)
{
    return QString::fromStdWString(sys::LocalText(texts::kTrayTips[preset]));
}

}  // namespace

TrayIcon::TrayIcon(QMenu *menu, QObject *parent) : QObject(parent), m_menu(menu)
{
    if (s_current == nullptr)
        s_current = this;
    for (int i = 0; i < sys::TRAY_PRESET_COUNT; ++i)
        m_lamps[i] = QIcon(QString::fromLatin1(kLampFiles[i]));

    // A StatusNotifierItem host says when it comes; an XEmbed tray, which tells no one we hear,
    // is looked for.
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto *watcher =
        new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayIcon::lookForTray);
    // By path and interface: naming the service would make Qt wait for the bus daemon's answer.
    bus.connect(QString(), kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                this, SLOT(lookForTray()));
    m_lookAgain.setInterval(kLookAgainMs);
    connect(&m_lookAgain, &QTimer::timeout, this, [this] {
        if (xembedTrayRuns())
            lookForTray();
    });
    m_patience.setSingleShot(true);
    m_patience.setInterval(kPatienceMs);
    connect(&m_patience, &QTimer::timeout, this, [this] {
        if (!isShown())
            emit missing();
    });
}

TrayIcon::~TrayIcon()
{
    if (s_current == this)
        s_current = nullptr;
}

void TrayIcon::add()
{
    m_wanted = true;
    showPreset(sys::TRAY_ON_CONNECTED);
    lookForTray();
    if (!isShown()) {
        if (xConnection() != nullptr)
            m_lookAgain.start();
        m_patience.start();
    }
}

void TrayIcon::remove()
{
    m_wanted = false;
    m_lookAgain.stop();
    m_patience.stop();
    if (m_icon != nullptr)
        m_icon->hide();
}

void TrayIcon::showPreset(int preset)
{
    if (preset < 0 || preset >= sys::TRAY_PRESET_COUNT)
        return;
    m_preset = preset;
    if (m_icon != nullptr) {
        m_icon->setIcon(m_lamps[preset]);
        m_icon->setToolTip(tipOf(preset));
    }
}

void TrayIcon::lookForTray()
{
    if (!m_wanted)
        return;
    if (m_icon != nullptr) {
        m_icon->show();
        return;
    }
    if (!statusNotifierHostRuns() && !xembedTrayRuns())
        return;
    m_lookAgain.stop();
    m_patience.stop();
    m_icon = new QSystemTrayIcon(m_lamps[m_preset], this);
    // Qt has just asked for itself, and keeps its answer for good. A host gone between our check
    // and Qt's leaves an icon that would never register: tell it as when no tray runs, and wait.
    // (Asked of Qt only now: asked earlier, its "no" would be final before a tray ever came.)
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        delete m_icon;
        m_icon = nullptr;
        if (xConnection() != nullptr)
            m_lookAgain.start();
        emit missing();
        return;
    }
    m_icon->setToolTip(tipOf(m_preset));
    m_icon->setContextMenu(m_menu);
    m_icon->show();
}

void TrayIcon::notify(const QString &text, int triesLeft)
{
    if (isShown()) {
        m_icon->showMessage(QCoreApplication::applicationName(), text, QSystemTrayIcon::Warning);
        return;
    }
    if (m_wanted && triesLeft > 0)
        QTimer::singleShot(1000, this, [this, text, triesLeft] { notify(text, triesLeft - 1); });
}

void sys::ShowTrayPreset(int nPreset)
{
    if (s_current != nullptr)
        s_current->showPreset(nPreset);
}
