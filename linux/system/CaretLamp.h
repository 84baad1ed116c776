// The lamp at the text caret on Linux (sys::ShowCaretLamp): on X11 a small round window beside the
// mouse pointer, which follows it. Another program's caret is known only through accessibility
// services (AT-SPI), which most programs answer only while a screen reader runs, so the pointer
// stands in for it. Wayland lets no client place a window: there is no lamp.
#pragma once

#include <QTimer>
#include <QWidget>

// Whether a lamp at the caret can be shown on this desktop: false on Wayland.
bool canShowCaretLamp();

class CaretLampWindow : public QWidget {
    Q_OBJECT
public:
    CaretLampWindow();
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    // Moves beside the pointer where it moved.
    void follow();

private:
    QTimer m_follow;
    QPoint m_pointer{-1, -1};
    bool m_lit = false;
};
