// A main-window frame for tests: records what its tabs and menu ask for, and
// sends mouse events the way the window system would (through the event
// filters installed on the window).
#pragma once

#include <QApplication>
#include <QMouseEvent>

#include "window/skin/QSkinWidget.h"

class test_window_c : public QSkinWidget {
public:
    test_window_c()
    {
        setGeometry(100, 100, 800, 600);
        setMinimumSize(800, 600);
    }
    void open_tab(top_tab_e tab) override { tabs.append(tab); }

    QList<top_tab_e> tabs;
};

inline void send_mouse(QWidget *window, QEvent::Type type, const QPoint &at, Qt::MouseButtons held,
                       const QPoint &global_shift = QPoint())
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const QPoint global = window->mapToGlobal(at) + global_shift;
    QMouseEvent event(type, QPointF(at), QPointF(global), button, held, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

inline void click(QWidget *window, const QPoint &at)
{
    send_mouse(window, QEvent::MouseMove, at, Qt::NoButton);
    send_mouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send_mouse(window, QEvent::MouseButtonRelease, at, Qt::NoButton);
}
