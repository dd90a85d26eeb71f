#include "recovery_file.h"

#include "core/session/scan_session.h"

recovery_file_c::recovery_file_c(scan_session_c &session, QObject *parent) : QThread(parent), session_(session) {}

void recovery_file_c::setup(const QString &destination, const QList<found_row_s> &rows, bool recreate_folders)
{
    destination_ = destination;
    rows_ = rows;
    recreate_folders_ = recreate_folders;
    report_ = recovery_report_s();
}

void recovery_file_c::run()
{
    report_ = session_.restore(rows_, destination_, recreate_folders_);
}

recovery_counts_s count_results(const recovery_report_s &report)
{
    recovery_counts_s counts;
    counts.restored = static_cast<int>(report.written.size());
    counts.no_data = static_cast<int>(report.skipped.size());
    for (const recovery_failure_s &failure : report.failed)
        ++(failure.output.isEmpty() ? counts.failed : counts.incomplete);
    return counts;
}

QString not_restored_list(const recovery_report_s &report, const QString &no_data)
{
    QStringList lines;
    for (const recovery_failure_s &failure : report.failed)
        lines.append(QStringLiteral("%1: %2").arg(failure.row.path(), failure.reason));
    for (const found_row_s &row : report.skipped)
        lines.append(QStringLiteral("%1: %2").arg(row.path(), no_data));
    return lines.join(QLatin1Char('\n'));
}
