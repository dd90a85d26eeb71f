// Edge resizing of both frames, and the dialog frame's own button.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "window/skin/QSkinDialog.h"
#include "window/skin/edge_resize_filter.h"
#include "skin/gui_app.h"
#include "skin/skin_window.h"

TEST(edge_resize, geometry_keeps_the_opposite_edge_and_the_limits)
{
    const QRect start(100, 100, 800, 600);
    const QSize min(800, 600);
    const QSize max(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    EXPECT_EQ(edge_resize_filter_c::resized_geometry(start, Qt::RightEdge, {50, 9}, min, max),
              QRect(100, 100, 850, 600));
    EXPECT_EQ(edge_resize_filter_c::resized_geometry(start, Qt::LeftEdge | Qt::TopEdge, {-30, -20}, min, max),
              QRect(70, 80, 830, 620));
    // Fault: shrinking from the left must not slide the window right.
    EXPECT_EQ(edge_resize_filter_c::resized_geometry(start, Qt::LeftEdge, {200, 0}, min, max), start);
    EXPECT_EQ(edge_resize_filter_c::resized_geometry(start, Qt::BottomEdge, {0, -400}, QSize(100, 250), max),
              QRect(100, 100, 800, 250));
    EXPECT_EQ(edge_resize_filter_c::resized_geometry(start, Qt::RightEdge, {500, 0}, min, QSize(900, 900)),
              QRect(100, 100, 900, 600));
}

TEST(edge_resize, edge_band_is_a_few_pixels_wide)
{
    const QSize size(800, 600);
    EXPECT_EQ(edge_resize_filter_c::edges_at({0, 300}, size), Qt::LeftEdge);
    EXPECT_EQ(edge_resize_filter_c::edges_at({799, 599}, size), Qt::RightEdge | Qt::BottomEdge);
    EXPECT_EQ(edge_resize_filter_c::edges_at({400, 300}, size), Qt::Edges());
    EXPECT_EQ(edge_resize_filter_c::edges_at({edge_resize_filter_c::k_edge_band, 300}, size), Qt::Edges());
}

TEST(edge_resize, dragging_an_edge_of_the_window_resizes_it_within_its_minimum)
{
    gui_app();
    test_window_c window;
    window.setMinimumSize(700, 500);
    window.show();
    const QRect start = window.geometry();
    send_mouse(&window, QEvent::MouseMove, {798, 300}, Qt::NoButton);
    EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
    send_mouse(&window, QEvent::MouseButtonPress, {798, 300}, Qt::LeftButton);
    send_mouse(&window, QEvent::MouseMove, {798, 300}, Qt::LeftButton, {60, 0});
    send_mouse(&window, QEvent::MouseButtonRelease, {798, 300}, Qt::NoButton, {60, 0});
    EXPECT_EQ(window.geometry(), QRect(start.topLeft(), QSize(860, 600)));

    send_mouse(&window, QEvent::MouseButtonPress, {400, 598}, Qt::LeftButton);
    send_mouse(&window, QEvent::MouseMove, {400, 598}, Qt::LeftButton, {0, -400});
    send_mouse(&window, QEvent::MouseButtonRelease, {400, 598}, Qt::NoButton, {0, -400});
    EXPECT_EQ(window.geometry(), QRect(start.topLeft(), QSize(860, 500)));
    EXPECT_TRUE(window.restyle_pending());
}

TEST(edge_resize, a_system_button_on_the_edge_band_stays_a_button)
{
    gui_app();
    test_window_c window;
    window.show();
    const QRect start = window.geometry();
    // The quit button reaches into the top edge band at y = 1.
    send_mouse(&window, QEvent::MouseButtonPress, {790, 1}, Qt::LeftButton);
    send_mouse(&window, QEvent::MouseMove, {790, 1}, Qt::LeftButton, {0, -50});
    EXPECT_EQ(window.geometry(), start);
    EXPECT_EQ(window.button_list().at(3)->state, button_pressed);
}

TEST(skin_dialog, frame_has_its_margins_and_its_quit_button_closes_it)
{
    gui_app();
    QSkinDialog dialog;
    dialog.resize(500, 300);
    dialog.show();
    EXPECT_EQ(dialog.contentsMargins(), QMargins(3, 34, 3, 3));
    ASSERT_EQ(dialog.button_list().size(), 1);
    dialog.grab();
    EXPECT_EQ(dialog.frame_pixmap().size(), QSize(500, 300));

    dialog.resize(600, 320);
    send_mouse(&dialog, QEvent::MouseButtonPress, {300, 150}, Qt::LeftButton);
    send_mouse(&dialog, QEvent::MouseMove, {300, 150}, Qt::LeftButton, {30, 30});
    EXPECT_EQ(dialog.size(), QSize(600, 320)) << "below the band the dialog does not move or resize";

    QSignalSpy closing(&dialog, &QSkinDialog::aboutToClose);
    click(&dialog, {599, 10});
    EXPECT_TRUE(dialog.isVisible());
    click(&dialog, {580, 10});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(closing.count(), 1);
}
