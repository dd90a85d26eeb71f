// The main-window frame: its buttons driven by mouse events, moving,
// maximize and restore, the frame slices after a resize, and the menu.
#include <QAction>
#include <QGuiApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QDir>
#include <gtest/gtest.h>

#include "window/text/settings_store.h"
#include "window/text/translation.h"
#include "skin/gui_app.h"
#include "skin/skin_window.h"

namespace {

void load_sections(const QByteArray &file)
{
    current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), QStringLiteral("English"), true);
}

QImage resource_image(const char *path)
{
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage frame_of(const test_window_c &window)
{
    return window.frame_pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool same_block(const QImage &a, int ax, const QImage &b, int bx, int width, int top, int height)
{
    return a.copy(ax, top, width, height) == b.copy(bx, top, width, height);
}

const QPoint k_tab1(50, 60);
const QPoint k_tab2(150, 60);
const QPoint k_tab3(250, 60);

} // namespace

TEST(skin_widget, construction_gives_a_frameless_translucent_frame)
{
    gui_app();
    test_window_c window;
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(window.contentsMargins(), QMargins(3, 100, 3, 4));
    EXPECT_EQ(window.windowTitle(), "Tarn Restorix");
    EXPECT_EQ(window.button_list().size(), 7);
    EXPECT_TRUE(window.is_restorable());
}

TEST(skin_widget, each_tab_is_handed_to_the_window_once)
{
    gui_app();
    test_window_c window;
    window.show();
    click(&window, k_tab3);
    click(&window, k_tab2);
    click(&window, k_tab1);
    EXPECT_EQ(window.tabs, QList<QSkinWidget::top_tab_e>({QSkinWidget::tab_deep_scan, QSkinWidget::tab_partition_search,
                                                          QSkinWidget::tab_file_system_scan}));
}

TEST(skin_widget, release_over_a_hovered_button_runs_its_handler_once)
{
    gui_app();
    test_window_c window;
    window.show();
    send_mouse(&window, QEvent::MouseMove, k_tab1, Qt::NoButton);
    EXPECT_EQ(window.button_list().at(0)->state, button_hover);
    send_mouse(&window, QEvent::MouseButtonPress, k_tab1, Qt::LeftButton);
    EXPECT_EQ(window.button_list().at(0)->state, button_pressed);
    send_mouse(&window, QEvent::MouseButtonRelease, k_tab1, Qt::NoButton);
    send_mouse(&window, QEvent::MouseButtonRelease, k_tab1, Qt::NoButton);
    EXPECT_EQ(window.tabs, QList<QSkinWidget::top_tab_e>({QSkinWidget::tab_file_system_scan}));
    send_mouse(&window, QEvent::MouseMove, {400, 300}, Qt::NoButton);
    EXPECT_EQ(window.button_list().at(0)->state, button_normal);
}

TEST(skin_widget, quit_button_closes_but_the_last_column_misses_it)
{
    gui_app();
    test_window_c window;
    window.show();
    QSignalSpy closing(&window, &QSkinWidget::aboutToClose);
    const int w = window.width();
    click(&window, {w - 1, 10});
    EXPECT_TRUE(window.isVisible());
    click(&window, {w - 2, 10});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closing.count(), 1);
}

TEST(skin_widget, dragging_the_band_moves_the_window_but_not_from_a_tab_or_below_it)
{
    gui_app();
    test_window_c window;
    window.show();
    const QPoint start = window.pos();
    const QPoint shift(40, 25);

    send_mouse(&window, QEvent::MouseButtonPress, {400, 50}, Qt::LeftButton);
    send_mouse(&window, QEvent::MouseMove, {400, 50}, Qt::LeftButton, shift);
    send_mouse(&window, QEvent::MouseButtonRelease, {400, 50}, Qt::NoButton, shift);
    EXPECT_EQ(window.pos(), start + shift);

    const QPoint moved = window.pos();
    for (const QPoint &from : {k_tab1, QPoint(400, 101)}) {
        send_mouse(&window, QEvent::MouseButtonPress, from, Qt::LeftButton);
        send_mouse(&window, QEvent::MouseMove, from, Qt::LeftButton, shift);
        send_mouse(&window, QEvent::MouseButtonRelease, from, Qt::NoButton, shift);
        EXPECT_EQ(window.pos(), moved) << from.x() << "," << from.y();
    }
}

TEST(skin_widget, maximize_and_restore_by_button_and_double_click)
{
    gui_app();
    test_window_c window;
    window.show();
    const QRect normal = window.geometry();
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    button_c<QSkinWidget> *max = window.maximize_button();
    const QImage restore_look = resource_image(":/images/system/resumeButton1.png");
    const QImage max_look = resource_image(":/images/system/maxButton1.png");
    ASSERT_FALSE(restore_look.isNull());

    click(&window, {window.width() - 40, 10});
    EXPECT_EQ(window.geometry(), desktop);
    EXPECT_FALSE(window.is_restorable());
    EXPECT_EQ(max->images[0].toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), restore_look);

    send_mouse(&window, QEvent::MouseButtonDblClick, {400, 50}, Qt::LeftButton);
    EXPECT_EQ(window.geometry(), normal);
    EXPECT_TRUE(window.is_restorable());
    EXPECT_EQ(max->images[0].toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), max_look);

    // A double-click below the band or on a button changes nothing.
    send_mouse(&window, QEvent::MouseButtonDblClick, {400, 200}, Qt::LeftButton);
    send_mouse(&window, QEvent::MouseButtonDblClick, k_tab2, Qt::LeftButton);
    EXPECT_EQ(window.geometry(), normal);
    send_mouse(&window, QEvent::MouseButtonDblClick, {400, 50}, Qt::LeftButton);
    EXPECT_EQ(window.geometry(), desktop);
}

TEST(skin_widget, frame_slices_follow_a_resize)
{
    gui_app();
    test_window_c window;
    window.show();
    window.resize(1000, 700);
    EXPECT_TRUE(window.restyle_pending());
    window.grab();
    EXPECT_FALSE(window.restyle_pending());

    const QImage frame = frame_of(window);
    const QImage so = resource_image(":/images/system/so.png");
    const QImage logo = resource_image(":/images/top/logo.png");
    ASSERT_EQ(frame.size(), QSize(1000, 700));
    ASSERT_EQ(so.size(), QSize(800, 100));
    // Fixed 64-pixel ends of the band; the logo 120 pixels from the right.
    // Left end below the title, right end above the logo: both drawn over the band.
    EXPECT_TRUE(same_block(frame, 0, so, 0, 64, 24, 76));
    EXPECT_TRUE(same_block(frame, 1000 - 64, so, 800 - 64, 64, 0, 24));
    EXPECT_EQ(frame.pixelColor(500, 60), so.pixelColor(400, 60)) << "the middle is stretched across";
    EXPECT_EQ(frame.copy(1000 - 120 + 40, 24 + 10, 20, 20), logo.copy(40, 10, 20, 20));
    // Edges reach down to the bottom edge, whose height is 4.
    EXPECT_EQ(frame.pixelColor(1, 650), resource_image(":/images/system/sl.png").pixelColor(0, 0));
    EXPECT_EQ(frame.pixelColor(998, 650), resource_image(":/images/system/sr.png").pixelColor(0, 0));
    EXPECT_EQ(frame.pixelColor(500, 697).alpha(), 255);
}

TEST(skin_widget, menu_lists_languages_in_reverse_then_help_and_exit)
{
    gui_app();
    load_sections("[English]\n[Deutsch]\n[Français]\n");
    current_catalogue().text("menu_help") = "Help";
    current_catalogue().text("menu_exit") = "Exit";
    test_window_c window;
    const QList<QAction *> entries = window.main_menu()->actions();
    ASSERT_EQ(entries.size(), 5);
    ASSERT_NE(entries[0]->menu(), nullptr);
    EXPECT_EQ(entries[0]->text(), "Language");
    QStringList names;
    QList<int> indexes;
    for (QAction *entry : entries[0]->menu()->actions()) {
        names.append(entry->text());
        indexes.append(entry->data().toInt());
    }
    EXPECT_EQ(names, QStringList({QString::fromUtf8("Français"), "Deutsch", "English"}));
    EXPECT_EQ(indexes, QList<int>({2, 1, 0}));
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[2]->text(), "Help");
    EXPECT_TRUE(entries[3]->isSeparator());
    EXPECT_EQ(entries[4]->text(), "Exit");

    window.show();
    QSignalSpy closing(&window, &QSkinWidget::aboutToClose);
    entries[4]->trigger();
    EXPECT_EQ(closing.count(), 1);
    current_catalogue() = text_catalogue_c();
}

TEST(skin_widget, choosing_another_language_switches_at_once_and_saves_it)
{
    gui_app();
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    const QByteArray previous_config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    QFile ini(folder.filePath("language.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[English]\nmenu_help=\"Help\"\n[Deutsch]\nmenu_help=\"Hilfe\"\n");
    ini.close();
    load_sections("[English]\nmenu_help=\"Help\"\n[Deutsch]\nmenu_help=\"Hilfe\"\n");
    current_language = "English";
    test_window_c window;
    window.show();
    QAction *deutsch = window.main_menu()->actions().at(0)->menu()->actions().at(0);
    QAction *english = window.main_menu()->actions().at(0)->menu()->actions().at(1);
    ASSERT_EQ(deutsch->text(), "Deutsch");
    EXPECT_TRUE(english->isChecked());

    bool boxed = false;
    QTimer::singleShot(0, [&boxed] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxed = true;
            box->accept();
        }
    });
    deutsch->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(boxed) << "no restart asked for";
    EXPECT_EQ(current_catalogue().current_index(), 1);
    EXPECT_TRUE(deutsch->isChecked() && !english->isChecked());
    EXPECT_EQ(window.main_menu()->actions().at(2)->text(), "Hilfe");
    EXPECT_TRUE(QFile::exists(folder.filePath("config/TarnRecovery/TarnRecovery.ini")));
    EXPECT_FALSE(QFile::exists(folder.filePath("TarnRecovery.ini")));

    // The current one again: no change, still ticked.
    deutsch->trigger();
    EXPECT_TRUE(deutsch->isChecked());
    EXPECT_EQ(current_catalogue().current_index(), 1);
    QDir::setCurrent(previous);
    qputenv("XDG_CONFIG_HOME", previous_config);
    current_catalogue() = text_catalogue_c();
    settings_store.reset();
}

TEST(skin_widget, setting_button_opens_the_main_menu)
{
    gui_app();
    test_window_c window;
    window.show();
    click(&window, {window.width() - 100, 10});
    EXPECT_TRUE(window.main_menu()->isVisible());
    window.main_menu()->hide();
}

TEST(skin_widget, texts_come_from_beside_the_program_when_the_working_folder_has_none)
{
    gui_app();
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    EXPECT_EQ(load_language_section("English", false), 0);
    QDir::setCurrent(previous);
    EXPECT_EQ(lookup_text("menu_exit"), "Exit");
    test_window_c window;
    EXPECT_EQ(window.main_menu()->actions().at(4)->text(), "Exit");
    EXPECT_GE(window.main_menu()->actions().at(0)->menu()->actions().size(), 8);
    current_catalogue() = text_catalogue_c();
}

TEST(skin_widget, pages_are_repainted_by_the_refresh_timer)
{
    gui_app();
    struct counting_page_c : QWidget {
        using QWidget::QWidget;
        int paints = 0;
        void paintEvent(QPaintEvent *) override { ++paints; }
    };
    test_window_c window;
    auto *page = new counting_page_c(&window);
    page->setObjectName("page");
    page->setGeometry(3, 100, 794, 496);
    window.show();
    QApplication::processEvents();
    const int before = page->paints;
    // Nothing but the frame's timer asks for a repaint here.
    for (int waited = 0; waited < 3000 && page->paints == before; waited += 50) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
    EXPECT_GT(page->paints, before);
}
