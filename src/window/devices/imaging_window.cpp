#include "window/devices/imaging_window.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "records/format_size.h"
#include "window/devices/block_map_view.h"
#include "window/dialogs/warning_box.h"
#include "window/text/translation.h"

namespace {

QString seconds_text(double s)
{
    const qint64 whole = static_cast<qint64>(s);
    return whole >= 60 ? QStringLiteral("%1:%2 min").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'))
                       : QStringLiteral("%1 s").arg(whole);
}

QString legend_text()
{
    const QStringList names = lookup_text("imaging_legend").split(QLatin1Char('|'));
    const block_map_view_c::cell_e order[] = {block_map_view_c::cell_rescued, block_map_view_c::cell_bad,
                                              block_map_view_c::cell_failed, block_map_view_c::cell_untried,
                                              block_map_view_c::cell_reading};
    QStringList parts;
    for (int i = 0; i < names.size() && i < 5; ++i)
        parts << QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2")
                     .arg(block_map_view_c::colour_of(order[i]).name(), names[i].toHtmlEscaped());
    return parts.join(QStringLiteral("&nbsp;&nbsp; "));
}

} // namespace

imaging_window_c::imaging_window_c(QWidget *parent, const QString &source, quint64 source_bytes)
    : QDialog(parent), source_(source), source_bytes_(source_bytes), poll_(new QTimer(this))
{
    setObjectName(QStringLiteral("imaging_window"));
    setWindowTitle(lookup_text("imaging_title"));
    resize(640, 480);
    auto *grid = new QGridLayout(this);
    auto *intro = new QLabel(lookup_text("imaging_intro").arg(source + QStringLiteral(" (") +
                                                              format_size(source_bytes) + QLatin1Char(')')),
                             this);
    intro->setWordWrap(true);
    grid->addWidget(intro, 0, 0, 1, 3);
    grid->addWidget(new QLabel(lookup_text("imaging_destination"), this), 1, 0);
    le_destination = new QLineEdit(this);
    le_destination->setObjectName(QStringLiteral("le_destination"));
    grid->addWidget(le_destination, 1, 1);
    btn_choose = new QPushButton(lookup_text("imaging_choose"), this);
    grid->addWidget(btn_choose, 1, 2);
    block_map = new block_map_view_c(this);
    block_map->setMinimumSize(600, 240);
    grid->addWidget(block_map, 2, 0, 1, 3);
    auto *legend = new QLabel(legend_text(), this);
    grid->addWidget(legend, 3, 0, 1, 3);
    lbl_numbers = new QLabel(this);
    lbl_numbers->setObjectName(QStringLiteral("lbl_numbers"));
    lbl_numbers->setWordWrap(true);
    lbl_numbers->setMinimumHeight(48);
    grid->addWidget(lbl_numbers, 4, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    btn_start = new QPushButton(lookup_text("btn_start"), this);
    btn_stop = new QPushButton(lookup_text("btn_stop"), this);
    btn_close = new QPushButton(lookup_text("btn_back"), this);
    btn_stop->setEnabled(false);
    buttons->addStretch();
    buttons->addWidget(btn_start);
    buttons->addWidget(btn_stop);
    buttons->addWidget(btn_close);
    grid->addLayout(buttons, 5, 0, 1, 3);
    block_map->set_map(rescue_map_c(source_bytes), false);

    choose_destination = [](QWidget *parent) {
        return QFileDialog::getSaveFileName(parent, lookup_text("imaging_destination"), QString(),
                                            QString(), nullptr, QFileDialog::DontConfirmOverwrite);
    };
    connect(btn_choose, &QPushButton::clicked, this, [this] {
        const QString chosen = choose_destination(this);
        if (!chosen.isEmpty())
            le_destination->setText(chosen);
    });
    connect(btn_start, &QPushButton::clicked, this, &imaging_window_c::on_start);
    connect(btn_stop, &QPushButton::clicked, this, [this] {
        if (job_)
            job_->stop();
    });
    connect(btn_close, &QPushButton::clicked, this, &imaging_window_c::reject);
    connect(poll_, &QTimer::timeout, this, &imaging_window_c::on_poll);
}

imaging_window_c::~imaging_window_c() = default;

void imaging_window_c::reject()
{
    // Leaving stops the run; its map keeps what was done for a later one.
    if (job_)
        job_->stop();
    if (!job_ || job_->wait(0) || job_->wait(2000))
        QDialog::reject();
}

void imaging_window_c::on_start()
{
    const QString destination = le_destination->text().trimmed();
    if (destination.isEmpty()) {
        btn_choose->click();
        if (le_destination->text().trimmed().isEmpty())
            return;
        return on_start();
    }
    imaging_request_s request;
    request.source = QFile::encodeName(source_).toStdString();
    request.destination = QFile::encodeName(destination).toStdString();
    request.map_path = request.destination + ".map";
    std::string error;
    job_ = imaging_job_c::open(request, &error);
    if (!job_) {
        warning_box_text(this, k_title_tarnrecovery,
                         lookup_text("imaging_failed") + QLatin1Char('\n') + QString::fromStdString(error));
        return;
    }
    job_->start();
    btn_start->setEnabled(false);
    btn_choose->setEnabled(false);
    le_destination->setEnabled(false);
    btn_stop->setEnabled(true);
    poll_->start(200);
}

void imaging_window_c::on_poll()
{
    const bool ended = job_->wait(0);
    show_state(job_->map(), job_->progress(), !ended);
    if (!ended)
        return;
    poll_->stop();
    btn_stop->setEnabled(false);
    const disk_imager_c::result_e result = job_->result();
    if (result == disk_imager_c::result_e::finished) {
        emit image_ready(le_destination->text().trimmed());
    } else if (result == disk_imager_c::result_e::failed) {
        warning_box_text(this, k_title_tarnrecovery,
                         lookup_text("imaging_failed") + QLatin1Char('\n') + QString::fromStdString(job_->error()));
    } else {
        // Stopped: Start goes on from the map.
        btn_start->setEnabled(true);
    }
}

void imaging_window_c::show_state(const rescue_map_c &map, const imaging_progress_s &p, bool running)
{
    block_map->set_map(map, running);
    QString text = lookup_text("imaging_numbers")
                       .arg(format_size(p.rescued), format_size(p.size), format_size(p.bad_bytes))
                       .arg(p.bad_areas)
                       .arg(format_size(static_cast<quint64>(p.current_rate)),
                            format_size(static_cast<quint64>(p.average_rate)), seconds_text(p.since_good_read));
    if (p.seconds_left >= 0)
        text += QStringLiteral(" · ") + lookup_text("imaging_left").arg(seconds_text(p.seconds_left));
    if (!running && p.phase == imaging_phase_e::finished)
        text += QLatin1Char('\n') + lookup_text("imaging_finished");
    lbl_numbers->setText(text);
}
