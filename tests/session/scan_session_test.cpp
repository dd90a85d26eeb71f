// The scan session as both front ends drive it: scan, pause, resume, stop,
// abandon and restore on the fixture images of each engine, scan files read
// back only for a listed volume, and failures that must not pass as empty
// results.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/devices/volume_lookup.h"
#include "engines/engine_factory.h"
#include "fixture_manifest.h"
#include "fixtures/fixture_volume.h"
#include "platform/disks.h"
#include "platform/volume_path.h"
#include "core/scanfile/scan_check.h"
#include "core/session/progress_estimate.h"
#include "core/session/scan_session.h"

namespace {

void ensure_app()
{
    static int argc = 1;
    static char name[] = "scan_session_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// Scans through the signals and returns once scan_finished came.
void scan_to_end(scan_session_c &session, const volume_item_s &volume, bool deep)
{
    QSignalSpy finished(&session, &scan_session_c::scan_finished);
    ASSERT_TRUE(session.start_scan(volume, deep)) << session.error().toStdString();
    EXPECT_FALSE(session.start_scan(volume, deep)) << "one scan at a time";
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(session.is_scanning());
}

// A scan paused and resumed at once runs to its end without a failure.
void scan_pausing_once(scan_session_c &session, const volume_item_s &volume, bool deep)
{
    ASSERT_TRUE(session.start_scan(volume, deep)) << session.error().toStdString();
    session.pause();
    session.resume();
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.error().isEmpty()) << session.error().toStdString();
}

// A copy of the sample image made at path, resolved as its first partition.
volume_item_s sample_copy(const QString &path)
{
    volume_item_s volume;
    QString error;
    EXPECT_TRUE(QFile::copy(fixtures_dir() + QStringLiteral("/sample.img"), path));
    EXPECT_TRUE(resolve_volume(path, QStringLiteral("1"), volume, &error)) << error.toStdString();
    return volume;
}

// Starts a deep scan; the carver reads its configuration from the working
// folder as the engine is made.
bool start_deep_scan(scan_session_c &session, const volume_item_s &volume)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(qEnvironmentVariable("TARN_SOURCE_DIR") + QStringLiteral("/src/resources"));
    const bool started = session.start_scan(volume, true);
    QDir::setCurrent(previous);
    return started;
}

class scan_session_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_app();
        ASSERT_TRUE(out.isValid());
    }
    QTemporaryDir out;
};

} // namespace

// Catches: pause not holding the engine, resume not releasing it, a stop
// losing what was found, an abandon keeping results, restored files not
// byte-exact, progress and per-row results not reported.
TEST_F(scan_session_test, fat_scan_pause_resume_stop_abandon_and_restore)
{
    fixture_manifest_c manifest;
    ASSERT_TRUE(load_fixture_manifest(QStringLiteral("fat16"), manifest));
    const volume_item_s volume = fixture_volume("fat16.img");
    scan_session_c session;

    // The engine logs the start of its walk from the scan thread: hold it
    // there until the scan is paused, so the pause lands before any entry.
    QSemaphore first_entry, paused;
    std::atomic<bool> held{false};
    session.set_engine_log([&](const std::string &line) {
        if (line == "Start Fat Scan.\n" && !held.exchange(true)) {
            first_entry.release();
            paused.acquire();
        }
    });
    QSignalSpy finished(&session, &scan_session_c::scan_finished);
    ASSERT_TRUE(session.start_scan(volume, false));
    ASSERT_TRUE(first_entry.tryAcquire(1, 20000));
    session.pause();
    paused.release();
    QThread::msleep(300);
    const quint64 read_while_paused = session.read_count();
    QThread::msleep(300);
    EXPECT_TRUE(session.is_paused());
    EXPECT_EQ(session.read_count(), read_while_paused) << "a paused scan reads nothing";
    EXPECT_TRUE(session.is_scanning());
    session.resume();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(session.error().isEmpty()) << session.error().toStdString();
    EXPECT_GT(session.read_count(), read_while_paused);
    EXPECT_DOUBLE_EQ(session.progress(), 1.0);
    const QList<found_row_s> rows = session.rows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_FALSE(session.offers_deep_scan()) << "folders were found";

    QSignalSpy progressed(&session, &scan_session_c::restore_progressed);
    const recovery_report_s report = session.restore(rows, out.path(), true);
    EXPECT_EQ(report.written.size() + report.failed.size() + report.skipped.size(), rows.size());
    ASSERT_EQ(progressed.size(), rows.size());
    EXPECT_EQ(progressed.last().at(0).toInt(), static_cast<int>(rows.size()));
    const QSet<QByteArray> hashes = restored_hashes(out.path());
    for (const fixture_entry_s &e : manifest.entries()) {
        if (e.recoverable() && !e.fragmented && e.first_cluster > 0) {
            EXPECT_TRUE(hashes.contains(e.sha256)) << e.path.toStdString();
        }
    }
    EXPECT_FALSE(session.on_scanned_volume(out.path())) << "a volume in an image file holds no destination";

    // Stop keeps results; abandon discards them, also after the scan ended.
    ASSERT_TRUE(session.start_scan(volume, false));
    session.stop();
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.stopped_by_user());
    EXPECT_TRUE(session.error().isEmpty());
    EXPECT_FALSE(session.offers_deep_scan()) << "never after a stop";
    ASSERT_TRUE(session.start_scan(volume, false));
    session.abandon();
    ASSERT_TRUE(finished.wait(60000) || !session.is_scanning());
    EXPECT_TRUE(session.rows().isEmpty()) << "abandoned results are discarded";
    scan_to_end(session, volume, false);
    EXPECT_EQ(session.rows().size(), rows.size());
    session.abandon();
    EXPECT_TRUE(session.rows().isEmpty());
}

// Catches: the live-copy or no-data rules lost on the way through the
// session, stop or abandon behaving differently on this engine.
TEST_F(scan_session_test, ntfs_scan_stop_abandon_and_restore)
{
    fixture_manifest_c manifest;
    ASSERT_TRUE(load_fixture_manifest(QStringLiteral("ntfs"), manifest));
    const volume_item_s volume = fixture_volume("ntfs.img");
    scan_session_c session;
    scan_pausing_once(session, volume, false);
    EXPECT_EQ(session.engine_name(), QStringLiteral("NTFS"));
    const recovery_report_s report = session.restore(session.rows(), out.path(), true);
    EXPECT_TRUE(report.failed.isEmpty());
    EXPECT_FALSE(report.skipped.isEmpty()) << "names found only in folder indexes have no data";
    const QSet<QByteArray> hashes = restored_hashes(out.path());
    int restorable = 0;
    for (const fixture_entry_s &m : manifest.entries()) {
        restorable += m.recoverable() ? 1 : 0;
        EXPECT_TRUE(!m.recoverable() || hashes.contains(m.sha256)) << m.path.toStdString();
    }
    EXPECT_GE(restorable, 8);

    ASSERT_TRUE(session.start_scan(volume, false));
    session.abandon();
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.rows().isEmpty());
    EXPECT_FALSE(session.stopped_by_user());
    ASSERT_TRUE(session.start_scan(volume, false));
    session.stop();
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.stopped_by_user());
}

// Catches: a deep scan not restorable, its scan file not read back, a scan
// file accepted for a volume matched by prefix or case, or with entries
// outside the volume, or saved with a cut device path; a file of before,
// without a checksum, refused or read without a word.
TEST_F(scan_session_test, deep_scan_save_reload_and_restore)
{
    const QString previous = QDir::currentPath();
    // The carver's configuration is read from the working folder.
    QDir::setCurrent(qEnvironmentVariable("TARN_SOURCE_DIR") + QStringLiteral("/src/resources"));
    const volume_item_s volume = fixture_volume("sample.img");
    scan_session_c session;
    scan_pausing_once(session, volume, true);
    QDir::setCurrent(previous);
    const QList<found_row_s> rows = session.rows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(session.found_count(), quint64(rows.size())) << "the deep scan counts its finds";
    for (const found_row_s &row : rows)
        EXPECT_TRUE(row.row.state == recovery_state_e::intact || row.row.state == recovery_state_e::uncertain_end)
            << "a carved find is intact or has an uncertain end: " << row.path().toStdString();
    const QString saved = out.filePath(QStringLiteral("scan.sav"));
    ASSERT_TRUE(session.save_result(saved)) << session.error().toStdString();

    scan_session_c again;
    ASSERT_EQ(again.load_result(saved), scan_session_c::loaded) << again.error().toStdString();
    EXPECT_TRUE(again.note().isEmpty()) << again.note().toStdString();
    for (const found_row_s &row : again.rows())
        EXPECT_EQ(row.row.state, recovery_state_e::uncertain_end)
            << "a scan file does not keep whether an end was proved: " << row.path().toStdString();
    EXPECT_EQ(again.volume().volume_path, volume.volume_path);
    const recovery_report_s report = again.restore(again.rows(), out.filePath(QStringLiteral("files")), false);
    EXPECT_EQ(report.written.size(), rows.size());
    EXPECT_TRUE(report.failed.isEmpty());

    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Changed below without the checksum, which would refuse them all first.
    const QByteArray good = file.readAll().chopped(scan_file_check_size);
    file.close();
    QString note;
    auto load_variant = [&](QByteArray bytes) {
        QFile f(saved);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        scan_session_c s;
        const scan_session_c::load_result_e result = s.load_result(saved);
        note = s.note();
        return result;
    };
    ASSERT_EQ(load_variant(good), scan_session_c::loaded) << "a file of before";
    EXPECT_TRUE(note.contains(QStringLiteral("no checksum"))) << "and the user is told";
    const QByteArray stored(good.constData());
    QByteArray variant = good;
    variant.replace(0, stored.size(), stored.toUpper());
    EXPECT_EQ(load_variant(variant), scan_session_c::volume_not_listed) << "matched exactly, not by case";
    variant = good;
    variant.replace(0, 256, QByteArray("/etc/shadow").leftJustified(256, '\0'));
    EXPECT_EQ(load_variant(variant), scan_session_c::volume_not_listed) << "only listed volumes";
    variant = good;
    variant.replace(0, 256, stored.left(stored.size() - 2).leftJustified(256, '\0'));
    EXPECT_EQ(load_variant(variant), scan_session_c::volume_not_listed) << "no prefix match";
    variant = good;
    const quint64 far = volume.total_bytes * 4;
    variant.replace(256 + 8, 8, QByteArray(reinterpret_cast<const char *>(&far), 8));
    EXPECT_EQ(load_variant(variant), scan_session_c::entries_outside_volume);
    // A joined first entry whose second piece lies past the volume's end.
    quint64 first[3];
    memcpy(first, good.constData() + 256, sizeof first);
    if (first[2] >= 2) {
        const quint64 record[] = {0, 2, first[1], 1, far, first[2] - 1};
        const quint64 length = sizeof record;
        variant = good + QByteArray("PIECES\0\1", 8) + QByteArray(reinterpret_cast<const char *>(&length), 8) +
            QByteArray(reinterpret_cast<const char *>(record), sizeof record);
        EXPECT_EQ(load_variant(variant), scan_session_c::entries_outside_volume) << "pieces are checked too";
    }
    if (good.size() >= 256 + 64) {
        variant = good;
        variant[256] = 1; // the first two entries both claim index 1
        EXPECT_EQ(load_variant(variant), scan_session_c::unreadable_file) << "indexes must be positions";
    }
}

// Catches: a scan file saved over the image being scanned (by its name, a
// link or a second name), over a device or a fifo, over a folder or a file
// that is no scan file, or reported saved when it was not; a save that
// leaves its temporary behind or does not replace an older scan file.
TEST_F(scan_session_test, save_refuses_to_write_over_what_it_would_destroy)
{
    const QString image = out.filePath(QStringLiteral("disk.img"));
    const volume_item_s volume = sample_copy(image);
    const QString previous = QDir::currentPath();
    // The carver's configuration is read from the working folder.
    QDir::setCurrent(qEnvironmentVariable("TARN_SOURCE_DIR") + QStringLiteral("/src/resources"));
    scan_session_c session;
    scan_pausing_once(session, volume, true);
    QDir::setCurrent(previous);
    ASSERT_FALSE(session.rows().isEmpty());

    const QString link = out.filePath(QStringLiteral("link.img")), second = out.filePath(QStringLiteral("second.img"));
    ASSERT_TRUE(QFile::link(image, link));
    ASSERT_EQ(::link(QFile::encodeName(image).constData(), QFile::encodeName(second).constData()), 0);
    const QString notes = out.filePath(QStringLiteral("notes.txt")), fifo = out.filePath(QStringLiteral("fifo"));
    QFile text(notes);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not a scan file") == 15);
    text.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A reader, so that a write to the fifo would not block but go through.
    const int reader = open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    auto bytes_of = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray image_bytes = bytes_of(image);
    const std::pair<QString, const char *> refused[] = {
        {image, "it is the image being scanned"},  {link, "it is the image being scanned"},
        {second, "it is the image being scanned"}, {QStringLiteral("/dev/null"), "it is a character device"},
        {fifo, "it is a fifo"},                    {out.path(), "it is a folder"},
        {notes, "it is not a scan file"}};
    for (const auto &[path, reason] : refused) {
        EXPECT_FALSE(session.save_result(path)) << path.toStdString();
        EXPECT_TRUE(session.error().startsWith(QStringLiteral("refusing to save over %1: %2").arg(path, reason)))
            << session.error().toStdString();
    }
    char leaked[64];
    EXPECT_LT(read(reader, leaked, sizeof leaked), 1) << "nothing went into the fifo";
    close(reader);
    EXPECT_TRUE(bytes_of(image) == image_bytes) << "the image is untouched";
    EXPECT_EQ(bytes_of(notes), QByteArray("not a scan file"));

    // An older scan file is replaced whole; a folder that is not there fails.
    const QString saved = out.filePath(QStringLiteral("scan.sav"));
    ASSERT_TRUE(session.save_result(saved)) << session.error().toStdString();
    ASSERT_TRUE(session.save_result(saved)) << session.error().toStdString();
    EXPECT_FALSE(session.save_result(out.filePath(QStringLiteral("gone/scan.sav"))));
    EXPECT_FALSE(session.error().isEmpty());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              QStringList({"disk.img", "fifo", "link.img", "notes.txt", "scan.sav", "second.img"}))
        << "no temporary left behind";
}

// Catches: a volume that cannot be read reported as an empty result, or
// scanned as the volume read before it; a destination on the scanned
// device's mount not recognised as such.
TEST_F(scan_session_test, unreadable_volumes_fail_and_destinations_on_the_volume_are_seen)
{
    QFile zeros(out.filePath(QStringLiteral("zeros.img")));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    zeros.write(QByteArray(1 << 20, '\0'));
    zeros.close();
    for (const char *file_system : {"FAT16", "NTFS"}) {
        volume_item_s volume;
        volume.device_name = zeros.fileName();
        volume.file_system = QString::fromLatin1(file_system);
        volume.volume_path = QString::fromStdString(make_volume_path(zeros.fileName().toStdString(), 0));
        volume.mount_path = volume.device_name;
        scan_session_c session;
        ASSERT_TRUE(session.start_scan(volume, false));
        ASSERT_TRUE(session.wait_for_finish(60000));
        EXPECT_FALSE(session.error().isEmpty()) << file_system;
        EXPECT_TRUE(session.offers_deep_scan()) << "nothing found: the carver may still find files";
        EXPECT_TRUE(session.rows().isEmpty()) << "nothing of a volume scanned before";
    }
    volume_item_s gone;
    gone.device_name = out.filePath(QStringLiteral("gone.img"));
    gone.volume_path = QString::fromStdString(make_volume_path(gone.device_name.toStdString(), 0));
    scan_session_c session;
    ASSERT_TRUE(session.start_scan(gone, true));
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_FALSE(session.error().isEmpty()) << "a deep scan that cannot read its device";
    EXPECT_FALSE(session.offers_deep_scan()) << "it was deep already";

    // A device volume mounted at the output folder: a folder below that
    // mount, made or not yet, lies on it; /proc does not.
    volume_item_s mounted;
    mounted.device_name = QStringLiteral("/dev/null");
    mounted.file_system = QStringLiteral("FAT16");
    mounted.volume_path = QString::fromStdString(make_volume_path("/dev/null", 0));
    mounted.mount_path = out.path();
    ASSERT_TRUE(session.start_scan(mounted, false));
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.on_scanned_volume(out.filePath(QStringLiteral("not/made/yet"))));
    EXPECT_FALSE(session.on_scanned_volume(QStringLiteral("/proc/self")));
}

// Catches: a volume looked up again once its scan has started, by the scan,
// the join search or a restore: the image leaves the disk table and its
// folder right after the start, and every find must still restore.
TEST_F(scan_session_test, scan_and_restores_read_the_device_opened_at_the_start)
{
    const QString image = out.filePath(QStringLiteral("leaving.img"));
    const volume_item_s volume = sample_copy(image);
    scan_session_c session;
    ASSERT_TRUE(start_deep_scan(session, volume));
    clear_disk_images();
    ASSERT_TRUE(QFile::remove(image));
    ASSERT_TRUE(session.wait_for_finish(60000));
    EXPECT_TRUE(session.error().isEmpty()) << session.error().toStdString();
    const QList<found_row_s> rows = session.rows();
    ASSERT_FALSE(rows.isEmpty());
    const recovery_report_s report = session.restore(rows, out.filePath(QStringLiteral("files")), false);
    EXPECT_EQ(report.written.size(), rows.size());
    EXPECT_TRUE(report.failed.isEmpty());
}

// The time left is not claimed before the rate has settled, follows a rate
// that changes, and starts over when the work goes backwards.
TEST(progress_estimate, settles_follows_the_rate_and_restarts)
{
    progress_estimate_c estimate;
    EXPECT_EQ(estimate.seconds_left(), -1);
    // 1 MB/s of 100 MB, sampled every 200 ms.
    for (qint64 ms = 0; ms <= 1000; ms += 200)
        estimate.sample(static_cast<quint64>(ms) * 1000, 100000000, ms);
    EXPECT_FALSE(estimate.stable()) << "too early to believe";
    for (qint64 ms = 1200; ms <= 5000; ms += 200)
        estimate.sample(static_cast<quint64>(ms) * 1000, 100000000, ms);
    EXPECT_TRUE(estimate.stable());
    EXPECT_NEAR(estimate.rate(), 1e6, 1e3);
    EXPECT_NEAR(static_cast<double>(estimate.seconds_left()), 95.0, 1.0);
    EXPECT_EQ(estimate.elapsed_ms(), 5000);
    // Ten times slower for a while: the old prediction no longer holds.
    quint64 done = 5000000;
    for (qint64 ms = 5200; ms <= 6000; ms += 200)
        estimate.sample(done += 20000, 100000000, ms);
    EXPECT_FALSE(estimate.stable());
    for (qint64 ms = 6200; ms <= 30000; ms += 200)
        estimate.sample(done += 20000, 100000000, ms);
    EXPECT_TRUE(estimate.stable());
    EXPECT_NEAR(estimate.rate(), 1e5, 1e3);
    estimate.sample(0, 100000000, 30200);
    EXPECT_FALSE(estimate.stable());
    EXPECT_EQ(estimate.seconds_left(), -1);
    EXPECT_EQ(format_duration(3725), QStringLiteral("1:02:05"));
    EXPECT_EQ(format_duration(65), QStringLiteral("1:05"));
}
