// Drives the real main window offscreen through its pages and writes one
// PNG per page and state, for a look at every language without a display:
//   QT_QPA_PLATFORM=offscreen tarn_screenshots <output folder> <language>
//       <sample image> <disk image with a wiped partition table (a copy: it is repaired)>
// Files: home, menu, startup_warning, volume, drive, partition_found,
// partition_query, partition_repaired, recovery, help (each <name>.png).
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "devices/drive_list.h"
#include "devices/drive_page.h"
#include "devices/volume_list.h"
#include "devices/volume_page.h"
#include "partitions/partition_page.h"
#include "results/recovery_page.h"
#include "shell/home_page.h"
#include "shell/init_thread.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "shell/translation.h"

namespace {

QString out_folder;
bool all_written = true;

void save(const QPixmap& shot, const char* name)
{
    const QString path = out_folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        all_written = false;
    }
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Runs the action; each modal box it opens, in turn, is photographed with
// the window behind it under the next name and answered with the next button.
void shoot_boxes(main_window_c& window, const QStringList& names, const QList<QMessageBox::StandardButton>& answers,
                 const std::function<void()>& action)
{
    int next = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || next >= names.size())
            return;
        box->adjustSize();
        QPixmap shot = window.grab();
        QPainter painter(&shot);
        const QPixmap face = box->grab();
        const QPoint at((shot.width() - face.width()) / 2, (shot.height() - face.height()) / 2);
        painter.fillRect(QRect(at - QPoint(1, 1), face.size() + QSize(2, 2)), QColor(90, 90, 90));
        painter.drawPixmap(at, face);
        painter.end();
        save(shot, names.at(next).toLatin1().constData());
        box->button(answers.at(next))->click();
        ++next;
    });
    watcher.start(100);
    action();
    if (next != names.size()) {
        std::fprintf(stderr, "saw %d of %d boxes, from %s on\n", next, int(names.size()), qPrintable(names.first()));
        all_written = false;
    }
}

// Accepts every box the action opens (notes nobody photographs).
void accepting_boxes(const std::function<void()>& action)
{
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
    answerer.start(100);
    action();
}

int row_of_device(const QList<volume_item_s>& rows, const QString& image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].device_name.startsWith(image))
            return i;
    return -1;
}

int row_of_drive(const QList<drive_item_s>& rows, const QString& image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].name == image)
            return i;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <output folder> <language> <sample image> <wiped disk image>\n", argv[0]);
        return 2;
    }
    const QString language = QString::fromUtf8(argv[2]);
    if (load_language_section(QStringLiteral("English"), false) != 0) {
        std::fprintf(stderr, "language.ini not found\n");
        return 1;
    }
    load_language_section(language, true);
    QApplication app(argc, argv);
    if (language_code() == QLatin1String("ar"))
        app.setLayoutDirection(Qt::RightToLeft);
    out_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out_folder);
    const QString sample = QFileInfo(QString::fromLocal8Bit(argv[3])).canonicalFilePath();
    const QString wiped = QFileInfo(QString::fromLocal8Bit(argv[4])).canonicalFilePath();

    main_window_c window;
    window.resize(800, 600);
    window.show();
    settle();
    save(window.grab(), "home");
    shoot_boxes(window, {"startup_warning"}, {QMessageBox::Ok}, [&] { window.home_page()->btn_start->click(); });

    int added = 0;
    accepting_boxes([&] { added = window.open_images({sample, wiped}); });
    if (added != 2)
        return 1;
    init_c init;
    QObject::connect(&init, &init_c::init_finished, &window, &main_window_c::on_init_finished);
    QSignalSpy started(&init, &init_c::init_finished);
    init.start();
    if (!started.wait(20000))
        return 1;
    settle();

    QMenu* menu = window.main_menu();
    menu->adjustSize();
    QPixmap with_menu = window.grab();
    QPainter painter(&with_menu);
    painter.drawPixmap(with_menu.width() - menu->width() - 40, 24, menu->grab());
    painter.end();
    save(with_menu, "menu");

    window.home_page()->btn_start->click();
    volume_window_c* volumes = window.volume_page();
    volumes->lv_volumes->setCurrentIndex(volumes->lv_volumes->model()->index(row_of_device(volume_rows(), sample), 0));
    settle();
    save(window.grab(), "volume");

    volumes->btn_scan->click();
    settle();
    save(window.grab(), "recovery");
    window.recovery_page()->btn_back->click();

    window.show_page(main_window_c::page_drive);
    drive_window_c* drives = window.drive_page();
    drives->lv_drives->setCurrentIndex(drives->lv_drives->model()->index(row_of_drive(drive_rows(), wiped), 0));
    settle();
    save(window.grab(), "drive");

    partition_window_c* partitions = window.partition_page();
    drives->btn_scan->click();
    QSignalSpy searched(&partitions->search(), &QThread::finished);
    if (!partitions->search().isFinished() && !searched.wait(60000))
        return 1;
    settle();
    save(window.grab(), "partition_found");
    shoot_boxes(window, {"partition_query", "partition_repaired"}, {QMessageBox::Yes, QMessageBox::Ok},
                [&] { partitions->btn_repair->click(); });
    settle();

    window.on_click_help();
    settle();
    if (QWidget* help = window.findChild<QWidget*>(QStringLiteral("help_window"))) {
        save(help->grab(), "help");
        help->close();
    }
    return all_written ? 0 : 1;
}
