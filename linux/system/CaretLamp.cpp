#include "linux/system/CaretLamp.h"

#include "core/CaretPlacement.h"
#include "core/Platform.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <memory>

namespace {

// The pointer is looked at this often while the lamp shows: a move is followed within this time.
constexpr int kFollowMs = 50;

std::unique_ptr<CaretLampWindow> s_lamp;

}  // namespace

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
    const QPoint pointer = QCursor::pos();
    if (pointer == m_pointer)
        return;
    m_pointer = pointer;
    std::vector<MonitorArea> monitors;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect work = screen->availableGeometry();
        // Qt's coordinates are already scaled: the lamp is drawn at 96 dpi and Qt scales it.
        monitors.push_back({{work.left(), work.top(), work.right() + 1, work.bottom() + 1}, 96});
    }
    const ScreenRect rect = CaretLampRect(std::nullopt, {pointer.x(), pointer.y()}, monitors);
    const QRect geometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (geometry.size() != size())
        setMask(QRegion(QRect(QPoint(0, 0), geometry.size()), QRegion::Ellipse));
    setGeometry(geometry);
}

void CaretLampWindow::paintEvent(QPaintEvent *)
{
    // The tray lamps' colours: bright or dark green in a grey rim.
    QPainter painter(this);
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(m_lit ? QColor(0, 255, 0) : QColor(0, 128, 0));
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
