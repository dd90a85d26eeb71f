// Renders the skin to PNG files, so anyone can look at it without a display:
//   QT_QPA_PLATFORM=offscreen tarn_skin_preview <output folder> [language]
// Writes window.png (main frame with tabs, buttons and a sample page),
// window_menu.png (the same with the main menu open), buttons.png (every
// button in each state), dialog.png and progress.png. The language is a
// section name of language.ini (English when none is given).
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <cstdio>

#include "window/app/home_page.h"
#include "window/text/translation.h"
#include "window/skin/QSkinDialog.h"
#include "window/skin/QSkinWidget.h"
#include "window/skin/progress_bar.h"

namespace {

class preview_window_c : public QSkinWidget {
public:
    preview_window_c()
    {
        auto *layout = new QGridLayout(this);
        layout->setSpacing(0);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new home_window_c(this), 0, 0);
        resize(800, 600);
        setMinimumSize(800, 600);
    }
    void open_tab(top_tab_e) override {}
};

// A neutral desktop behind a translucent window, so its edges show.
QImage on_desktop(const QPixmap &window, int margin)
{
    QImage image(window.width() + 2 * margin, window.height() + 2 * margin, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient desktop(0, 0, image.width(), image.height());
    desktop.setColorAt(0, QColor(0xcf, 0xd8, 0xe6));
    desktop.setColorAt(1, QColor(0x9e, 0xad, 0xc4));
    painter.fillRect(image.rect(), desktop);
    painter.drawPixmap(margin, margin, window);
    return image;
}

QPixmap grab_menu(QMenu *menu)
{
    menu->adjustSize();
    return menu->grab();
}

// The window as it opens, and again with the main menu and its language
// submenu open under the setting button.
bool write_window(const QString &folder)
{
    const int margin = 24;
    preview_window_c window;
    window.show();
    QApplication::processEvents();
    bool ok = on_desktop(window.grab(), margin).save(folder + QStringLiteral("/window.png"));

    window.button_list().at(0)->state = button_hover;
    window.button_list().at(6)->state = button_pressed;
    QImage shot = on_desktop(window.grab(), margin);
    QPainter painter(&shot);
    QMenu *menu = window.main_menu();
    const QPixmap menu_image = grab_menu(menu);
    const QPoint menu_at(margin + window.width() - 106 - menu_image.width() / 2, margin + 22);
    painter.drawPixmap(menu_at, menu_image);
    const QPixmap languages = grab_menu(menu->actions().at(0)->menu());
    painter.drawPixmap(menu_at.x() - languages.width() + 4, menu_at.y() + 2, languages);
    painter.end();
    ok &= shot.save(folder + QStringLiteral("/window_menu.png"));
    return ok;
}

bool write_buttons(const QString &folder)
{
    preview_window_c window;
    window.show();
    QApplication::processEvents();
    const QList<button_c<QSkinWidget> *> &buttons = window.button_list();
    QImage sheet(2 * 330 + 10, 3 * 100, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int state = 0; state < 3; ++state) {
        for (button_c<QSkinWidget> *button : buttons)
            button->state = state;
        const QPixmap band = window.grab(QRect(0, 0, 330, 100));
        painter.drawPixmap(0, 100 * state, band);
        painter.drawPixmap(340, 100 * state, window.grab(QRect(800 - 330, 0, 330, 100)));
    }
    painter.end();
    return sheet.save(folder + QStringLiteral("/buttons.png"));
}

bool write_dialog(const QString &folder)
{
    QSkinDialog dialog;
    dialog.setWindowTitle(QStringLiteral("TarnRecovery"));
    dialog.resize(500, 260);
    dialog.show();
    QApplication::processEvents();
    return on_desktop(dialog.grab(), 24).save(folder + QStringLiteral("/dialog.png"));
}

bool write_progress(const QString &folder)
{
    progress_bar_c bar;
    bar.setup(QStringLiteral(":/images/partition_search/loding_on.png"), QColor(226, 240, 253, 255));
    QImage image(480, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const double values[] = {0.0, 0.5, 0.999, 1.0};
    for (int i = 0; i < 4; ++i) {
        bar.set_value(values[i]);
        bar.paint(painter, QRect(15, 8 + 23 * i, 450, 12));
    }
    painter.end();
    return image.save(folder + QStringLiteral("/progress.png"));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <output folder> [language]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString language = argc == 3 ? QString::fromUtf8(argv[2]) : QStringLiteral("English");
    if (load_language_section(QStringLiteral("English"), false) != 0) {
        std::fprintf(stderr, "language.ini not found\n");
        return 1;
    }
    load_language_section(language, true);
    QDir().mkpath(folder);
    const bool ok = write_window(folder) && write_buttons(folder) && write_dialog(folder) && write_progress(folder);
    return ok ? 0 : 1;
}
