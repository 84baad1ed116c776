// The lamp at the text caret on Linux (sys::ShowCaretLamp): on X11 a small round window beside the
// mouse pointer, which follows it. Where other programs' carets are is known only to accessibility
// services, which a desktop runs on demand; the pointer is where the eyes are while the keyboard
// is in use for most people. Wayland lets no client place a window: there is no lamp.
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
