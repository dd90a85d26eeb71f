// The recovery page driven through its real widgets on the fixture images:
// a file-system scan of the sample disk's FAT partition and of the NTFS
// volume, folders opened, rows previewed, checked and restored, hashes
// compared with the manifests; a deep scan saved, reopened on a new page
// and restored; a scan file cut short refused; the page left mid-scan; the
// deep scan offered when nothing was found.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/devices/volume_lookup.h"
#include "fixture_manifest.h"
#include "fixtures/fixture_volume.h"
#include "platform/volume_path.h"
#include "recovery/page_driver.h"
#include "window/recovery/found_tree_model.h"
#include "core/scanfile/scan_check.h"
#include "window/text/translation.h"
#include "skin/gui_app.h"

namespace {

// Answers each message box as it opens with the next queued button and
// keeps its text; a box nobody expected is closed and noted.
class box_answerer_c {
public:
    box_answerer_c()
    {
        QObject::connect(&poll, &QTimer::timeout, [this] { answer_open_box(); });
        poll.start(20);
    }
    void expect(QMessageBox::StandardButton button) { answers.append(button); }
    QStringList texts;
    QStringList unexpected;

private:
    void answer_open_box()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (answers.isEmpty()) {
            unexpected.append(box->text());
            box->reject();
            return;
        }
        texts.append(box->text());
        box->button(answers.takeFirst())->click();
    }
    QTimer poll;
    QList<QMessageBox::StandardButton> answers;
};

QTreeView *tree_of(recovery_window_c &page)
{
    return page.tv_dirtree;
}

class recovery_page_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(load_language_section(QStringLiteral("English"), true), 0);
        ASSERT_TRUE(out.isValid());
        previous = QDir::currentPath();
        // The carver's configuration is read from the working folder.
        QDir::setCurrent(qEnvironmentVariable("TARN_SOURCE_DIR") + QStringLiteral("/src/resources"));
        page = make_page();
    }
    void TearDown() override
    {
        EXPECT_TRUE(boxes.unexpected.isEmpty()) << boxes.unexpected.join(" | ").toStdString();
        delete page;
        QDir::setCurrent(previous);
    }

    recovery_window_c *make_page()
    {
        auto *made = new recovery_window_c(session);
        made->resize(800, 560);
        made->choose_destination = [this](QWidget *) { return destination; };
        made->choose_scan_file = [this](QWidget *) { return scan_file; };
        made->choose_save_file = [this](QWidget *) { return scan_file; };
        made->open_folder = [this](const QString &folder) { opened.append(folder); };
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(made));
        return made;
    }

    void scan(const volume_item_s &volume, bool deep)
    {
        ASSERT_EQ(page->scan_volume(volume, deep), 0);
        EXPECT_TRUE(session.is_scanning());
        EXPECT_EQ(page->scan_volume(volume, deep), -1) << "one scan at a time";
        ASSERT_TRUE(QTest::qWaitFor([this] { return !session.is_scanning(); }, 120000));
        EXPECT_EQ(page->btn_pause->text(), lookup_text("btn_start"));
        EXPECT_FALSE(page->btn_stop->isVisible());
    }

    // Opens every folder, checks all its rows and restores them into a
    // folder of their own below dest; returns the rows restored.
    int restore_every_folder(const QString &dest)
    {
        int restored = 0;
        const QList<QModelIndex> folders = all_folders(tree_of(*page)->model());
        tree_of(*page)->expandAll();
        for (int i = 0; i < folders.size(); ++i) {
            click_tree(*page, folders.at(i));
            if (page->table_rows().isEmpty())
                continue;
            press_check_all(*page);
            for (int r = 0; r < page->table_rows().size(); ++r)
                EXPECT_TRUE(page->is_row_chosen(r));
            destination = dest + QStringLiteral("/%1").arg(i);
            const int shown = static_cast<int>(boxes.texts.size());
            boxes.expect(QMessageBox::Ok);
            QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == shown + 1; }, 60000));
            EXPECT_TRUE(boxes.texts.last().startsWith(QStringLiteral("Recovered: ")));
            EXPECT_EQ(opened.last(), destination) << "the destination opens at the end";
            restored += static_cast<int>(page->table_rows().size());
            press_check_all(*page); // left again: the next folder restores its own rows
        }
        return restored;
    }

    QApplication &app = gui_app(); // first: the members below need it
    scan_session_c session;
    QTemporaryDir out;
    QString previous;
    recovery_window_c *page = nullptr;
    box_answerer_c boxes;
    QString destination;
    QString scan_file;
    QStringList opened;
};

} // namespace

// Catches: folders not opening their files, check-all or sort not reaching
// the rows, restored files not byte-exact, the summary or the destination
// not shown, a preview missing for a small picture or text, recovery
// started with nothing checked.
TEST_F(recovery_page_test, fat_scan_preview_check_sort_and_restore)
{
    fixture_manifest_c manifest;
    ASSERT_TRUE(load_fixture_manifest(QStringLiteral("sample"), manifest));
    scan(fixture_volume("sample.img", QStringLiteral("1")), false);
    const QAbstractItemModel *tree = tree_of(*page)->model();
    ASSERT_EQ(tree->rowCount(), 1);
    ASSERT_GT(tree->rowCount(tree->index(0, 0)), 0) << "folders below /";
    EXPECT_GT(page->session().found_count(), 0u);

    // Recovery with nothing checked only says so.
    click_tree(*page, tree->index(0, 0, tree->index(0, 0)));
    ASSERT_FALSE(page->table_rows().isEmpty());
    boxes.expect(QMessageBox::Ok);
    QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == 1; }, 5000));
    EXPECT_EQ(boxes.texts.first(), lookup_text("recovery_check_warning"));
    EXPECT_TRUE(opened.isEmpty());

    // Previews: a picture as an image, a text file as its text.
    bool saw_image = false, saw_text = false;
    tree_of(*page)->expandAll();
    for (const QModelIndex &folder : all_folders(tree)) {
        click_tree(*page, folder);
        for (int r = 0; r < page->table_rows().size(); ++r) {
            const QString name = page->table_rows().at(r).name;
            click_row(*page, r, 1);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !page->preview_loading(); }, 10000));
            if (name.endsWith(QStringLiteral(".jpg")) && !page->shown_preview().image.isNull())
                saw_image = true;
            if (name.endsWith(QStringLiteral(".txt")) && !page->shown_preview().text.isEmpty())
                saw_text = true;
        }
        // A press on the size title sorts ascending, the next descending.
        if (page->table_rows().size() > 1) {
            MyHeaderView *header = page->table_header();
            const QPoint size_title(header->sectionViewportPosition(2) + 10, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size_title);
            EXPECT_LE(page->table_rows().first().size, page->table_rows().last().size);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size_title);
            EXPECT_GE(page->table_rows().first().size, page->table_rows().last().size);
        }
    }
    EXPECT_TRUE(saw_image);
    EXPECT_TRUE(saw_text);

    // Keyboard: the current row moves over the check mark column, and
    // nothing is ticked or left on the way.
    click_tree(*page, tree->index(0, 0));
    if (page->table_rows().size() > 1) {
        click_row(*page, 0, 0);
        EXPECT_TRUE(page->is_row_chosen(0));
        QTest::keyClick(page->table(), Qt::Key_Down);
        EXPECT_FALSE(page->is_row_chosen(1)) << "an arrow key never ticks";
        QTest::keyClick(page->table(), Qt::Key_Up);
        EXPECT_TRUE(page->is_row_chosen(0)) << "nor leaves a tick";
        click_row(*page, 0, 0);
    }

    // A folder that cannot be made: nothing is written, and the box says why.
    QFile blocker(out.filePath(QStringLiteral("a file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    click_tree(*page, tree->index(0, 0, tree->index(0, 0)));
    press_check_all(*page);
    destination = blocker.fileName() + QStringLiteral("/below");
    boxes.expect(QMessageBox::Ok);
    QTest::mouseClick(page->btn_recovery, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == 2; }, 60000));
    EXPECT_TRUE(boxes.texts.last().startsWith(lookup_text("recovery_refused").arg(QString())) &&
                boxes.texts.last().contains(destination))
        << qPrintable(boxes.texts.last());
    press_check_all(*page); // all shown are chosen: the box leaves them

    const int restored = restore_every_folder(out.filePath(QStringLiteral("fat")));
    EXPECT_GT(restored, 0);
    const QSet<QByteArray> hashes = restored_hashes(out.filePath(QStringLiteral("fat")));
    int compared = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (!e.recoverable() || e.fragmented || e.first_cluster <= 0)
            continue;
        EXPECT_TRUE(hashes.contains(e.sha256)) << e.path.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 3);
}

// Catches: the NTFS engine's rows not restored byte-exact through the page;
// leaving the page mid-scan showing results or asking anything, or keeping
// the next scan from starting.
TEST_F(recovery_page_test, ntfs_scan_restore_and_leave_mid_scan)
{
    fixture_manifest_c manifest;
    ASSERT_TRUE(load_fixture_manifest(QStringLiteral("ntfs"), manifest));
    const volume_item_s volume = fixture_volume("ntfs.img");
    ASSERT_EQ(page->scan_volume(volume, false), 0);
    page->leave_page();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session.is_scanning(); }, 60000));
    EXPECT_EQ(tree_of(*page)->model()->rowCount(), 0) << "an abandoned scan shows nothing";

    scan(volume, false);
    restore_every_folder(out.filePath(QStringLiteral("ntfs")));
    const QSet<QByteArray> hashes = restored_hashes(out.filePath(QStringLiteral("ntfs")));
    int compared = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (!e.recoverable() || e.has_note(QStringLiteral("in_deleted_dir")))
            continue;
        EXPECT_TRUE(hashes.contains(e.sha256)) << e.path.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 5);

    // Start after a finished scan runs the same scan again from nothing.
    const int folders = tree_of(*page)->model()->rowCount(tree_of(*page)->model()->index(0, 0));
    QTest::mouseClick(page->btn_pause, Qt::LeftButton);
    EXPECT_TRUE(session.is_scanning());
    EXPECT_TRUE(page->table_rows().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session.is_scanning(); }, 60000));
    EXPECT_EQ(tree_of(*page)->model()->rowCount(tree_of(*page)->model()->index(0, 0)), folders);

    // An image cut short is scanned for what it holds, and the window says
    // so (it used to reach the command line alone).
    const QString cut = out.filePath(QStringLiteral("cut.img"));
    ASSERT_TRUE(QFile::copy(fixtures_dir() + QStringLiteral("/ntfs.img"), cut));
    ASSERT_TRUE(QFile::resize(cut, 6 << 20));
    volume_item_s cut_volume;
    QString error;
    ASSERT_TRUE(resolve_volume(cut, QString(), cut_volume, &error)) << error.toStdString();
    boxes.expect(QMessageBox::Ok);
    scan(cut_volume, false);
    ASSERT_FALSE(boxes.texts.isEmpty());
    EXPECT_TRUE(boxes.texts.last().startsWith(lookup_text("recovery_scan_note").arg(QString())) &&
                boxes.texts.last().contains(QStringLiteral("cut short")))
        << qPrintable(boxes.texts.last());
}

// Catches: Save result missing after a deep scan, a saved scan not shown
// again by a new page, its files not the same bytes, a scan file cut short
// accepted or changing the page, one of an older version (no checksum)
// opened without a word, the deep scan not offered (or not run) when a
// file-system scan found nothing, the folders a deep scan rebuilt after a
// format missing from the tree.
TEST_F(recovery_page_test, deep_scan_save_resume_refuse_and_offer)
{
    scan(fixture_volume("sample.img", QStringLiteral("1")), true);
    EXPECT_TRUE(page->btn_filter->isVisible()) << "Save result after a deep scan";
    scan_file = out.filePath(QStringLiteral("sample.sav"));
    QTest::mouseClick(page->btn_filter, Qt::LeftButton);
    EXPECT_FALSE(page->btn_filter->isEnabled()) << "one save at a time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->btn_filter->isEnabled(); }, 60000));
    ASSERT_TRUE(QFileInfo::exists(scan_file));
    const int found = restore_every_folder(out.filePath(QStringLiteral("deep")));
    ASSERT_GT(found, 0);
    const QSet<QByteArray> first = restored_hashes(out.filePath(QStringLiteral("deep")));

    page->leave_page();
    delete page;
    page = make_page();
    ASSERT_EQ(page->resume_from_file(), 0);
    EXPECT_FALSE(page->btn_pause->isVisible());
    EXPECT_EQ(restore_every_folder(out.filePath(QStringLiteral("resumed"))), found);
    EXPECT_EQ(restored_hashes(out.filePath(QStringLiteral("resumed"))), first);

    // Cut short: refused with a message, the results shown stay.
    QFile whole(scan_file);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile cut(out.filePath(QStringLiteral("cut.sav")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(256 + 32 + 10));
    cut.close();
    scan_file = cut.fileName();
    const int folders = tree_of(*page)->model()->rowCount(tree_of(*page)->model()->index(0, 0));
    const QList<recovery_item_s> rows = page->table_rows();
    boxes.expect(QMessageBox::Ok);
    EXPECT_EQ(page->resume_from_file(), -1);
    ASSERT_FALSE(boxes.texts.isEmpty());
    EXPECT_TRUE(boxes.texts.last().startsWith(lookup_text("recovery_resume_refused").section('%', 0, 0)));
    EXPECT_EQ(tree_of(*page)->model()->rowCount(tree_of(*page)->model()->index(0, 0)), folders);
    EXPECT_EQ(page->table_rows().size(), rows.size());

    // Of an older version, without the checksum: opened, and the user told.
    QFile older(out.filePath(QStringLiteral("older.sav")));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write(bytes.chopped(scan_file_check_size));
    older.close();
    scan_file = older.fileName();
    boxes.expect(QMessageBox::Ok);
    EXPECT_EQ(page->resume_from_file(), 0);
    ASSERT_FALSE(boxes.texts.isEmpty());
    EXPECT_TRUE(boxes.texts.last().startsWith(lookup_text("recovery_resume_note").section('%', 0, 0)))
        << boxes.texts.last().toStdString();

    // A volume where nothing can be found: the scan says why, then the
    // deep scan is offered and, on Yes, runs.
    QFile zeros(out.filePath(QStringLiteral("zeros.img")));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    zeros.write(QByteArray(1 << 20, '\0'));
    zeros.close();
    volume_item_s empty;
    empty.device_name = zeros.fileName();
    empty.file_system = QStringLiteral("FAT16");
    empty.volume_path = QString::fromStdString(make_volume_path(zeros.fileName().toStdString(), 0));
    empty.mount_path = empty.device_name;
    empty.total_bytes = 1 << 20;
    const int before = static_cast<int>(boxes.texts.size());
    boxes.expect(QMessageBox::Ok);
    boxes.expect(QMessageBox::Yes);
    ASSERT_EQ(page->scan_volume(empty, false), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.texts.size() == before + 2; }, 60000));
    EXPECT_EQ(boxes.texts.last(), lookup_text("deep_scan_query"));
    EXPECT_TRUE(page->session().deep()) << "Yes runs the deep scan";
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session.is_scanning(); }, 60000));

    // The NTFS fixture quick-formatted: its old folders show in the tree.
    const QString formatted = out.filePath(QStringLiteral("formatted.img"));
    ASSERT_TRUE(QFile::copy(fixtures_dir() + QStringLiteral("/ntfs.img"), formatted));
    QString mkntfs = QStandardPaths::findExecutable(QStringLiteral("mkntfs"));
    if (mkntfs.isEmpty())
        mkntfs = QStandardPaths::findExecutable(QStringLiteral("mkntfs"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    ASSERT_EQ(QProcess::execute(mkntfs,
                                {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-q"),
                                 QStringLiteral("-c"), QStringLiteral("4096"), formatted}),
              0);
    volume_item_s volume;
    QString error;
    ASSERT_TRUE(resolve_volume(formatted, QString(), volume, &error)) << error.toStdString();
    scan(volume, true);
    QStringList shown;
    for (const QModelIndex &folder : all_folders(tree_of(*page)->model()))
        shown << folder.data().toString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Letters")) && shown.contains(QStringLiteral("2023 – Übersicht")))
        << shown.join(QLatin1Char('|')).toStdString();
}
