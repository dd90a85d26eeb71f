#include "recovery_writer.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <thread>

#include "records/format_size.h"

quint64 restore_bytes(const QList<found_row_s> &rows)
{
    quint64 total = 0;
    for (const found_row_s &row : rows)
        total += row.row.size;
    return total;
}

qsizetype rows_that_fit(const QList<found_row_s> &rows, quint64 free)
{
    quint64 total = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        total += rows[i].row.size;
        if (total > free)
            return i;
    }
    return rows.size();
}

recovery_writer_c::recovery_writer_c(recovery_base_c &engine, const QString &destination, bool recreate_folders)
    : engine_(engine), destination_(destination), recreate_folders_(recreate_folders)
{}

output_folder_c::folder_t recovery_writer_c::folder_for(const found_row_s &row, bool *ok)
{
    output_folder_c::folder_t folder = output_folder_c::top;
    *ok = true;
    if (!recreate_folders_)
        return folder;
    for (qsizetype i = 0; i < row.folders.size(); ++i) {
        if (!names_.claim_folder(folder, row.folders[i], &folder)) {
            *ok = false;
            return folder;
        }
        folder_times_.emplace_back(folder, i < row.folder_times.size() ? row.folder_times[i] : 0);
    }
    return folder;
}

QString recovery_writer_c::path_of(const output_s &output) const
{
    return QFile::decodeName(
        QByteArray::fromStdString(out_.path_of(output.folder, QFile::encodeName(output.name).toStdString())));
}

recovery_report_s recovery_writer_c::write(const QList<found_row_s> &rows,
                                           const std::function<void(int, int)> &progress)
{
    recovery_report_s report;
    const int total = static_cast<int>(rows.size());
    auto fail_all = [&](const QString &why) {
        report.refused = why;
        for (const found_row_s &row : rows)
            report.failed.append(recovery_failure_s{row, QString(), 0, why});
        if (progress)
            progress(total, total);
        return report;
    };
    std::string why;
    if (!out_.open(QFile::encodeName(destination_).toStdString(), &why))
        return fail_all(QString::fromStdString(why));
    // Refused before the first byte: a restore that cannot fit would only
    // leave a folder of cut files.
    report.bytes_needed = restore_bytes(rows);
    report.bytes_free = out_.free_bytes();
    if (report.refused_for_room())
        return fail_all(QStringLiteral("the files need %1 but %2 has %3 free")
                            .arg(format_size(report.bytes_needed), destination_, format_size(report.bytes_free)));

    // Names first, in row order, so that they do not depend on which
    // restore finishes first.
    std::vector<output_s> outputs(static_cast<size_t>(total));
    for (int i = 0; i < total; ++i) {
        output_s &output = outputs[static_cast<size_t>(i)];
        bool ok = false;
        output.folder = folder_for(rows[i], &ok);
        if (!ok) {
            output.reason = QStringLiteral("its folder cannot be made: %1")
                                .arg(QString::fromStdString(output_error_text(errno)));
            continue;
        }
        output.name = names_.claim_file(output.folder, rows[i].row.name);
        if (output.name.isEmpty())
            output.reason = QStringLiteral("no free name for it in its folder");
    }
    restore_all(rows, outputs, progress);
    out_.remove_empty_folders();
    // Folder times last: writing a file into a folder moves its time.
    for (const auto &[folder, time] : folder_times_)
        out_.set_folder_time(folder, time);

    for (int i = 0; i < total; ++i)
        report_one(rows[i], outputs[static_cast<size_t>(i)], report);
    if (full_)
        report.stopped = QStringLiteral("%1 is full; the restore stopped").arg(destination_);
    return report;
}

namespace {

// "4,096 bytes unreadable at byte 1,048,576", for the first few runs.
QString unreadable_text(const std::vector<output_file_c::unreadable_s> &runs)
{
    constexpr size_t shown = 3;
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    QStringList parts;
    for (size_t i = 0; i < runs.size() && i < shown; ++i)
        parts << QStringLiteral("%1 bytes unreadable at byte %2")
                     .arg(grouped.toString(static_cast<qulonglong>(runs[i].length)),
                          grouped.toString(static_cast<qulonglong>(runs[i].offset)));
    if (runs.size() > shown)
        parts << QStringLiteral("%1 more unreadable runs").arg(runs.size() - shown);
    return parts.join(QStringLiteral("; ")) + QStringLiteral(" (left as zeros)");
}

} // namespace

void recovery_writer_c::restore_one(const found_row_s &row, output_s &output)
{
    if (output.name.isEmpty())
        return;
    output_file_c file;
    std::string name = QFile::encodeName(output.name).toStdString();
    // A name taken since it was claimed (another program, or a folder whose
    // file system folds case) gets the next free one.
    while (!out_.create_file(output.folder, name, &file)) {
        const int error = errno;
        if (error == EEXIST) {
            std::lock_guard<std::mutex> lock(names_mutex_);
            output.name = names_.claim_file(output.folder, row.row.name);
        }
        if (error != EEXIST || output.name.isEmpty()) {
            output.reason =
                QStringLiteral("it cannot be created: %1").arg(QString::fromStdString(output_error_text(error)));
            output.name.clear();
            if (output_is_full(error))
                full_ = true;
            return;
        }
        name = QFile::encodeName(output.name).toStdString();
    }
    output.result = engine_.recover_row(row.row, file);
    file.close(row.row.modified());
    output.size = file.size();
    if (file.write_error()) {
        output.result = -1;
        output.reason = QString::fromStdString(output_error_text(file.write_error()));
        if (output_is_full(file.write_error()))
            full_ = true;
    } else if (output.result != 0 && output.result != recover_no_data) {
        output.reason = file.failure().empty() ? QStringLiteral("its data could not be read")
                                               : QString::fromStdString(file.failure());
    } else if (output.result == 0 && !file.unreadable().empty()) {
        // Whole in length, but not what the file held: never a plain success.
        output.result = -1;
        output.zero_filled = true;
        output.reason = unreadable_text(file.unreadable());
    }
    // A file cut off by a full disk is no help, and a failure that kept
    // nothing leaves nothing behind.
    if (output.result != 0 && (full_ || output.size == 0)) {
        out_.remove_file(output.folder, name);
        output.size = 0;
        output.name.clear();
    }
}

void recovery_writer_c::restore_all(const QList<found_row_s> &rows, std::vector<output_s> &outputs,
                                    const std::function<void(int, int)> &progress)
{
    const int total = static_cast<int>(rows.size());
    // Many small files cost more in creating them than in their bytes; an
    // engine that allows it restores several at once. Rows are handed out
    // in order, so the reads stay close together on the volume.
    std::atomic<int> next{0}, done{0};
    auto work = [&](bool reporting) {
        for (int i; (i = next.fetch_add(1)) < total;) {
            output_s &output = outputs[static_cast<size_t>(i)];
            if (full_)
                output.reason = QStringLiteral("not written: the destination filled up before it");
            else
                restore_one(rows[i], output);
            const int finished = done.fetch_add(1) + 1;
            if (reporting && progress)
                progress(finished, total);
        }
    };
    const int helpers = std::min(std::max(engine_.restore_threads(), 1), std::max(total, 1)) - 1;
    std::vector<std::thread> threads;
    for (int t = 0; t < helpers; ++t)
        threads.emplace_back(work, false);
    work(true); // progress is told on the calling thread only
    for (std::thread &t : threads)
        t.join();
    if (progress && helpers > 0 && total > 0)
        progress(total, total);
}

void recovery_writer_c::report_one(const found_row_s &row, const output_s &output, recovery_report_s &report)
{
    if (output.result == 0 && !output.name.isEmpty()) {
        report.written.append(path_of(output));
        return;
    }
    if (output.result == recover_no_data) {
        report.skipped.append(row);
        return;
    }
    const bool partial = !output.name.isEmpty() && output.size > 0;
    report.failed.append(recovery_failure_s{row, partial ? path_of(output) : QString(), partial ? output.size : 0,
                                            output.reason, output.zero_filled && partial});
}
