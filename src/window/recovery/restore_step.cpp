#include "restore_step.h"

#include <QMessageBox>

#include "core/session/scan_session.h"
#include "records/format_size.h"
#include "recovery_file.h"
#include "window/dialogs/warning_box.h"
#include "window/text/translation.h"

restore_step_c::restore_step_c(scan_session_c &session, QWidget *page,
                               const std::function<QString(QWidget *)> &choose_destination,
                               const std::function<void(const QString &)> &open_folder)
    : QObject(page), session_(session), page_(page), choose_destination_(choose_destination),
      open_folder_(open_folder)
{
    connect(&session_, &scan_session_c::restore_progressed, this, &restore_step_c::on_progressed);
}

restore_step_c::~restore_step_c()
{
    // The writer reads the session's engine: it ends first.
    if (writer_)
        writer_->wait();
}

bool restore_step_c::running() const
{
    return writer_ && writer_->isRunning();
}

void restore_step_c::on_progressed(int done, int total)
{
    done_ = done;
    total_ = total;
}

bool restore_step_c::start()
{
    QList<found_row_s> chosen = session_.chosen_rows();
    if (chosen.isEmpty()) {
        warning_box(page_, k_title_tarnrecovery, "recovery_check_warning", QMessageBox::Ok);
        return false;
    }
    if (running()) {
        warning_box(page_, k_title_tarnrecovery, "recovery_writer_busy", QMessageBox::Ok);
        return false;
    }
    const QString folder = choose_destination_(page_);
    if (folder.isEmpty())
        return false;
    if (session_.on_scanned_volume(folder) &&
        warning_box(page_, k_title_tarnrecovery, "recovery_same_volume_warning", QMessageBox::Yes | QMessageBox::No) ==
            QMessageBox::No)
        return false;
    // Told before anything is written: the files that fit, in the order
    // of the folders, or none.
    const quint64 needed = restore_bytes(chosen), room = folder_free_bytes(folder);
    if (needed > room) {
        const qsizetype fit = rows_that_fit(chosen, room);
        std::unique_ptr<QMessageBox> box = make_warning_box(page_, k_title_tarnrecovery, "recovery_no_room",
                                                            fit > 0 ? QMessageBox::Yes | QMessageBox::No
                                                                    : QMessageBox::Ok);
        box->setText(box->text().arg(format_size(needed), folder, format_size(room)).arg(fit));
        if (box->exec() != QMessageBox::Yes)
            return false;
        chosen = chosen.mid(0, fit);
    }
    if (!writer_) {
        writer_ = new recovery_file_c(session_, this);
        connect(writer_, &QThread::finished, this, &restore_step_c::on_writer_finished);
    }
    writer_->setup(folder, chosen);
    done_ = 0;
    total_ = static_cast<int>(chosen.size());
    writer_->start();
    return true;
}

void restore_step_c::on_writer_finished()
{
    emit finished();
    const recovery_report_s &report = writer_->report();
    // A folder that could not be written to shows nothing worth opening.
    if (!report.refused.isEmpty()) {
        std::unique_ptr<QMessageBox> box =
            make_warning_box(page_, k_title_tarnrecovery, "recovery_refused", QMessageBox::Ok);
        box->setText(box->text().arg(report.refused));
        box->exec();
        return;
    }
    open_folder_(writer_->destination());
    const recovery_counts_s counts = count_results(report);
    std::unique_ptr<QMessageBox> box =
        make_warning_box(page_, k_title_tarnrecovery, "recovery_summary", QMessageBox::Ok);
    QString text = box->text().arg(counts.restored).arg(counts.incomplete).arg(counts.failed).arg(counts.no_data);
    if (!report.stopped.isEmpty())
        text += QStringLiteral("\n\n") + lookup_text("recovery_stopped").arg(report.stopped);
    box->setText(text);
    box->exec();
}
