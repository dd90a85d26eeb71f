#include "recovery_writer.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <thread>

recovery_writer_c::recovery_writer_c(recovery_base_c &engine, const QString &destination, bool recreate_folders)
    : engine_(engine), destination_(destination), recreate_folders_(recreate_folders)
{}

QString recovery_writer_c::folder_for(const found_row_s &row)
{
    QString folder = destination_;
    if (!recreate_folders_)
        return folder;
    for (const QString &name : row.folders) {
        folder = names_.claim_folder(folder, name);
        if (folder.isEmpty())
            break;
    }
    return folder;
}

recovery_report_s recovery_writer_c::write(const QList<found_row_s> &rows,
                                           const std::function<void(int, int)> &progress)
{
    recovery_report_s report;
    const int total = static_cast<int>(rows.size());
    if (!QDir().mkpath(destination_)) {
        for (const found_row_s &row : rows)
            report.failed.append(recovery_failure_s{row, QString(), 0});
        if (progress)
            progress(total, total);
        return report;
    }
    // Names first, in row order, so that they do not depend on which
    // restore finishes first.
    QStringList outputs;
    outputs.reserve(total);
    for (const found_row_s &row : rows) {
        const QString folder = folder_for(row);
        outputs.append(folder.isEmpty() ? QString() : names_.claim_file(folder, row.row.name));
    }
    std::vector<int> results(static_cast<size_t>(total), -1);
    restore_all(rows, outputs, results, progress);

    for (int i = 0; i < total; ++i) {
        const found_row_s &row = rows[i];
        const QString &output = outputs[i];
        const int result = results[static_cast<size_t>(i)];
        if (result == 0) {
            report.written.append(output);
            continue;
        }
        const QFileInfo kept(output);
        if (result == recover_no_data) {
            if (kept.exists() && kept.size() == 0)
                QFile::remove(output);
            report.skipped.append(row);
        } else {
            const bool partial = !output.isEmpty() && kept.exists();
            report.failed.append(
                recovery_failure_s{row, partial ? output : QString(), partial ? quint64(kept.size()) : 0});
        }
    }
    return report;
}

void recovery_writer_c::restore_all(const QList<found_row_s> &rows, const QStringList &outputs,
                                    std::vector<int> &results, const std::function<void(int, int)> &progress)
{
    const int total = static_cast<int>(rows.size());
    // Many small files cost more in creating them than in their bytes; an
    // engine that allows it restores several at once. Rows are handed out
    // in order, so the reads stay close together on the volume.
    std::atomic<int> next{0}, done{0};
    auto work = [&](bool reporting) {
        for (int i; (i = next.fetch_add(1)) < total;) {
            const QString &output = outputs[i];
            results[static_cast<size_t>(i)] = output.isEmpty() ? -1 : engine_.recover_row(rows[i].row, output);
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
