#include "scan_session.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "core/devices/volume_lookup.h"
#include "engines/engine_factory.h"
#include "platform/disks.h"
#include "platform/volume_path.h"
#include "core/scanfile/scan_file.h"
#include "core/session/save_target.h"

scan_session_c::scan_session_c(QObject *parent) : QObject(parent) {}

scan_session_c::~scan_session_c()
{
    if (engine_ && engine_->isRunning()) {
        engine_->set_stop(stop_abandon);
        engine_->wait();
    }
}

void scan_session_c::set_engine_log(engine_log_fn sink)
{
    log_ = std::move(sink);
    log_set_ = true;
}

bool scan_session_c::start_scan(const volume_item_s &volume, bool deep)
{
    if (scanning_) {
        error_ = QStringLiteral("a scan is still running");
        return false;
    }
    std::unique_ptr<recovery_base_c> engine = select_engine(volume.file_system, deep);
    if (!engine) {
        // A probe that recognised nothing has no name to quote.
        error_ = volume.file_system.isEmpty()
            ? QStringLiteral("%1 holds no FAT, exFAT or NTFS file system").arg(volume.device_name)
            : QStringLiteral("%1 holds no FAT, exFAT or NTFS file system (it reports \"%2\")")
                  .arg(volume.device_name, volume.file_system);
        return false;
    }
    if (log_set_)
        engine->set_log(log_);
    engine_ = std::move(engine);
    volume_ = volume;
    deep_ = deep;
    discard_results();
    engine_->reset();
    // Resolved here, once: the scan and its restores read this device.
    engine_->set_volume(volume_, open_volume_item(volume_));
    connect(engine_.get(), &QThread::finished, this, &scan_session_c::on_engine_finished);
    scanning_ = true;
    requested_stop_ = stop_none;
    engine_->start();
    return true;
}

void scan_session_c::discard_results()
{
    error_.clear();
    load_note_.clear();
    stop_code_ = stop_none;
    set_tree(found_folder_s(QStringLiteral("/")));
}

void scan_session_c::set_tree(found_folder_s tree)
{
    tree_ = std::move(tree);
    tree_rows_ = static_cast<quint64>(tree_.row_count());
    rows_ = found_rows(tree_);
    const auto deleted = [](const found_row_s &found) { return found.row.deleted != 0; };
    deleted_only_narrows_ =
        std::any_of(rows_.cbegin(), rows_.cend(), deleted) && !std::all_of(rows_.cbegin(), rows_.cend(), deleted);
    choice_.reset(tree_);
    emit tree_replaced();
}

void scan_session_c::pause()
{
    if (scanning_)
        engine_->set_pause(1);
}

void scan_session_c::resume()
{
    if (scanning_)
        engine_->set_pause(0);
}

void scan_session_c::stop()
{
    if (scanning_ && requested_stop_ != stop_abandon) {
        requested_stop_ = stop_user;
        engine_->set_stop(stop_user);
    }
}

void scan_session_c::abandon()
{
    if (scanning_) {
        requested_stop_ = stop_abandon;
        engine_->set_stop(stop_abandon);
        return;
    }
    if (engine_)
        engine_->reset();
    discard_results();
    stop_code_ = stop_abandon;
}

bool scan_session_c::wait_for_finish(int ms)
{
    if (!scanning_)
        return true;
    if (!engine_->wait(QDeadlineTimer(ms)))
        return false;
    finish();
    return true;
}

bool scan_session_c::offers_deep_scan() const
{
    return engine_ && !scanning_ && !deep_ && stop_code_ != stop_user && stop_code_ != stop_abandon &&
        tree_.folders.isEmpty();
}

bool scan_session_c::is_paused() const
{
    return scanning_ && engine_->get_pause() != 0;
}
double scan_session_c::progress() const
{
    return engine_ ? engine_->get_progress() : 0.0;
}
quint64 scan_session_c::read_count() const
{
    return engine_ ? engine_->get_read_count() : 0;
}
quint64 scan_session_c::found_count() const
{
    // Once the scan is over the count is what the tree lists, whatever the
    // engine counted on the way (folders, records read twice).
    if (!scanning_)
        return tree_rows_;
    return engine_ ? engine_->get_found_count() : 0;
}
QString scan_session_c::note() const
{
    if (!load_note_.isEmpty())
        return load_note_;
    return engine_ ? engine_->get_note() : QString();
}
QString scan_session_c::engine_name() const
{
    return engine_ ? engine_->get_engine_name() : QString();
}

void scan_session_c::on_engine_finished()
{
    // A finish already handled by wait_for_finish arrives here late.
    if (scanning_ && sender() == engine_.get() && engine_->isFinished())
        finish();
}

void scan_session_c::finish()
{
    scanning_ = false;
    // An engine clears its flags when its thread begins, so a request made
    // in that moment is taken from what was asked.
    stop_code_ = requested_stop_ != stop_none ? requested_stop_ : engine_->get_stop();
    if (stop_code_ == stop_abandon) {
        engine_->reset();
        discard_results();
        stop_code_ = stop_abandon;
    } else {
        error_ = engine_->get_error();
        if (error_.isEmpty())
            engine_->set_progress(1.0);
        set_tree(engine_->get_found_tree());
    }
    emit scan_finished();
}

namespace {
// A destination may not exist yet: its nearest existing folder stands for it.
QByteArray nearest_existing(const QString &folder)
{
    QFileInfo place(QFileInfo(folder).absoluteFilePath());
    while (!place.exists() && !place.isRoot())
        place = QFileInfo(place.absolutePath());
    return QFile::encodeName(place.absoluteFilePath());
}
} // namespace

bool folder_on_volume(const QString &folder, const volume_item_s &volume)
{
    std::string source;
    int partition = 0;
    if (!parse_volume_path(volume.volume_path.toStdString(), source, partition))
        return false;
    struct stat device {};
    // Writing beside an image file cannot overwrite what the image holds.
    if (stat(source.c_str(), &device) != 0 || S_ISREG(device.st_mode))
        return false;
    struct stat target {};
    if (stat(nearest_existing(folder).constData(), &target) != 0)
        return false;
    if (S_ISBLK(device.st_mode) && target.st_dev == device.st_rdev)
        return true;
    struct stat mount {};
    return QFileInfo(volume.mount_path).isDir() &&
        stat(QFile::encodeName(volume.mount_path).constData(), &mount) == 0 && mount.st_dev == target.st_dev;
}

quint64 folder_free_bytes(const QString &folder)
{
    struct statvfs st {};
    if (statvfs(nearest_existing(folder).constData(), &st) != 0)
        return UINT64_MAX;
    return static_cast<quint64>(st.f_bavail) * st.f_frsize;
}

recovery_report_s scan_session_c::restore(const QList<found_row_s> &rows, const QString &folder, bool recreate_folders)
{
    if (!engine_ || scanning_) {
        // The store is complete only once the scan has finished.
        recovery_report_s refused;
        refused.refused = QStringLiteral("the scan has not finished");
        for (const found_row_s &row : rows)
            refused.failed.append(recovery_failure_s{row, QString(), 0, refused.refused});
        return refused;
    }
    recovery_writer_c writer(*engine_, folder, recreate_folders);
    return writer.write(rows, [this](int done, int total) { emit restore_progressed(done, total); });
}

bool scan_session_c::restore_head(const recovery_item_s &row, const QString &path, quint64 max_bytes)
{
    if (!engine_ || scanning_)
        return false;
    output_file_c file;
    if (!create_output_file(QFile::encodeName(path).toStdString(), &file))
        return false;
    const bool written = engine_->recover_head(row, file, max_bytes) == 0;
    return file.close(row.modified()) && written;
}

bool scan_session_c::save_result(const QString &path)
{
    if (scanning_ || !engine_) {
        error_ = QStringLiteral("there is no finished scan to save");
        return false;
    }
    return may_save_scan_file(path, volume_, &error_) && save_results(*engine_, volume_, path, &error_) == 0;
}

scan_session_c::load_result_e scan_session_c::load_result(const QString &path)
{
    if (scanning_) {
        error_ = QStringLiteral("a scan is still running");
        return unreadable_file;
    }
    std::vector<raw_item_s> entries;
    raw_pieces_t pieces;
    rebuilt_tree_s rebuilt;
    QString why;
    bool checked = false;
    const QString stored = read_scan_file(path, &entries, &pieces, &why, &checked, &rebuilt);
    if (stored.isEmpty()) {
        error_ = why.isEmpty() ? QStringLiteral("%1 is not a readable scan file").arg(path)
                               : QStringLiteral("%1 is not a readable scan file: %2").arg(path, why);
        return unreadable_file;
    }
    volume_item_s volume;
    volume_location_s where;
    if (!find_listed_volume(stored + QLatin1Char(path_separator), volume) ||
        !locate_volume(volume.volume_path.toStdString(), where)) {
        error_ = QStringLiteral("the volume of this scan (%1) is not present").arg(stored);
        return volume_not_listed;
    }
    for (const raw_item_s &entry : entries) {
        if (entry.offset > where.length_bytes || entry.length > where.length_bytes - entry.offset) {
            error_ = QStringLiteral("entry %1 of %2 lies outside the volume %3").arg(entry.index).arg(path, stored);
            return entries_outside_volume;
        }
    }
    for (const auto &[index, list] : pieces)
        for (const raw_piece_s &piece : list)
            if (piece.offset > where.length_bytes || piece.length > where.length_bytes - piece.offset) {
                error_ =
                    QStringLiteral("a piece of entry %1 of %2 lies outside the volume %3").arg(index).arg(path, stored);
                return entries_outside_volume;
            }
    for (const rebuilt_file_s &file : rebuilt.files)
        for (const rebuilt_stretch_s &s : file.stretches)
            if (s.offset != zeros_offset &&
                (s.offset > where.length_bytes || s.length > where.length_bytes - s.offset)) {
                error_ = QStringLiteral("a rebuilt file of %1 lies outside the volume %2").arg(path, stored);
                return entries_outside_volume;
            }
    std::unique_ptr<recovery_base_c> engine = select_engine(volume.file_system, true);
    engine->reset();
    // Opened at the first read: the rows are listed even when the volume
    // is gone, and a restore says it cannot be opened.
    engine->set_lazy_volume(volume, [volume] { return open_volume_item(volume); });
    engine->set_scan_entries(std::move(entries));
    engine->set_scan_pieces(std::move(pieces));
    engine->set_scan_rebuilt(std::move(rebuilt));
    engine_ = std::move(engine);
    volume_ = volume;
    deep_ = true;
    discard_results();
    if (!checked)
        load_note_ = QStringLiteral("this scan file has no checksum (written by an older version); its entries are "
                                    "not verified");
    set_tree(engine_->get_found_tree());
    return loaded;
}
