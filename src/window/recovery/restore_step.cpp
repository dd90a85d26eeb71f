#include "restore_step.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLocale>
#include <QMessageBox>

#include "core/session/scan_session.h"
#include "records/format_size.h"
#include "recovery_file.h"
#include "scan_control.h"
#include "window/dialogs/warning_box.h"
#include "window/text/settings_store.h"
#include "window/text/translation.h"

restore_destination_s ask_restore_destination(QWidget *page)
{
    QFileDialog dialog(page, lookup_text("recovery_select"),
                       recovery_folder.isEmpty() ? QDir::homePath() : recovery_folder);
    dialog.setFileMode(QFileDialog::Directory);
    // The dialog of our own: it can make a folder and takes the check box.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks |
                      QFileDialog::DontUseNativeDialog);
    auto *flat = new QCheckBox(lookup_text("recovery_flat"), &dialog);
    flat->setObjectName(QStringLiteral("flat_box"));
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(flat, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    recovery_folder = dialog.selectedFiles().constFirst();
    save_settings();
    return {recovery_folder, flat->isChecked()};
}

restore_step_c::restore_step_c(scan_session_c &session, QWidget *page,
                               const std::function<restore_destination_s(QWidget *)> &choose_destination,
                               const std::function<void(const QString &)> &open_folder)
    : QObject(page), session_(session), page_(page), choose_destination_(choose_destination),
      open_folder_(open_folder)
{
    connect(&session_, &scan_session_c::restore_progressed, this, &restore_step_c::on_progressed);
    connect(&timer_, &QTimer::timeout, this, &restore_step_c::progressed);
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
    if (total == rows_.size() && done >= 0 && done <= total)
        estimate_.sample(bytes_before_.at(done), bytes_before_.constLast(), clock_.elapsed());
    emit progressed();
}

QString restore_step_c::status_line() const
{
    const QLocale locale;
    QString line = lookup_text("recovery_writing").arg(locale.toString(qMin(done_ + 1, int(rows_.size()))),
                                                       locale.toString(rows_.size()));
    if (done_ < rows_.size())
        line += QStringLiteral(" \u2014 ") + rows_.at(done_).row.name;
    return line;
}

QString restore_step_c::estimate_line() const
{
    return progress_line(estimate_);
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
    const restore_destination_s destination = choose_destination_(page_);
    const QString &folder = destination.folder;
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
    rows_ = chosen;
    bytes_before_ = {0};
    for (const found_row_s &row : rows_)
        bytes_before_.append(bytes_before_.constLast() + restore_bytes({row}));
    writer_->setup(folder, chosen, !destination.flat);
    done_ = 0;
    estimate_.restart();
    clock_.start();
    timer_.start(500);
    writer_->start();
    return true;
}

void restore_step_c::on_writer_finished()
{
    timer_.stop();
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
    // Each file not restored, and why, in a text that can be copied.
    const QString not_restored = not_restored_list(report, lookup_text("recovery_reason_no_data"));
    if (!not_restored.isEmpty())
        box->setDetailedText(not_restored);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->exec();
}
