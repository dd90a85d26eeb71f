#include "recovery_file.h"

#include "core/session/scan_session.h"

recovery_file_c::recovery_file_c(scan_session_c &session, QObject *parent) : QThread(parent), session_(session) {}

void recovery_file_c::setup(const QString &destination, const QList<found_row_s> &rows)
{
    destination_ = destination;
    rows_ = rows;
    report_ = recovery_report_s();
}

void recovery_file_c::run()
{
    // Files are written flat into the chosen folder, as the table shows them.
    report_ = session_.restore(rows_, destination_, false);
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
