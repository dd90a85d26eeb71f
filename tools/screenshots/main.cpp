// Drives the real main window offscreen through its pages and writes one
// PNG per page and state, for a look at every language without a display:
//   QT_QPA_PLATFORM=offscreen tarn_screenshots <output folder> <language>
//       <sample image> <disk image with a wiped partition table (a copy: it is repaired)>
//       <image of tests/gui/make_preview_types.py> [<exFAT camera card image>]
// Files: home, menu, startup_warning, volume, recovery_scanning, recovery
// (a tree, checked rows, an image previewed, the legend of the state
// marks), recovery_summary, recovery_text, recovery_filter (a folder
// narrowed by type and size), recovery_search (hits of every folder),
// recovery_hex, recovery_pdf (a PDF's first page), recovery_no_preview (the
// note on a file the preview cannot draw), drive, imaging_running,
// imaging_finished (the imaging window over a drawn state), partition_found,
// partition_planned (the table to write beside the one on the disk),
// partition_query (both tables, No the default), partition_repaired, help,
// and with a card volume_exfat (the card chosen in the list) and
// recovery_exfat (its scan, a folder of deleted photos with long and
// non-ASCII names) (each <name>.png).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "core/devices/drive_list.h"
#include "window/devices/drive_page.h"
#include "window/devices/imaging_window.h"
#include "core/devices/volume_list.h"
#include "window/devices/volume_page.h"
#include "window/partitions/partition_page.h"
#include "window/recovery/recovery_header.h"
#include "window/recovery/recovery_page.h"
#include "window/recovery/row_filter_bar.h"
#include "window/app/home_page.h"
#include "window/app/init_thread.h"
#include "window/app/main_window.h"
#include "window/text/settings_store.h"
#include "window/text/qt_translation.h"
#include "window/text/translation.h"

namespace {

QString out_folder;
bool all_written = true;

void save(const QPixmap &shot, const char *name)
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
// The imaging window over a run drawn half-way (bad spots met, some still
// to trim, the rest not tried) and then finished.
bool shoot_imaging(main_window_c &window, drive_window_c *drives)
{
    drives->btn_image->click();
    settle();
    imaging_window_c *imaging = window.imaging_window();
    if (!imaging)
        return false;
    const quint64 size = drives->selected_row()->size;
    const quint64 unit = size / 1000;
    rescue_map_c map(size);
    map.mark(0, unit * 420, area_status_e::rescued);
    map.mark(unit * 130, unit * 2, area_status_e::bad);
    map.mark(unit * 300, unit * 9, area_status_e::untrimmed);
    map.mark(unit * 310, unit * 1, area_status_e::bad);
    map.current_pos = unit * 420;
    imaging_progress_s progress;
    progress.size = size;
    progress.rescued = map.bytes_with(area_status_e::rescued);
    progress.bad_bytes = map.failed_bytes();
    progress.bad_areas = map.failed_areas();
    progress.current_rate = 31.5e6;
    progress.average_rate = 28.2e6;
    progress.since_good_read = 1;
    progress.seconds_left = 754;
    imaging->le_destination->setText(QStringLiteral("/media/backup/failing-disk.img"));
    imaging->show_state(map, progress, true);
    settle();
    save(imaging->grab(), "imaging_running");
    map.mark(unit * 420, size - unit * 420, area_status_e::rescued);
    map.mark(unit * 300, unit * 9, area_status_e::rescued);
    map.mark(unit * 304, unit * 2, area_status_e::bad);
    map.phase = imaging_phase_e::finished;
    progress.rescued = map.bytes_with(area_status_e::rescued);
    progress.bad_bytes = map.failed_bytes();
    progress.bad_areas = map.failed_areas();
    progress.seconds_left = -1;
    progress.current_rate = 0;
    progress.phase = imaging_phase_e::finished;
    imaging->show_state(map, progress, false);
    settle();
    save(imaging->grab(), "imaging_finished");
    imaging->close();
    settle();
    return true;
}

void shoot_boxes(main_window_c &window, const QStringList &names, const QList<QMessageBox::StandardButton> &answers,
                 const std::function<void()> &action)
{
    int next = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
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

void wait_until(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Accepts every box the action opens (notes nobody photographs), until
// `boxes` were answered: a note may follow work done on a worker.
void accepting_boxes(int boxes, const std::function<void()> &action)
{
    int answered = 0;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::Ok)->click();
            ++answered;
        }
    });
    answerer.start(100);
    action();
    wait_until([&] { return answered >= boxes; }, 60000);
}

int row_of_device(const QList<volume_item_s> &rows, const QString &image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].device_name.startsWith(image))
            return i;
    return -1;
}

int row_of_drive(const QList<drive_item_s> &rows, const QString &image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].name == image)
            return i;
    return -1;
}

// Opens the tree's folder of this name (below "/") and shows its files.
bool open_tree_folder(recovery_window_c *page, const QString &name)
{
    const QAbstractItemModel *tree = page->tv_dirtree->model();
    const QModelIndex root = tree->index(0, 0);
    for (int r = 0; r < tree->rowCount(root); ++r) {
        const QModelIndex folder = tree->index(r, 0, root);
        if (folder.data().toString() == name) {
            page->tv_dirtree->setCurrentIndex(folder);
            QTest::mouseClick(page->tv_dirtree->viewport(), Qt::LeftButton, {},
                              page->tv_dirtree->visualRect(folder).center());
            return !page->table_rows().isEmpty();
        }
    }
    return false;
}

// A file-system scan to its end, then the folder of this name opened.
bool scan_and_open(main_window_c &window, const std::function<void()> &scan, const QString &folder)
{
    window.set_deep_scan_mode(false);
    scan();
    wait_until([&] { return !window.session().is_scanning(); }, 60000);
    settle();
    if (open_tree_folder(window.recovery_page(), folder))
        return true;
    std::fprintf(stderr, "no folder %s with files\n", qPrintable(folder));
    return false;
}

// Clicks the name of the first file whose name ends so: its preview shows.
bool preview_file(recovery_window_c *page, const QString &ending)
{
    for (int r = 0; r < page->table_rows().size(); ++r) {
        if (page->table_rows().at(r).name.endsWith(ending)) {
            const QModelIndex name = page->table()->model()->index(r, 1);
            QTest::mouseClick(page->table()->viewport(), Qt::LeftButton, {}, page->table()->visualRect(name).center());
            wait_until([&] { return !page->preview_loading(); }, 10000);
            return !page->shown_preview().empty();
        }
    }
    return false;
}

// The filter bar narrowing a folder by type and size, a search over every
// folder, and the hex view of a picture found by it.
bool shoot_filter_search_hex(main_window_c &window, recovery_window_c *page)
{
    row_filter_bar_c *bar = page->filter_bar();
    if (!open_tree_folder(page, QStringLiteral("Old letters"))) {
        std::fprintf(stderr, "no folder Old letters with files\n");
        return false;
    }
    bar->type_box->setCurrentIndex(bar->type_box->findData(QStringLiteral("text")));
    bar->max_size_edit->setText(QStringLiteral("150"));
    wait_until([&] { return page->table_rows().size() == 1; }, 5000);
    settle();
    save(window.grab(), "recovery_filter");

    bar->type_box->setCurrentIndex(0);
    bar->max_size_edit->clear();
    bar->search_edit->setText(QStringLiteral("png"));
    wait_until([&] { return page->table_rows().size() == 2; }, 5000);
    if (page->table_rows().size() != 2) {
        std::fprintf(stderr, "the search found %d rows, not 2\n", int(page->table_rows().size()));
        return false;
    }
    settle();
    save(window.grab(), "recovery_search");

    if (!preview_file(page, QStringLiteral("#can.png"))) {
        std::fprintf(stderr, "no preview of #can.png\n");
        return false;
    }
    page->preview_tabs()->setCurrentIndex(1);
    settle();
    save(window.grab(), "recovery_hex");
    page->preview_tabs()->setCurrentIndex(0);
    return true;
}

// Page 4 on the sample: a deep scan paused at its start, then a file-system
// scan's tree with a folder's rows checked, an image and a text previewed,
// and the summary of restoring the checked rows.
bool shoot_recovery(main_window_c &window, const std::function<void()> &scan)
{
    recovery_window_c *page = window.recovery_page();
    // Paused as it starts, in the same turn of the event loop: the engine
    // keeps a pause asked for as its thread starts, so the scanner holds
    // before its first block and the picture is the same on every run. On
    // a loaded machine the scan may get further before this thread runs
    // again: that scan ends and another is paused.
    window.set_deep_scan_mode(true);
    bool held = false;
    for (int attempt = 0; attempt < 10 && !held; ++attempt) {
        scan();
        if (window.session().is_scanning())
            page->btn_pause->click();
        // The status lines follow the page's timer; a scanner that was
        // inside its first block has moved on by then.
        wait_until([] { return false; }, 300);
        held = window.session().is_scanning() && page->session().is_paused() && page->session().found_count() == 0 &&
            page->session().progress() == 0.0;
        if (held)
            save(window.grab(), "recovery_scanning");
        if (window.session().is_scanning() && page->session().is_paused())
            page->btn_pause->click();
        wait_until([&] { return !window.session().is_scanning(); }, 120000);
        page->btn_back->click();
    }
    if (!held) {
        std::fprintf(stderr, "the deep scan could not be held at its start\n");
        return false;
    }

    if (!scan_and_open(window, scan, QStringLiteral("Photos")))
        return false;
    MyHeaderView *header = page->table_header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    if (!preview_file(page, QStringLiteral(".png"))) {
        std::fprintf(stderr, "no preview of a picture\n");
        return false;
    }
    settle();
    save(window.grab(), "recovery");

    bool opened = false;
    page->choose_destination = [](QWidget *) { return QDir::current().filePath(QStringLiteral("restored")); };
    page->open_folder = [&](const QString &) { opened = true; };
    shoot_boxes(window, {"recovery_summary"}, {QMessageBox::Ok}, [&] {
        page->btn_recovery->click();
        wait_until([&] { return opened; }, 60000);
    });

    if (!open_tree_folder(page, QStringLiteral("Documents")) || !preview_file(page, QStringLiteral(".txt"))) {
        std::fprintf(stderr, "no preview of a text\n");
        return false;
    }
    settle();
    save(window.grab(), "recovery_text");
    if (!shoot_filter_search_hex(window, page))
        return false;
    page->btn_back->click();
    return true;
}

// Page 4 on the image of mixed types: a PDF's first page, and the note
// on a sound the preview cannot draw.
bool shoot_preview_types(main_window_c &window, const std::function<void()> &scan)
{
    recovery_window_c *page = window.recovery_page();
    if (!scan_and_open(window, scan, QStringLiteral("Mixed")))
        return false;
    if (!preview_file(page, QStringLiteral(".pdf")) || page->shown_preview().image.isNull()) {
        std::fprintf(stderr, "no preview of a PDF\n");
        return false;
    }
    settle();
    save(window.grab(), "recovery_pdf");
    if (!preview_file(page, QStringLiteral(".wav")) || page->shown_preview().note == preview_note_e::none) {
        std::fprintf(stderr, "no note on a sound\n");
        return false;
    }
    settle();
    save(window.grab(), "recovery_no_preview");
    page->btn_back->click();
    return true;
}

// The volume list with the exFAT card chosen, then its file-system scan
// with every folder open and the rows of one shown.
bool shoot_exfat(main_window_c &window, const QString &card)
{
    volume_window_c *volumes = window.volume_page();
    if (window.open_images({card}) != 1)
        return false;
    wait_until([&] { return row_of_device(volume_rows(), card) >= 0 && !volumes->listing().busy(); }, 30000);
    window.show_page(main_window_c::page_volume);
    volumes->lv_volumes->setCurrentIndex(volumes->lv_volumes->model()->index(row_of_device(volume_rows(), card), 0));
    settle();
    save(window.grab(), "volume_exfat");
    if (!scan_and_open(window, [&] { volumes->btn_scan->click(); }, QStringLiteral("MISC")))
        return false;
    recovery_window_c *page = window.recovery_page();
    page->tv_dirtree->expandAll();
    settle();
    save(window.grab(), "recovery_exfat");
    page->btn_back->click();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr,
                     "usage: %s <output folder> <language> <sample image> <wiped disk image> <mixed types image> "
                     "[<exFAT card>]\n",
                     argv[0]);
        return 2;
    }
    const QString language = QString::fromUtf8(argv[2]);
    if (load_language_section(QStringLiteral("English"), false) != 0) {
        std::fprintf(stderr, "language.ini not found\n");
        return 1;
    }
    load_language_section(language, true);
    QApplication app(argc, argv);
    apply_language(app, language_code());
    out_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out_folder);
    const QString sample = QFileInfo(QString::fromLocal8Bit(argv[3])).canonicalFilePath();
    const QString wiped = QFileInfo(QString::fromLocal8Bit(argv[4])).canonicalFilePath();
    const QString mixed = QFileInfo(QString::fromLocal8Bit(argv[5])).canonicalFilePath();

    main_window_c window;
    window.resize(800, 600);
    window.show();
    settle();
    save(window.grab(), "home");
    shoot_boxes(window, {"startup_warning"}, {QMessageBox::Ok}, [&] { window.home_page()->btn_start->click(); });

    int added = 0;
    // The wiped disk gets a note: no volume on it.
    accepting_boxes(1, [&] { added = window.open_images({sample, wiped, mixed}); });
    if (added != 3)
        return 1;
    init_c init;
    QObject::connect(&init, &init_c::init_finished, &window, &main_window_c::on_init_finished);
    QSignalSpy started(&init, &init_c::init_finished);
    init.start();
    if (!started.wait(20000))
        return 1;
    settle();

    QMenu *menu = window.main_menu();
    menu->adjustSize();
    QPixmap with_menu = window.grab();
    QPainter painter(&with_menu);
    painter.drawPixmap(with_menu.width() - menu->width() - 40, 24, menu->grab());
    painter.end();
    save(with_menu, "menu");

    window.home_page()->btn_start->click();
    volume_window_c *volumes = window.volume_page();
    volumes->lv_volumes->setCurrentIndex(volumes->lv_volumes->model()->index(row_of_device(volume_rows(), sample), 0));
    settle();
    save(window.grab(), "volume");

    const auto scan_of = [&](const QString &image) {
        return [&, image] {
            volumes->lv_volumes->setCurrentIndex(
                volumes->lv_volumes->model()->index(row_of_device(volume_rows(), image), 0));
            volumes->btn_scan->click();
        };
    };
    if (!shoot_recovery(window, scan_of(sample)) || !shoot_preview_types(window, scan_of(mixed)))
        return 1;
    if (argc == 7 && !shoot_exfat(window, QFileInfo(QString::fromLocal8Bit(argv[6])).canonicalFilePath()))
        return 1;

    window.show_page(main_window_c::page_drive);
    drive_window_c *drives = window.drive_page();
    drives->lv_drives->setCurrentIndex(drives->lv_drives->model()->index(row_of_drive(drive_rows(), wiped), 0));
    settle();
    save(window.grab(), "drive");
    if (!shoot_imaging(window, drives))
        return 1;

    partition_window_c *partitions = window.partition_page();
    drives->btn_scan->click();
    QSignalSpy searched(&partitions->search(), &QThread::finished);
    if (!partitions->search().isFinished() && !searched.wait(60000))
        return 1;
    settle();
    save(window.grab(), "partition_found");
    // Then the table on the disk beside the one a repair would write, each
    // find primary or logical in it.
    wait_until([&] { return !partitions->repair().busy() && partitions->btn_repair->isEnabled(); }, 60000);
    settle();
    save(window.grab(), "partition_planned");
    shoot_boxes(window, {"partition_query", "partition_repaired"}, {QMessageBox::Yes, QMessageBox::Ok},
                [&] {
                    partitions->btn_repair->click();
                    wait_until([&] { return !partitions->repair().busy() && partitions->btn_repair->isEnabled(); },
                               60000);
                });
    settle();

    window.on_click_help();
    settle();
    if (QWidget *help = window.findChild<QWidget *>(QStringLiteral("help_window"))) {
        save(help->grab(), "help");
        help->close();
    }
    return all_written ? 0 : 1;
}
