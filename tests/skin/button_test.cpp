// Image buttons: hit tests of both variants, the mirrored system-button
// geometry, and the state machine the mouse drives.
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "skin/gui_app.h"
#include "window/skin/skin_buttons.h"

namespace {

struct owner_s {
    int calls = 0;
    void handler() { ++calls; }
};

QString solid(const char *name, const QColor &colour, const QTemporaryDir &dir)
{
    QImage image(30, 21, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}

} // namespace

TEST(button, top_button_hits_its_rectangle_edges_included)
{
    gui_app();
    top_button_c<owner_s> tab;
    tab.setup("", "", "", 10, 25, 95, 70);
    const QRect window(0, 0, 800, 600);
    EXPECT_TRUE(tab.hit_test({10, 25}, window));
    EXPECT_TRUE(tab.hit_test({104, 94}, window));
    EXPECT_FALSE(tab.hit_test({105, 50}, window));
    EXPECT_FALSE(tab.hit_test({9, 50}, window));
    EXPECT_FALSE(tab.hit_test({50, 95}, window));
}

TEST(button, system_button_counts_from_the_right_edge)
{
    gui_app();
    QTemporaryDir dir;
    const QString red = solid("red.png", Qt::red, dir);
    system_button_c<owner_s> quit;
    quit.setup(red, red, red, 1, 1, 30, 21);
    const int width = 640;
    const QRect window(0, 0, width, 480);
    // Fault: without the mirror the quit button would sit at the left.
    EXPECT_FALSE(quit.hit_test({width - 1, 10}, window));
    EXPECT_TRUE(quit.hit_test({width - 2, 10}, window));
    EXPECT_TRUE(quit.hit_test({width - 31, 1}, window));
    EXPECT_FALSE(quit.hit_test({width - 32, 10}, window));
    EXPECT_FALSE(quit.hit_test({5, 10}, window));

    QImage canvas(width, 480, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        quit.paint(painter, window);
    }
    EXPECT_EQ(canvas.pixelColor(width - 31, 1), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(width - 2, 21), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(width - 1, 10).alpha(), 0) << "one free column at the right edge";
    EXPECT_EQ(canvas.pixelColor(width - 32, 10).alpha(), 0);
    EXPECT_EQ(canvas.pixelColor(width - 10, 22).alpha(), 0);
}

TEST(button, each_state_draws_its_own_image)
{
    gui_app();
    QTemporaryDir dir;
    top_button_c<owner_s> tab;
    tab.setup(solid("n.png", Qt::red, dir), solid("h.png", Qt::green, dir), solid("p.png", Qt::blue, dir), 0, 0, 30,
              21);
    const QColor expected[] = {Qt::red, Qt::green, Qt::blue};
    for (int state = 0; state < 3; ++state) {
        tab.state = state;
        QImage canvas(40, 30, QImage::Format_ARGB32);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        tab.paint(painter, canvas.rect());
        painter.end();
        EXPECT_EQ(canvas.pixelColor(5, 5), expected[state]) << state;
    }
}

TEST(button, mouse_drives_states_and_calls_the_handler_once)
{
    gui_app();
    skin_buttons_c<owner_s> buttons;
    const QString none[3];
    button_c<owner_s> *tab = buttons.add<top_button_c>(none, QRect(10, 25, 95, 70), &owner_s::handler);
    button_c<owner_s> *quit = buttons.add<system_button_c>(none, QRect(1, 1, 30, 21), &owner_s::handler);
    const QRect window(0, 0, 800, 600);
    const QPoint on_tab(50, 50);
    const QPoint off(400, 50);

    EXPECT_TRUE(buttons.move(on_tab, window));
    EXPECT_EQ(tab->state, button_hover);
    EXPECT_FALSE(buttons.move(on_tab, window));

    bool moving = true;
    EXPECT_TRUE(buttons.press(on_tab, window, moving));
    EXPECT_FALSE(moving);
    EXPECT_EQ(tab->state, button_pressed);
    // A second delivery of the same press changes nothing and still forbids moving.
    moving = true;
    EXPECT_FALSE(buttons.press(on_tab, window, moving));
    EXPECT_FALSE(moving);

    EXPECT_EQ(buttons.release(on_tab, window), tab);
    EXPECT_EQ(tab->state, button_hover);
    // Fault: a release delivered twice would run the handler twice.
    EXPECT_EQ(buttons.release(on_tab, window), nullptr);

    EXPECT_FALSE(buttons.press(off, window, moving));
    EXPECT_TRUE(moving) << "a press on the band outside every button moves the window";
    EXPECT_TRUE(buttons.move(off, window));
    EXPECT_EQ(tab->state, button_normal);

    EXPECT_TRUE(buttons.move({800 - 10, 10}, window));
    EXPECT_EQ(quit->state, button_hover);
    buttons.reset_states();
    EXPECT_EQ(quit->state, button_normal);
}
