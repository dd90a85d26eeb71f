// The real main window under a real display server, driven like a user:
// start-up, the navigation table, the volume and drive pages, the partition
// search and repair on a disk image, disk images refused; the sample scanned,
// restored, deep scanned, saved and resumed from home; an exFAT card scanned
// and restored; one instance only.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QDialog>
#include <QDirIterator>
#include <QTextBrowser>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTest>
#include <unistd.h>

#include "core/devices/device_listing.h"
#include "core/devices/drive_list.h"
#include "window/devices/drive_page.h"
#include "window/devices/imaging_window.h"
#include "core/devices/volume_list.h"
#include "window/devices/volume_page.h"
#include "fixture_manifest.h"
#include "gui/box_answerer.h"
#include "window/partitions/partition_page.h"
#include "platform/block_device.h"
#include "platform/partition_table.h"
#include "recovery/page_driver.h"
#include "window/recovery/file_preview.h"
#include "window/recovery/recovery_model.h"
#include "window/recovery/recovery_page.h"
#include "window/recovery/row_filter_bar.h"
#include "window/recovery/state_legend.h"
#include "window/dialogs/help_viewer.h"
#include "window/app/home_page.h"
#include "window/app/init_thread.h"
#include "window/app/main_window.h"
#include "window/app/single_instance.h"
#include "window/text/translation.h"
#include "skin/skin_window.h"

namespace {

const QPoint k_tab_file(50, 60);
const QPoint k_tab_partition(150, 60);
const QPoint k_tab_deep(250, 60);

QString source_dir()
{
    return qEnvironmentVariable("TARN_SOURCE_DIR");
}

bool run(const QString &program, const QStringList &arguments, const QString &output_file = QString())
{
    QProcess process;
    if (!output_file.isEmpty())
        process.setStandardOutputFile(output_file);
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int row_of(const QList<volume_item_s> &rows, const QString &image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].device_name.startsWith(image))
            return i;
    return -1;
}

int row_of(const QList<drive_item_s> &rows, const QString &image)
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].name == image)
            return i;
    return -1;
}

QAction *menu_entry(main_window_c &window, const char *key)
{
    for (QAction *entry : window.main_menu()->actions())
        if (entry->text() == lookup_text(key))
            return entry;
    return nullptr;
}

// Models are replaced whole, never edited: one check of each as it stands.
void check_model(QAbstractItemModel *model)
{
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void select_row(QListView *list, int row)
{
    list->setCurrentIndex(list->model()->index(row, 0));
}

} // namespace

class gui_flow_test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString sample;
    QString lost;
    QString big;
    QString mixed; // deleted files of types the preview treats differently
    QString ntfs;  // live and deleted files side by side
    QString destination;
    QString opened;

    // Opens every folder of page 4's tree, checks its rows and restores them
    // into a folder of their own below dest, as a user would.
    void restore_every_folder(main_window_c &window, const QString &dest)
    {
        recovery_window_c *page = window.recovery_page();
        page->tv_dirtree->expandAll();
        const QList<QModelIndex> folders = all_folders(page->tv_dirtree->model());
        for (int i = 0; i < folders.size(); ++i) {
            click_tree(*page, folders.at(i));
            if (page->table_rows().isEmpty())
                continue;
            press_check_all(*page);
            destination = dest + QStringLiteral("/%1").arg(i);
            box_answerer_c summary(QMessageBox::Ok);
            QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(summary.answered(), 60000);
            QVERIFY2(summary.text.startsWith(lookup_text("recovery_summary").section('%', 0, 0)),
                     qPrintable(summary.text));
            QCOMPARE(opened, destination);
            press_check_all(*page); // left again: the next folder restores its own rows
        }
    }

    // On the sample's file-system scan: the filter bar narrows a folder by
    // type and size, a search lists hits of every folder with their folders
    // and restores them, and the hex tab shows a picture's first bytes.
    void filter_search_and_hex(recovery_window_c *page, const fixture_manifest_c &manifest)
    {
        row_filter_bar_c *bar = page->filter_bar();
        // Every row of a file-system scan is deleted: "deleted only" would
        // narrow nothing, so it is not offered.
        QVERIFY(!bar->deleted_box->isChecked() && !bar->deleted_box->isEnabled());
        const QList<QModelIndex> folders = all_folders(page->tv_dirtree->model());
        const auto letters = std::find_if(folders.begin(), folders.end(),
                                          [](const QModelIndex &f) { return f.data().toString() == "Old letters"; });
        QVERIFY(letters != folders.end());
        click_tree(*page, *letters);
        QCOMPARE(page->table_rows().size(), 3);
        bar->type_box->setCurrentIndex(bar->type_box->findData(QStringLiteral("text")));
        QTest::keyClicks(bar->max_size_edit, "150");
        QTRY_COMPARE(page->table_rows().size(), 1);
        QCOMPARE(page->table_rows().first().name, QStringLiteral("Invoice 0042.txt"));
        QCOMPARE(page->table()->model()->index(0, recovery_model_c::column_state).data(Qt::ToolTipRole).toString(),
                 lookup_text("state_intact"));

        bar->type_box->setCurrentIndex(0);
        bar->max_size_edit->clear();
        QTest::keyClicks(bar->search_edit, "PNG");
        QTRY_COMPARE(page->table_rows().size(), 2);
        QMap<QString, QString> hits;
        for (int r = 0; r < 2; ++r)
            hits.insert(page->table_rows().at(r).name, page->table_row_folders().at(r));
        QCOMPARE(hits, (QMap<QString, QString>{{"#arden.png", "/Photos"}, {"#can.png", "/Old letters"}}));

        // Both hits ticked and restored, as a folder's rows would be.
        press_check_all(*page);
        destination = folder.filePath("found");
        box_answerer_c summary(QMessageBox::Ok);
        QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(summary.answered(), 60000);
        QSet<QByteArray> pictures;
        for (const fixture_entry_s &e : manifest.entries())
            if (e.recoverable() && e.path.endsWith(".png"))
                pictures.insert(e.sha256);
        QCOMPARE(restored_hashes(destination), pictures);
        press_check_all(*page);

        const int can = page->table_rows().at(0).name == "#can.png" ? 0 : 1;
        click_row(*page, can, recovery_model_c::column_name);
        QTRY_VERIFY(!page->preview_loading());
        QTabBar *tabs = page->preview_tabs();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QVERIFY(page->hex_view()->isVisible());
        const QString first_line = page->hex_view()->toPlainText().section('\n', 0, 0);
        QCOMPARE(first_line, QStringLiteral("00000000  89 50 4e 47 0d 0a 1a 0a  00 00 00 0d 49 48 44 52  .PNG........IHDR"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QVERIFY(!page->hex_view()->isVisible());
    }

    // Ticks belong to the scan: chosen in two folders they stay through
    // arrow keys and a change of folder, filter, search and order, and
    // Recover restores exactly them; a folder's check box chooses its files
    // and folders and shows its parent partly chosen.
    void ticks_across_folders(recovery_window_c *page, const fixture_manifest_c &manifest)
    {
        row_filter_bar_c *bar = page->filter_bar();
        QLabel *count = page->chosen_label();
        bar->search_edit->clear();
        QTRY_VERIFY(bar->search_text().isEmpty());
        QVERIFY2(count->text().startsWith("0 files"), qPrintable(count->text()));
        QAbstractItemModel *tree = page->tv_dirtree->model();
        const QList<QModelIndex> folders = all_folders(tree);
        const auto named = [&](const QString &name) {
            return *std::find_if(folders.begin(), folders.end(), [&](const QModelIndex &f) { return f.data() == name; });
        };
        const QModelIndex letters = named("Old letters"), photos = named("Photos"), holiday = named("Holiday 2023");
        QMap<QString, QString> ticked; // name: folder
        const auto tick = [&](int row) {
            click_row(*page, row, recovery_model_c::column_check);
            ticked.insert(page->table_rows().at(row).name, page->table_row_folders().at(row));
        };
        const auto chosen_here = [&] {
            QMap<QString, QString> chosen;
            for (int r = 0; r < page->table_rows().size(); ++r)
                if (page->is_row_chosen(r))
                    chosen.insert(page->table_rows().at(r).name, page->table_row_folders().at(r));
            return chosen;
        };
        click_tree(*page, letters);
        QCOMPARE(page->table_rows().size(), 3);
        tick(0);
        QVERIFY2(count->text().startsWith("1 file,"), qPrintable(count->text()));
        tick(2);
        QVERIFY2(count->text().startsWith("2 files"), qPrintable(count->text()));
        const QString two = count->text();
        click_row(*page, 0, recovery_model_c::column_name);
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
            QTest::keyClick(page->table(), key);
        QCOMPARE(chosen_here(), ticked);
        click_tree(*page, photos);
        QVERIFY(!page->table_rows().isEmpty());
        tick(0);
        QVERIFY(count->text().startsWith("3 files") && count->text() != two);

        bar->type_box->setCurrentIndex(bar->type_box->findData(QStringLiteral("text")));
        QTRY_VERIFY(page->table_rows().isEmpty() || !page->table_rows().first().name.endsWith(".jpg"));
        bar->type_box->setCurrentIndex(0);
        QTest::keyClicks(bar->search_edit, "a");
        QTRY_VERIFY([&] { const QStringList shown = page->table_row_folders(); return QSet<QString>(shown.cbegin(), shown.cend()).size() > 1; }());
        MyHeaderView *header = page->table_header();
        const QPoint size_title(header->sectionViewportPosition(2) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size_title);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size_title);
        bar->search_edit->clear();
        QTRY_VERIFY(bar->search_text().isEmpty());
        click_tree(*page, letters);
        QMap<QString, QString> chosen = chosen_here();
        click_tree(*page, photos);
        chosen.insert(chosen_here());
        QCOMPARE(chosen, ticked);
        QVERIFY(count->text().startsWith("3 files"));

        destination = folder.filePath("ticked");
        {
            box_answerer_c summary(QMessageBox::Ok);
            QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(summary.answered(), 60000);
        }
        QSet<QByteArray> expected;
        for (auto it = ticked.begin(); it != ticked.end(); ++it)
            for (const fixture_entry_s &e : manifest.entries())
                // A deleted name has lost its first letter.
                if (e.kind == fixture_kind_e::file && "/" + e.path.section('/', 0, -2) == it.value() &&
                    e.name().mid(1) == it.key().mid(1))
                    expected.insert(e.sha256);
        QCOMPARE(expected.size(), 3);
        QCOMPARE(restored_hashes(destination), expected);

        // Where files take every name the found folder could have, its files
        // are not restored: the summary names each, and why.
        destination = folder.filePath("blocked");
        QVERIFY(QDir().mkpath(destination));
        for (int n = 1; n < 1000; ++n) {
            QFile in_the_way(destination + (n == 1 ? QString("/Photos") : QString("/Photos (%1)").arg(n)));
            QVERIFY(in_the_way.open(QIODevice::WriteOnly));
        }
        {
            box_answerer_c summary(QMessageBox::Ok);
            QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(summary.answered(), 60000);
            const QString photo = ticked.key("/Photos");
            QVERIFY2(summary.detailed_text.contains("/Photos/" + photo + ": its folder cannot be made"),
                     qPrintable(summary.detailed_text));
            QVERIFY(!summary.detailed_text.contains("Old letters"));
        }

        const auto state = [](const QModelIndex &at) { return at.data(Qt::CheckStateRole).toInt(); };
        QCOMPARE(state(photos), int(Qt::PartiallyChecked));
        QCOMPARE(state(tree->index(0, 0)), int(Qt::PartiallyChecked));
        click_tree_check(*page, photos);
        QCOMPARE(state(photos), int(Qt::Checked));
        QCOMPARE(state(holiday), int(Qt::Checked));
        QCOMPARE(state(tree->index(0, 0)), int(Qt::PartiallyChecked));
        click_tree(*page, holiday);
        QVERIFY(!page->table_rows().isEmpty());
        for (int r = 0; r < page->table_rows().size(); ++r)
            QVERIFY(page->is_row_chosen(r));
        QVERIFY(count->text() != two && !count->text().startsWith("3 files"));
        click_tree_check(*page, tree->index(0, 0));
        click_tree_check(*page, tree->index(0, 0));
        QCOMPARE(state(tree->index(0, 0)), int(Qt::Unchecked));
        QVERIFY(count->text().startsWith("0 files"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        QVERIFY(QDir::setCurrent(folder.path()));
        qputenv("XDG_STATE_HOME", folder.filePath("state").toUtf8());
        qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
        QVERIFY(load_language_section("English", false) == 0);
        sample = folder.filePath("sample.img");
        lost = folder.filePath("lost.img");
        big = folder.filePath("big.img");
        QVERIFY(run("xz", {"-dc", source_dir() + "/samples/sample.img.xz"}, sample));
        QVERIFY(
            run("bash", {source_dir() + "/tests/partitions/make_lost_partitions.sh", lost}, folder.filePath("layout")));
        // Sparse: its deep scan reads zeros for long enough to be held.
        QVERIFY(run("bash", {"-c", "truncate -s 4G \"$0\" && PATH=$PATH:/usr/sbin:/sbin mkfs.fat -F 32 \"$0\"", big}));
        mixed = folder.filePath("mixed.img");
        ntfs = folder.filePath("ntfs.img");
        QVERIFY(run("bash",
                    {"-c", "PATH=$PATH:/usr/sbin:/sbin python3 \"$0\" \"$1\"",
                     source_dir() + "/tests/gui/make_preview_types.py", mixed}));
        QVERIFY(run("xz", {"-dc", source_dir() + "/tests/fixtures/ntfs.img.xz"}, ntfs));
    }

    void window_flow()
    {
        main_window_c window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.current_page(), window.home_page());

        // Before the start-up worker has finished: a warning, and home stays.
        {
            box_answerer_c box(QMessageBox::Ok);
            QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
            QVERIFY(box.answered());
            QCOMPARE(box.text, lookup_text("startup_warning"));
            QCOMPARE(box.title, QString("TarnRecovery"));
            QCOMPARE(window.current_page(), window.home_page());
        }

        // Files that are no disk image are refused with the reason.
        QFile random(folder.filePath("random.bin"));
        QVERIFY(random.open(QIODevice::WriteOnly));
        for (int i = 0; i < 1000; ++i)
            random.putChar(char(i * 7919 % 251));
        random.close();
        QFile(folder.filePath("zero.img")).open(QIODevice::WriteOnly);
        const std::pair<QString, const char *> refused[] = {{random.fileName(), "image_partial_sector"},
                                                            {folder.filePath("zero.img"), "image_empty"},
                                                            {folder.path(), "image_folder"},
                                                            {folder.filePath("missing.img"), "image_missing"}};
        for (const auto &[path, reason] : refused) {
            box_answerer_c box(QMessageBox::Ok);
            QCOMPARE(window.open_images({path}), 0);
            QVERIFY2(box.text.contains(path) && box.text.contains(lookup_text(reason)), qPrintable(box.text));
        }
        if (geteuid() != 0) {
            // Root reads any file: the permission case exists for users only.
            QFile locked(folder.filePath("locked.img"));
            QVERIFY(locked.open(QIODevice::WriteOnly));
            locked.write(QByteArray(4096, 0));
            locked.close();
            locked.setPermissions(QFileDevice::WriteOwner);
            box_answerer_c box(QMessageBox::Ok);
            QCOMPARE(window.open_images({locked.fileName()}), 0);
            QVERIFY(box.text.contains(lookup_text("image_unreadable")));
        }

        // The sample and a disk whose table is wiped (a note, once the images
        // were probed on a worker: no volume on it).
        {
            box_answerer_c box(QMessageBox::Ok);
            QCOMPARE(window.open_images({sample, lost}), 2);
            QTRY_VERIFY_WITH_TIMEOUT(box.answered(), 30000);
            QVERIFY(box.text.contains(lookup_text("image_no_volume")));
            QVERIFY(box.text.contains(lost));
        }

        init_c init;
        connect(&init, &init_c::init_finished, &window, &main_window_c::on_init_finished);
        QSignalSpy finished(&init, &init_c::init_finished);
        init.start();
        QVERIFY(finished.wait(30000));
        QCOMPARE(startup_done.load(), 1);

        // "Open disk image…" adds a file chosen in the dialog to both lists,
        // once they were read again on the pages' workers.
        const QString second_copy = folder.filePath("second.img");
        QVERIFY(QFile::copy(sample, second_copy));
        const int volumes_before = volume_rows().size();
        const int drives_before = drive_rows().size();
        QWidget *asked_from = nullptr;
        window.choose_images = [&](QWidget *parent) {
            asked_from = parent;
            return QStringList{second_copy};
        };
        menu_entry(window, "menu_open_image")->trigger();
        QCOMPARE(asked_from, &window);
        QTRY_COMPARE_WITH_TIMEOUT(volume_rows().size(), volumes_before + 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(window.drive_page()->lv_drives->model()->rowCount(), drives_before + 1, 30000);
        QCOMPARE(drive_rows().size(), drives_before + 1);
        QTRY_VERIFY(!window.volume_page()->listing().busy());
        check_model(window.volume_page()->lv_volumes->model());
        check_model(window.drive_page()->lv_drives->model());

        // After start-up: the volume page, with the sample's partition listed.
        QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
        volume_window_c *volumes = window.volume_page();
        QCOMPARE(window.current_page(), volumes);
        QVERIFY(volumes->isVisible());
        QCOMPARE(volumes->lv_volumes->model()->rowCount(), volume_rows().size());
        const int sample_row = row_of(volume_rows(), sample);
        QVERIFY(sample_row > 0);
        QCOMPARE(volume_rows().at(sample_row).file_system, QString("FAT"));

        // Refresh reads on a worker: the button waits for it (a second click
        // starts no other read), and what it read reaches the page even after
        // the page was left.
        {
            QSignalSpy listed(&volumes->listing(), &device_listing_c::listed);
            QTest::mouseClick(volumes->btn_refresh, Qt::LeftButton);
            QVERIFY(volumes->listing().busy() && !volumes->btn_refresh->isEnabled());
            QTest::mouseClick(volumes->btn_refresh, Qt::LeftButton);
            QTest::mouseClick(volumes->btn_back, Qt::LeftButton);
            QCOMPARE(window.current_page(), window.home_page());
            QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 30000);
            QVERIFY(!volumes->listing().busy() && volumes->btn_refresh->isEnabled());
            QCOMPARE(volumes->lv_volumes->model()->rowCount(), volume_rows().size());
            QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
            QCOMPARE(window.current_page(), volumes);
        }

        // Scan with nothing selected, then with the title row: two warnings.
        volumes->lv_volumes->selectionModel()->clear();
        {
            box_answerer_c box(QMessageBox::Ok);
            QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
            QCOMPARE(box.text, lookup_text("scan_nosel_warning"));
        }
        select_row(volumes->lv_volumes, 0);
        {
            box_answerer_c box(QMessageBox::Ok);
            QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
            QCOMPARE(box.text, lookup_text("main_warning2"));
            QCOMPARE(box.title, QString("Tarn Restorix"));
            QVERIFY(!box.has_parent);
            QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Ok}));
        }
        QCOMPARE(window.current_page(), volumes);

        // Scan on the sample: page 4, a file-system scan of that row; Back.
        select_row(volumes->lv_volumes, sample_row);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), window.recovery_page());
        QCOMPARE(window.session().volume(), volume_rows().at(sample_row));
        QVERIFY(!window.session().deep());
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        QTest::mouseClick(window.recovery_page()->btn_back, Qt::LeftButton);
        QCOMPARE(window.current_page(), volumes);

        // Tab 3 makes the next scan deep; tab 2 keeps it; tab 1 clears it.
        click(&window, k_tab_deep);
        QVERIFY(window.deep_scan_mode());
        QCOMPARE(window.current_page(), volumes);
        select_row(volumes->lv_volumes, sample_row);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), window.recovery_page());
        QVERIFY(window.session().deep());
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        click(&window, k_tab_partition);
        QCOMPARE(window.current_page(), window.drive_page());
        QVERIFY(window.deep_scan_mode());
        click(&window, k_tab_file);
        QVERIFY(!window.deep_scan_mode());
        QCOMPARE(window.current_page(), volumes);

        // With a scan running every way off page 4 asks first: a deep scan
        // of a large empty volume, held by Pause so that it runs at each step.
        QCOMPARE(window.open_images({big}), 1);
        QTRY_VERIFY_WITH_TIMEOUT(row_of(volume_rows(), big) > 0 && !volumes->listing().busy(), 30000);
        const int big_row = row_of(volume_rows(), big);
        click(&window, k_tab_deep);
        select_row(volumes->lv_volumes, big_row);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        recovery_window_c *page = window.recovery_page();
        QCOMPARE(window.current_page(), page);
        // Once it has begun: an engine clears its flags when its thread starts.
        QTRY_VERIFY_WITH_TIMEOUT(page->session().progress() > 0, 60000);
        QTest::mouseClick(page->btn_pause, Qt::LeftButton);
        QVERIFY(page->session().is_paused());
        QTest::qWait(300);
        QVERIFY(window.session().is_scanning());
        QVERIFY(page->session().progress() < 1.0);
        {
            box_answerer_c box(QMessageBox::No);
            click(&window, k_tab_file);
            QCOMPARE(box.text, lookup_text("back_warning"));
            QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Yes, QMessageBox::No}));
            QCOMPARE(window.current_page(), page);
            QVERIFY(window.deep_scan_mode());
        }
        {
            box_answerer_c box(QMessageBox::No);
            QTest::mouseClick(page->btn_back, Qt::LeftButton);
            QCOMPARE(box.text, lookup_text("back_warning"));
            QCOMPARE(window.current_page(), page);
        }
        {
            box_answerer_c box(QMessageBox::No);
            window.on_click_close();
            QCOMPARE(box.text, lookup_text("quit_warning"));
            QVERIFY(window.isVisible());
        }
        QVERIFY(page->session().is_scanning());
        {
            // Yes leaves and abandons the scan. Until its end has reached
            // the page (no event is handled before the next click), a new
            // scan is refused.
            box_answerer_c box(QMessageBox::Yes);
            QTest::mouseClick(page->btn_back, Qt::LeftButton);
            QVERIFY(box.answered());
            QCOMPARE(window.current_page(), volumes);
            QVERIFY(page->session().is_scanning());
            select_row(volumes->lv_volumes, sample_row);
            QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
            QCOMPARE(window.current_page(), volumes);
            QCOMPARE(page->session().volume(), volume_rows().at(big_row));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        {
            box_answerer_c none(QMessageBox::Yes);
            click(&window, k_tab_partition);
            QVERIFY2(!none.answered(), "no scan runs any more");
            QCOMPARE(window.current_page(), window.drive_page());
        }

        // Drive page: the sample disk imaged through the imaging window, the
        // finished image joining the lists as a disk of its own.
        drive_window_c *drives = window.drive_page();
        {
            select_row(drives->lv_drives, row_of(drive_rows(), QFileInfo(sample).canonicalFilePath()));
            QTest::mouseClick(drives->btn_image, Qt::LeftButton);
            imaging_window_c *imaging = window.imaging_window();
            QVERIFY(imaging);
            const QString copy = folder.filePath("sample-copy.img");
            imaging->choose_destination = [&](QWidget *) { return copy; };
            const int drives_before = drive_rows().size();
            QTest::mouseClick(imaging->btn_start, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(drive_rows().size(), drives_before + 1, 30000);
            QTRY_VERIFY(!drives->listing().busy());
            QVERIFY(row_of(drive_rows(), QFileInfo(copy).canonicalFilePath()) > 0);
            QFile a(sample), b(copy);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY(a.readAll() == b.readAll());
            QVERIFY(imaging->lbl_numbers->text().contains(lookup_text("imaging_finished")));
            imaging->close();
        }

        // Drive page: the wiped disk, its partitions found, the table repaired.
        select_row(drives->lv_drives, 0);
        {
            box_answerer_c box(QMessageBox::Ok);
            QTest::mouseClick(drives->btn_scan, Qt::LeftButton);
            QCOMPARE(box.text, lookup_text("main_warning1"));
            QCOMPARE(window.current_page(), drives);
        }
        const int lost_row = row_of(drive_rows(), QFileInfo(lost).canonicalFilePath());
        QVERIFY(lost_row > 0);
        select_row(drives->lv_drives, lost_row);
        partition_window_c *partitions = window.partition_page();
        QTest::mouseClick(drives->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), partitions);
        QTRY_VERIFY_WITH_TIMEOUT(partitions->search().isFinished(), 60000);
        QCOMPARE(partitions->search().rows().size(), 4);
        QTRY_COMPARE(partitions->lv_volumes->model()->rowCount(), 5);
        check_model(partitions->lv_volumes->model());
        QTRY_COMPARE(partitions->shown_progress(), 1.0);
        QCOMPARE(partitions->btn_stop->text(), lookup_text("btn_start"));

        // Once the search ends, the table on the disk (none) and the one a
        // repair would write are shown, each find's kind in the list.
        QTRY_VERIFY_WITH_TIMEOUT(!partitions->repair().busy() && partitions->btn_repair->isEnabled(), 30000);
        QVERIFY(partitions->lbl_table_now->text().startsWith(lookup_text("partition_table_now")));
        QVERIFY(partitions->lbl_table_new->text().contains(lookup_text("partition_primary") + " 0x07"));

        // The plan is read on the repair job's worker, the page's buttons
        // disabled until it is done; the question names the disk, shows both
        // tables and answers No unless told; No writes nothing.
        {
            box_answerer_c box(QMessageBox::No);
            QTest::mouseClick(partitions->btn_repair, Qt::LeftButton);
            QVERIFY(partitions->repair().busy() && !partitions->btn_back->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(box.answered(), 30000);
            QVERIFY2(box.text.contains(lookup_text("partition_query").toHtmlEscaped()) &&
                         box.text.contains(QFileInfo(lost).canonicalFilePath().toHtmlEscaped()) &&
                         box.text.contains(lookup_text("partition_table_new").toHtmlEscaped()),
                     qPrintable(box.text));
            QCOMPARE(box.default_button, QMessageBox::No);
            QVERIFY(!partitions->repair().busy() && partitions->btn_repair->isEnabled());
        }
        partition_table_s before;
        {
            auto device = open_block_device(lost.toStdString(), open_mode_e::read);
            QVERIFY(device && read_partition_table(*device, before));
        }
        QCOMPARE(int(before.partitions.size()), 0);

        {
            box_answerer_c boxes({QMessageBox::Yes, QMessageBox::Ok});
            QTest::mouseClick(partitions->btn_repair, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 2, 30000);
            QVERIFY(partitions->btn_repair->isEnabled());
            const QString finished_text = boxes.texts.at(1);
            // An image file: no restart asked for.
            QVERIFY2(finished_text.startsWith(lookup_text("partition_finished_image")), qPrintable(finished_text));
            const QString backup = finished_text.section('\n', -1);
            QVERIFY2(QFile::exists(backup), qPrintable(backup));
            QVERIFY(backup.startsWith(folder.filePath("state")));
        }
        partition_table_s after;
        {
            auto device = open_block_device(lost.toStdString(), open_mode_e::read);
            QVERIFY(device && read_partition_table(*device, after));
        }
        QCOMPARE(int(after.partitions.size()), 4);
        QCOMPARE(after.partitions[0].first_sector, uint64_t(2048));
        QCOMPARE(after.partitions[3].first_sector, uint64_t(160650));

        // Start again, then Back at once: the volume page, and the search ends.
        QTest::mouseClick(partitions->btn_stop, Qt::LeftButton);
        QVERIFY(partitions->search().isRunning() || partitions->search().isFinished());
        QTest::mouseClick(partitions->btn_back, Qt::LeftButton);
        QCOMPARE(window.current_page(), volumes);

        // Another drive at once: the search left running gives way to it.
        click(&window, k_tab_partition);
        select_row(drives->lv_drives, row_of(drive_rows(), QFileInfo(sample).canonicalFilePath()));
        QTest::mouseClick(drives->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), partitions);
        QCOMPARE(partitions->search().drive().name, QFileInfo(sample).canonicalFilePath());
        QTRY_VERIFY_WITH_TIMEOUT(partitions->search().isFinished(), 10000);
        // The list follows the search through queued signals.
        QTRY_COMPARE_WITH_TIMEOUT(partitions->lv_volumes->model()->rowCount(), 1, 10000);
        QTest::mouseClick(partitions->btn_back, Qt::LeftButton);

        // Help opens the page shipped with the program, in a window of its own.
        menu_entry(window, "menu_help")->trigger();
        auto *help = window.findChild<QDialog *>("help_window");
        QVERIFY(help && help->isVisible());
        const QString help_text = help->findChild<QTextBrowser *>("help_text")->toPlainText();
        for (const char *topic : {"Deep scan", "Scan files", "Partition repair", "different drive", "pkexec"})
            QVERIFY2(help_text.contains(topic), topic);
        help->close();
        QFile chinese(help_page_for("cn"));
        QVERIFY(chinese.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(chinese.readAll()).contains("分区修复"));

        // The language changes at once: the pages read their texts again,
        // the menu ticks it, and it is kept in the user's configuration
        // folder, not in the working folder.
        QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
        const QString english_back = volumes->btn_back->text();
        const QString english_filter_hint = window.recovery_page()->filter_bar()->name_edit->placeholderText();
        const auto language_entry = [&](const QString &name) {
            for (QAction *entry : window.main_menu()->actions().at(0)->menu()->actions())
                if (entry->text() == name)
                    return entry;
            return static_cast<QAction *>(nullptr);
        };
        QAction *deutsch = language_entry("Deutsch");
        deutsch->trigger();
        QVERIFY(deutsch->isChecked() && !language_entry("English")->isChecked());
        QCOMPARE(volumes->btn_back->text(), lookup_text("btn_back"));
        QVERIFY(volumes->btn_back->text() != english_back);
        QCOMPARE(window.recovery_page()->btn_back->text(), volumes->btn_back->text());
        // Texts made once with the page follow too: the filter bar's hints
        // and choices, the preview's tabs, the legend of the state marks.
        recovery_window_c *recovery = window.recovery_page();
        QCOMPARE(recovery->filter_bar()->name_edit->placeholderText(), lookup_text("filter_name"));
        QCOMPARE(recovery->filter_bar()->deleted_box->text(), lookup_text("filter_deleted_only"));
        QCOMPARE(recovery->filter_bar()->state_box->itemText(1), lookup_text("state_intact"));
        QCOMPARE(recovery->preview_tabs()->tabText(0), lookup_text("preview_tab"));
        QCOMPARE(recovery->legend()->lines().first(), lookup_text("state_intact"));
        QVERIFY(lookup_text("filter_name") != english_filter_hint);
        QVERIFY(QFile::exists(folder.filePath("config/TarnRecovery/TarnRecovery.ini")));
        QVERIFY(!QFile::exists(folder.filePath("TarnRecovery.ini")));
        language_entry("English")->trigger();
        QCOMPARE(volumes->btn_back->text(), english_back);

        // Exit from the menu with no scan running: no question, the window closes.
        menu_entry(window, "menu_exit")->trigger();
        QVERIFY(!window.isVisible());
    }

    // After window_flow: start-up has run and the sample is in the lists.
    void recovery_flow()
    {
        QVERIFY2(startup_done.load() == 1 && row_of(volume_rows(), sample) > 0, "runs after window_flow");
        fixture_manifest_c manifest;
        QVERIFY2(manifest.load(source_dir() + "/samples/sample.manifest"), qPrintable(manifest.error()));
        main_window_c window;
        window.on_init_finished();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        recovery_window_c *page = window.recovery_page();
        const QString scan_file = folder.filePath("sample.sav");
        page->choose_destination = [&](QWidget *) { return destination; };
        page->choose_save_file = [&](QWidget *) { return scan_file; };
        page->choose_scan_file = [&](QWidget *) { return scan_file; };
        page->open_folder = [&](const QString &shown) { opened = shown; };

        // Home, the volume page, the sample's partition, a file-system scan.
        QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
        volume_window_c *volumes = window.volume_page();
        QCOMPARE(window.current_page(), volumes);
        const int sample_row = row_of(volume_rows(), sample);
        QVERIFY(sample_row > 0);
        select_row(volumes->lv_volumes, sample_row);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), page);
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        restore_every_folder(window, folder.filePath("fat"));
        if (QTest::currentTestFailed())
            return;
        const QSet<QByteArray> restored = restored_hashes(folder.filePath("fat"));
        int compared = 0;
        for (const fixture_entry_s &e : manifest.entries()) {
            if (!e.recoverable() || e.fragmented || e.first_cluster <= 0)
                continue;
            QVERIFY2(restored.contains(e.sha256), qPrintable(e.path));
            ++compared;
        }
        QVERIFY(compared >= 3);
        // The found folders are made again below the destination: each
        // file lies in its own folder (a deleted name lost its first letter).
        int in_folders = 0;
        QDirIterator files(folder.filePath("fat"), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString relative = QDir(folder.filePath("fat")).relativeFilePath(path).section('/', 1);
            const QByteArray hash = file_sha256(path);
            for (const fixture_entry_s &e : manifest.entries())
                if (e.sha256 == hash && e.path.contains('/')) {
                    QCOMPARE(relative.section('/', 0, -2), e.path.section('/', 0, -2));
                    QCOMPARE(relative.section('/', -1).mid(1), e.name().mid(1));
                    ++in_folders;
                }
        }
        QVERIFY(in_folders >= 3);
        filter_search_and_hex(page, manifest);
        if (QTest::currentTestFailed())
            return;
        ticks_across_folders(page, manifest);
        if (QTest::currentTestFailed())
            return;

        // A deep scan, its result saved; Back twice, home's Resume opens it.
        QTest::mouseClick(page->btn_back, Qt::LeftButton);
        click(&window, k_tab_deep);
        select_row(volumes->lv_volumes, sample_row);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        QVERIFY(page->session().deep());
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 120000);
        QTest::mouseClick(page->btn_filter, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!page->saving(), 60000);
        QVERIFY(QFileInfo(scan_file).size() > 0);
        restore_every_folder(window, folder.filePath("deep"));
        if (QTest::currentTestFailed())
            return;
        const QSet<QByteArray> carved = restored_hashes(folder.filePath("deep"));
        QVERIFY(restored.intersects(carved));
        QTest::mouseClick(page->btn_back, Qt::LeftButton);
        QTest::mouseClick(volumes->btn_back, Qt::LeftButton);
        QCOMPARE(window.current_page(), window.home_page());
        QTest::mouseClick(window.home_page()->btn_resume, Qt::LeftButton);
        QCOMPARE(window.current_page(), page);
        restore_every_folder(window, folder.filePath("resumed"));
        QCOMPARE(restored_hashes(folder.filePath("resumed")), carved);
    }

    // The check-all box over a narrowed view, "deleted only" after a
    // file-system scan, and what the preview makes of files it draws (a
    // PDF's first page, a TIFF through Qt's plug-ins) and of one it cannot.
    void shown_rows_and_previews()
    {
        QVERIFY2(startup_done.load() == 1, "runs after window_flow");
        main_window_c window;
        window.on_init_finished();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.open_images({mixed, ntfs}), 2);
        QTRY_VERIFY_WITH_TIMEOUT(row_of(volume_rows(), mixed) >= 0 && row_of(volume_rows(), ntfs) >= 0, 30000);
        recovery_window_c *page = window.recovery_page();
        row_filter_bar_c *bar = page->filter_bar();
        MyHeaderView *header = page->table_header();
        volume_window_c *volumes = window.volume_page();
        const auto scan = [&](const QString &image) {
            window.show_page(main_window_c::page_volume);
            QTRY_VERIFY(volumes->lv_volumes->model()->rowCount() == volume_rows().size());
            select_row(volumes->lv_volumes, row_of(volume_rows(), image));
            QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
            QCOMPARE(window.current_page(), page);
            QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        };

        // The engines keep deleted files alone, so after a file-system scan
        // "deleted only" has nothing to narrow: it is greyed and says why,
        // rather than ticked and doing nothing. A deep scan's finds are not
        // known to be deleted: ticked, it would hide every one of them.
        scan(ntfs);
        QVERIFY(!bar->deleted_box->isChecked() && !bar->deleted_box->isEnabled());
        QCOMPARE(bar->deleted_box->toolTip(), lookup_text("filter_deleted_only_off"));
        for (const found_row_s &found : page->session().rows())
            QVERIFY2(found.row.deleted, qPrintable(found.row.name));

        // Check-all over a narrowed view: it ticks what is shown, and its
        // state is that of the rows shown.
        scan(mixed);
        QAbstractItemModel *tree = page->tv_dirtree->model();
        click_tree(*page, tree->index(0, 0, tree->index(0, 0)));
        QCOMPARE(page->table_rows().size(), 5);
        QTest::keyClicks(bar->name_edit, "*.wav");
        QTRY_COMPARE(page->table_rows().size(), 1);
        QCOMPARE(header->check_state(), Qt::Unchecked);
        press_check_all(*page);
        QCOMPARE(header->check_state(), Qt::Checked);
        QVERIFY(page->chosen_label()->text().startsWith("1 file,"));
        bar->name_edit->clear();
        QTRY_COMPARE(page->table_rows().size(), 5);
        QCOMPARE(header->check_state(), Qt::PartiallyChecked);
        press_check_all(*page);
        QCOMPARE(header->check_state(), Qt::Checked);
        QVERIFY(page->chosen_label()->text().startsWith("5 files"));
        click_row(*page, 0, recovery_model_c::column_check);
        QCOMPARE(header->check_state(), Qt::PartiallyChecked);
        press_check_all(*page);
        press_check_all(*page);
        QCOMPARE(header->check_state(), Qt::Unchecked);
        QVERIFY(page->chosen_label()->text().startsWith("0 files"));

        // Previews: drawn, or a note saying why not, on the preview tab.
        const auto preview = [&](const QString &ending) {
            for (int r = 0; r < page->table_rows().size(); ++r)
                if (page->table_rows().at(r).name.endsWith(ending)) {
                    click_row(*page, r, recovery_model_c::column_name);
                    break;
                }
            // Empty when it did not load in time.
            return QTest::qWaitFor([&] { return !page->preview_loading(); }, 10000) ? page->shown_preview()
                                                                                    : file_preview_s();
        };
        const QImage pdf = preview(".pdf").image;
        QVERIFY2(!pdf.isNull(), "a PDF's first page is drawn");
        // The page's blue band, not a blank page.
        const QColor band = pdf.pixelColor(pdf.width() / 2, pdf.height() / 3);
        QVERIFY2(band.blue() > 150 && band.red() < 100, qPrintable(band.name()));
        QVERIFY2(!preview(".tif").image.isNull(), "TIFF through Qt's image plug-ins");
        for (const char *ending : {".wav", ".zip", ".docx"}) {
            const file_preview_s shown = preview(ending);
            QVERIFY2(!shown.head.isEmpty() && !shown.drawable() && shown.note == preview_note_e::no_preview, ending);
            QCOMPARE(page->preview_tabs()->currentIndex(), 0);
        }
        // Hostile bytes behind a PDF's header: a note, no crash.
        QFile broken(folder.filePath("broken.pdf"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 9 0 R >> endobj\ntrailer << /Root 1 0 R >>\n");
        broken.close();
        QCOMPARE(load_preview(broken.fileName()).note, preview_note_e::no_preview);
    }

    // An exFAT camera card (tests/fixtures/make_exfat.sh): listed as exFAT
    // with its free space from the bitmap, scanned by its file system, and
    // every intact deleted photo restored exactly.
    void exfat_flow()
    {
        QVERIFY2(startup_done.load() == 1, "runs after window_flow");
        fixture_manifest_c manifest;
        QString error;
        QVERIFY2(load_fixture_manifest("exfat", manifest, &error), qPrintable(error));
        main_window_c window;
        window.on_init_finished();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.recovery_page()->open_folder = [&](const QString &shown) { opened = shown; };
        window.recovery_page()->choose_destination = [&](QWidget *) { return destination; };
        QTest::mouseClick(window.home_page()->btn_start, Qt::LeftButton);
        volume_window_c *volumes = window.volume_page();
        QCOMPARE(window.open_images({manifest.image_path()}), 1);
        QTRY_VERIFY_WITH_TIMEOUT(row_of(volume_rows(), manifest.image_path()) > 0 && !volumes->listing().busy(), 30000);
        const int card = row_of(volume_rows(), manifest.image_path());
        QCOMPARE(volume_rows().at(card).file_system, QString("exFAT"));
        QVERIFY(volume_rows().at(card).free_known && volume_rows().at(card).free_bytes > 200u << 20);
        select_row(volumes->lv_volumes, card);
        QTest::mouseClick(volumes->btn_scan, Qt::LeftButton);
        QCOMPARE(window.current_page(), window.recovery_page());
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().is_scanning(), 60000);
        restore_every_folder(window, folder.filePath("exfat"));
        if (QTest::currentTestFailed())
            return;
        QSet<QByteArray> intact;
        for (const fixture_entry_s &e : manifest.entries())
            if (e.recoverable())
                intact.insert(e.sha256);
        QVERIFY(intact.size() >= 10);
        QVERIFY(restored_hashes(folder.filePath("exfat")).contains(intact));
    }

    void one_instance_only()
    {
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QString lock_path = runtime.path() + "/TarnRecovery";

        // A lock left by a process that has ended is taken over.
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForFinished());
        const qint64 dead_pid = gone.processId() ? gone.processId() : 999999;
        QFile stale(lock_path);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(dead_pid) + "\ntarnrecovery\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        std::unique_ptr<QLockFile> held = acquire_single_instance(lock_path);
        QVERIFY(held);

        // While it is held, the program ends at once with -1 and no window.
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        second.setProcessEnvironment(environment);
        second.setWorkingDirectory(folder.path());
        second.start(qEnvironmentVariable("TARN_GUI_APP"), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 255);
        QVERIFY(!acquire_single_instance(lock_path));

        // With the window listening as the program makes it, a second start
        // hands over its image (named relative to where it started), ends,
        // and the image shows in the first window's lists.
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        main_window_c window;
        window.show();
        instance_server_c server;
        connect(&server, &instance_server_c::images_handed_over, &window, &main_window_c::on_images_handed_over);
        QVERIFY(server.listen());
        const QString handed = folder.filePath("handed.img");
        QVERIFY(QFile::copy(sample, handed));
        QProcess third;
        third.setProcessEnvironment(environment);
        third.setWorkingDirectory(folder.path());
        third.start(qEnvironmentVariable("TARN_GUI_APP"), {"--image", "handed.img"});
        QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, 10000);
        QCOMPARE(third.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(row_of(volume_rows(), handed) > 0, 30000);
    }
};

QTEST_MAIN(gui_flow_test)
#include "gui_flow_test.moc"
