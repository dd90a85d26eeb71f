#include "recovery_writer.h"

#include <QDir>
#include <QFileInfo>

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
    int done = 0;
    for (const found_row_s &row : rows) {
        const QString folder = folder_for(row);
        const QString output = folder.isEmpty() ? QString() : names_.claim_file(folder, row.row.name);
        const int result = output.isEmpty() ? -1 : engine_.recover_row(row.row, output);
        const QFileInfo kept(output);
        if (result == 0) {
            report.written.append(output);
        } else if (result == recover_no_data) {
            if (kept.exists() && kept.size() == 0)
                QFile::remove(output);
            report.skipped.append(row);
        } else {
            const bool partial = !output.isEmpty() && kept.exists();
            report.failed.append(
                recovery_failure_s{row, partial ? output : QString(), partial ? quint64(kept.size()) : 0});
        }
        if (progress)
            progress(++done, total);
    }
    return report;
}
