// The lamp at the text caret on Linux (sys::ShowCaretLamp): on X11 a small round window beside the
// caret of the focused text, which follows it. Another program's caret is known only through
// accessibility services (AT-SPI), which most programs answer only while a screen reader runs;
// where none tells of a caret the mouse pointer stands in for it. Wayland lets no client place a
// window: there is no lamp.
#pragma once

#include "core/CaretPlacement.h"

#include <QDBusMessage>
#include <QTimer>
#include <QWidget>

#include <optional>

// Whether a lamp at the caret can be shown on this desktop: false on Wayland.
bool canShowCaretLamp();

// The caret of the focused text, as its application tells it on the accessibility bus. It asks
// only while it exists (while the lamp shows), and nothing where that bus does not run.
class AccessibleCaret : public QObject {
    Q_OBJECT
public:
    AccessibleCaret();
    ~AccessibleCaret() override;
    // The caret's rectangle on the screen; none while the focused object has told of none.
    const std::optional<ScreenRect> &rect() const { return m_rect; }

signals:
    void moved();

private slots:
    void onCaretMoved(const QDBusMessage &event);
    void onStateChanged(const QDBusMessage &event);
    void onDeactivated(const QDBusMessage &event);

private:
    void join(const QString &address);
    void follow(const QString &service, const QString &path);
    void askExtents(int offset, bool before);
    void setRect(std::optional<ScreenRect> rect);

    // The object that has the focus or last moved its caret: its owner's bus name and its path.
    QString m_service, m_path;
    // The bus name of the application that last told of its focus; empty where the focus went to
    // one that tells nothing; none before any told.
    std::optional<QString> m_focusApp;
    std::optional<ScreenRect> m_rect;
    bool m_joined = false;
};

class CaretLampWindow : public QWidget {
    Q_OBJECT
public:
    CaretLampWindow();
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    // Moves beside the caret or, with none known, the pointer, where it moved.
    void follow();

private:
    AccessibleCaret m_caret;
    QTimer m_follow;
    QPoint m_pointer{-1, -1};
    std::optional<ScreenRect> m_placedCaret;
    bool m_lit = false;
};
