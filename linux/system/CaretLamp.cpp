#include "linux/system/CaretLamp.h"

#include "core/Platform.h"
#include "linux/system/DBus.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <memory>

namespace {

// The pointer is looked at this often while the lamp shows: a move is followed within this time.
constexpr int kFollowMs = 50;

std::unique_ptr<CaretLampWindow> s_lamp;

// Our own connection to the accessibility bus, apart from the one Qt's own accessibility may hold.
const QString kA11yConnection = QStringLiteral("lumidot-caret");
const QString kTextInterface = QStringLiteral("org.a11y.atspi.Text");

QDBusConnection a11yBus() { return QDBusConnection(kA11yConnection); }

}  // namespace

AccessibleCaret::AccessibleCaret()
{
    // The bus runs where a desktop started it for its accessibility; it is never started for us.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    call.setAutoStartService(false);
    callWithoutWaiting(QDBusConnection::sessionBus(), call, this,
                       [this](const QDBusMessage &reply) {
                           if (reply.type() == QDBusMessage::ReplyMessage)
                               join(reply.arguments().value(0).toString());
                       });
}

AccessibleCaret::~AccessibleCaret()
{
    // Leaving the bus also ends the events asked for: the registry forgets a listener that left.
    if (m_joined)
        QDBusConnection::disconnectFromBus(kA11yConnection);
}

void AccessibleCaret::join(const QString &address)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address, kA11yConnection);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(kA11yConnection);
        return;
    }
    m_joined = true;
    const QString events = QStringLiteral("org.a11y.atspi.Event.Object");
    bus.connect(QString(), QString(), events, QStringLiteral("TextCaretMoved"), this,
                SLOT(onCaretMoved(QDBusMessage)));
    bus.connect(QString(), QString(), events, QStringLiteral("StateChanged"), this,
                SLOT(onStateChanged(QDBusMessage)));
    bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Window"),
                QStringLiteral("Deactivate"), this, SLOT(onDeactivated(QDBusMessage)));
    // Applications send only the events someone registered for. Qt sends a window's deactivation
    // only to those registered for its activation.
    for (const char *event : {"object:text-caret-moved", "object:state-changed:focused",
                              "window:activate", "window:deactivate"}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
        call << QString::fromLatin1(event);
        callWithoutWaiting(bus, call, this, [](const QDBusMessage &) {});
    }
}

void AccessibleCaret::onCaretMoved(const QDBusMessage &event)
{
    // A terminal in the background moves its caret as its output comes.
    if (m_focusApp && event.service() != *m_focusApp)
        return;
    follow(event.service(), event.path());
    askExtents(event.arguments().value(1).toInt(), false);
}

void AccessibleCaret::onStateChanged(const QDBusMessage &event)
{
    const QList<QVariant> args = event.arguments();
    if (args.value(0).toString() != QLatin1String("focused"))
        return;
    const bool same = event.service() == m_service && event.path() == m_path;
    if (args.value(1).toInt() == 0) {
        // The caret went with the focus; an object that takes it and tells nothing has none.
        if (same)
            follow(QString(), QString());
        return;
    }
    m_focusApp = event.service();
    if (same)
        return;
    follow(event.service(), event.path());
    const QString service = m_service, path = m_path;
    callWithoutWaiting(
        a11yBus(), propertyGetCall(service, path, kTextInterface, QStringLiteral("CaretOffset")),
        this, [this, service, path](const QDBusMessage &reply) {
            const int offset = reply.arguments().value(0).value<QDBusVariant>().variant().toInt();
            if (service == m_service && path == m_path &&
                reply.type() == QDBusMessage::ReplyMessage && offset >= 0)
                askExtents(offset, false);
        });
}

void AccessibleCaret::onDeactivated(const QDBusMessage &event)
{
    // Some applications (Qt's) keep their focused object when another application takes the
    // focus: its window going inactive is all they tell. Until another tells of its focus, the
    // focus is where nothing is told.
    if (event.service() == m_service || event.service() == m_focusApp) {
        m_focusApp = QString();
        follow(QString(), QString());
    }
}

void AccessibleCaret::follow(const QString &service, const QString &path)
{
    if (service != m_service || path != m_path) {
        m_service = service;
        m_path = path;
        setRect(std::nullopt);
    }
}

void AccessibleCaret::askExtents(int offset, bool before)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, kTextInterface,
                                                       QStringLiteral("GetCharacterExtents"));
    // The screen's coordinates (0).
    call << (before ? offset - 1 : offset) << 0u;
    const QString service = m_service, path = m_path;
    callWithoutWaiting(
        a11yBus(), call, this, [this, service, path, offset, before](const QDBusMessage &reply) {
            if (service != m_service || path != m_path)
                return;  // the focus moved on meanwhile
            const QList<QVariant> box = reply.arguments();
            const int x = box.value(0).toInt(), y = box.value(1).toInt();
            const int width = box.value(2).toInt(), height = box.value(3).toInt();
            if (reply.type() != QDBusMessage::ReplyMessage || box.size() != 4 || height <= 0) {
                // Past the last character some applications tell no box: the caret is then at the
                // right of the character before it.
                if (!before && offset > 0)
                    askExtents(offset, true);
                else
                    setRect(std::nullopt);
                return;
            }
            const int left = before ? x + width : x;
            setRect(ScreenRect{left, y, left + 1, y + height});
        });
}

void AccessibleCaret::setRect(std::optional<ScreenRect> rect)
{
    if (!(rect == m_rect)) {
        m_rect = rect;
        emit moved();
    }
}

bool canShowCaretLamp()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

CaretLampWindow::CaretLampWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Never shown; it names the window for those who look at the desktop's windows.
    setWindowTitle(QStringLiteral("Lumidot caret lamp"));
    connect(&m_follow, &QTimer::timeout, this, &CaretLampWindow::follow);
    connect(&m_caret, &AccessibleCaret::moved, this, &CaretLampWindow::follow);
}

void CaretLampWindow::setLit(bool lit)
{
    if (lit != m_lit) {
        m_lit = lit;
        update();
    }
    if (!isVisible()) {
        m_pointer = QPoint(-1, -1);
        follow();
        show();
        m_follow.start(kFollowMs);
    }
}

void CaretLampWindow::follow()
{
    const std::optional<ScreenRect> caret = m_caret.rect();
    // While the caret is known the pointer is not looked at.
    const QPoint pointer = caret ? QPoint(-1, -1) : QCursor::pos();
    if (pointer == m_pointer && caret == m_placedCaret)
        return;
    m_pointer = pointer;
    m_placedCaret = caret;
    std::vector<MonitorArea> monitors;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect work = screen->availableGeometry();
        // Qt's coordinates are already scaled: the lamp is drawn at 96 dpi and Qt scales it.
        monitors.push_back({{work.left(), work.top(), work.right() + 1, work.bottom() + 1}, 96});
    }
    const ScreenRect rect = CaretLampRect(caret, {pointer.x(), pointer.y()}, monitors);
    const QRect geometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (geometry.size() != size())
        setMask(QRegion(QRect(QPoint(0, 0), geometry.size()), QRegion::Ellipse));
    setGeometry(geometry);
}

void CaretLampWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const LampColour fill = m_lit ? CARET_LAMP_LIT : CARET_LAMP_DARK;
    painter.setPen(QColor(CARET_LAMP_RIM.r, CARET_LAMP_RIM.g, CARET_LAMP_RIM.b));
    painter.setBrush(QColor(fill.r, fill.g, fill.b));
    painter.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

void sys::ShowCaretLamp(CaretLamp state)
{
    if (state == CaretLamp::None) {
        s_lamp.reset();
        return;
    }
    if (!canShowCaretLamp())
        return;
    if (!s_lamp)
        s_lamp = std::make_unique<CaretLampWindow>();
    s_lamp->setLit(state == CaretLamp::Lit);
}
