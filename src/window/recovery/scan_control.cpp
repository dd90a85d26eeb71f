#include "scan_control.h"

#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include "core/session/scan_session.h"
#include "records/format_size.h"
#include "window/dialogs/warning_box.h"
#include "window/text/translation.h"

QString progress_line(const progress_estimate_c &estimate)
{
    const QString elapsed = format_duration(estimate.elapsed_ms() / 1000);
    const QString rate = format_size(static_cast<quint64>(estimate.rate()));
    if (!estimate.stable())
        return lookup_text("progress_estimating").arg(elapsed, rate);
    return lookup_text("progress_left").arg(elapsed, rate, format_duration(estimate.seconds_left()));
}

scan_control_c::scan_control_c(scan_session_c &session, QWidget *page, const controls_s &controls,
                               std::function<bool()> refuse_while_busy)
    : QObject(page), session_(session), page_(page), controls_(controls),
      refuse_while_busy_(std::move(refuse_while_busy)), progress_bar_(this)
{
    progress_bar_.setup(QStringLiteral(":/images/partition_search/loding_on.png"), QColor(226, 240, 253));
    movie_ = new QMovie(QStringLiteral(":/images/recovery/ani.gif"), QByteArray(), this);
    controls_.animation->setMovie(movie_);
    controls_.animation->setScaledContents(true);
    movie_->jumpToFrame(0);
    connect(&session_, &scan_session_c::scan_finished, this, &scan_control_c::on_finished);
    connect(controls_.pause, &QPushButton::clicked, this, &scan_control_c::on_pause_clicked);
    connect(controls_.stop, &QPushButton::clicked, this, &scan_control_c::on_stop_clicked);
    connect(&timer_, &QTimer::timeout, this, &scan_control_c::on_timer);
}

int scan_control_c::ask(const char *key, int buttons, const QString &detail)
{
    const auto shown = static_cast<QMessageBox::StandardButtons>(buttons);
    return detail.isNull() ? warning_box(page_, k_title_tarnrecovery, key, shown)
                           : warning_box_detail(page_, key, shown, detail);
}

void scan_control_c::prepare_buttons()
{
    controls_.pause->setText(lookup_text("btn_pause"));
    controls_.pause->show();
    controls_.stop->show();
}

int scan_control_c::start(const volume_item_s &volume, bool deep)
{
    emit about_to_start();
    if (!session_.start_scan(volume, deep))
        return -1;
    abandoned_ = false;
    loaded_ = false;
    prepare_buttons();
    progress_bar_.set_value(0.0);
    estimate_.restart();
    clock_.start();
    timer_.start(200);
    movie_->start();
    return 0;
}

int scan_control_c::scan(const volume_item_s &volume, bool deep)
{
    if (session_.is_scanning() || refuse_while_busy_())
        return -1;
    controls_.save->hide();
    return start(volume, deep);
}

void scan_control_c::on_timer()
{
    if (!session_.is_scanning()) {
        timer_.stop();
        return;
    }
    progress_bar_.set_value(session_.progress());
    const quint64 total = session_.volume().total_bytes;
    estimate_.sample(static_cast<quint64>(progress_bar_.value() * static_cast<double>(total)), total,
                     clock_.elapsed());
    page_->update();
}

void scan_control_c::on_finished()
{
    timer_.stop();
    controls_.pause->setText(lookup_text("btn_start"));
    controls_.stop->hide();
    movie_->stop();
    if (abandoned_) {
        // The page was left: nothing is shown and nothing is asked.
        abandoned_ = false;
        return;
    }
    progress_bar_.set_value(session_.progress());
    emit results_ready();
    if (session_.deep())
        controls_.save->show();
    page_->update();
    if (!page_->isVisible())
        return;
    if (!session_.error().isEmpty())
        ask("recovery_scan_error", QMessageBox::Ok, session_.error());
    else if (!session_.note().isEmpty())
        ask("recovery_scan_note", QMessageBox::Ok, session_.note());
    if (session_.offers_deep_scan() && ask("deep_scan_query", QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        start(session_.volume(), true);
}

void scan_control_c::set_texts()
{
    const char *key = !session_.is_scanning() ? "btn_start" : session_.is_paused() ? "btn_resume" : "btn_pause";
    controls_.pause->setText(lookup_text(key));
}

void scan_control_c::on_stop_clicked()
{
    session_.stop();
    controls_.stop->hide();
}

void scan_control_c::on_pause_clicked()
{
    if (session_.is_scanning()) {
        if (session_.is_paused()) {
            session_.resume();
            controls_.pause->setText(lookup_text("btn_pause"));
        } else {
            session_.pause();
            controls_.pause->setText(lookup_text("btn_resume"));
        }
        return;
    }
    // After a scan the button reads Start: the same scan from the beginning.
    if (!refuse_while_busy_())
        start(session_.volume(), session_.deep());
}

void scan_control_c::abandon()
{
    if (session_.is_scanning()) {
        abandoned_ = true;
        session_.abandon();
    }
    progress_bar_.set_value(0.0);
    timer_.stop();
}

void scan_control_c::show_loaded()
{
    loaded_ = true;
    progress_bar_.set_value(0.0);
    timer_.stop();
    controls_.pause->hide();
    controls_.stop->hide();
    controls_.save->hide();
}

void scan_control_c::paint(QPainter &painter, const std::function<QRect(const QRect &)> &visual, int width) const
{
    const Qt::Alignment align = QStyle::visualAlignment(page_->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter);
    const auto line = [&](const QRect &where, const QString &text) { painter.drawText(visual(where), align, text); };
    if (!loaded_)
        progress_bar_.paint(painter, visual(QRect(90, 38, 250, 12)));
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Verdana"), 10));
    if (loaded_) {
        // Read from a file: nothing was scanned in this run.
    } else if (session_.deep()) {
        const auto scanned =
            static_cast<quint64>(progress_bar_.value() * static_cast<double>(session_.volume().total_bytes));
        line(QRect(90, 16, 260, 18), lookup_text("raw_progress") + QLatin1Char(' ') + format_size(scanned));
    } else {
        line(QRect(90, 16, 260, 18), lookup_text("recovery_reading") + QString::number(session_.read_count()));
    }
    if (session_.is_scanning())
        line(QRect(360, 59, width - 380, 14), progress_line(estimate_));
    const quint64 found = session_.found_count();
    if (found > 0) {
        painter.setPen(Qt::red);
        line(QRect(90, 51, 260, 18), lookup_text("recovery_total_files") + QLatin1Char(' ') + QString::number(found));
        painter.setPen(Qt::black);
    }
}
