#include "recovery_writer.h"

#include <QDir>
#include <QFileInfo>

#include "recover_row.h"

recovery_writer_c::recovery_writer_c(engine_kind_e kind, recovery_base_c &engine,
                                     const QString &destination, bool recreate_folders)
    : kind_(kind), engine_(engine), destination_(destination), recreate_folders_(recreate_folders)
{
}

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

recovery_report_s recovery_writer_c::write(const QList<found_row_s> &rows)
{
    recovery_report_s report;
    if (!QDir().mkpath(destination_)) {
        for (const found_row_s &row : rows)
            report.failed.append(recovery_failure_s{row, QString(), 0});
        return report;
    }
    for (const found_row_s &row : rows) {
        const QString folder = folder_for(row);
        const QString output = folder.isEmpty() ? QString() : names_.claim_file(folder, row.row.name);
        if (output.isEmpty()) {
            report.failed.append(recovery_failure_s{row, QString(), 0});
            continue;
        }
        if (recover_row(kind_, engine_, row.row, output) == 0) {
            report.written.append(output);
            continue;
        }
        const QFileInfo kept(output);
        report.failed.append(
            recovery_failure_s{row, kept.exists() ? output : QString(), kept.exists() ? quint64(kept.size()) : 0});
    }
    return report;
}
