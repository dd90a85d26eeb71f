#include "recovery_page.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QStyle>
#include <QTableView>
#include <QUrl>

#include "found_views.h"
#include "preview_pane.h"
#include "records/format_size.h"
#include "restore_step.h"
#include "row_filter_bar.h"
#include "scan_file_saver.h"
#include "window/dialogs/warning_box.h"
#include "window/forms/form_parts.h"
#include "window/text/translation.h"

namespace {

const char k_scan_filter[] = "TarnRecovery Scan files (*.sav)";

QString scan_file_filters()
{
    return QString::fromLatin1(k_scan_filter) + QStringLiteral(";;All files (*)");
}

int preview_band(int height)
{
    return static_cast<int>((height - 143) * 0.4);
}

// The filter bar sits between the preview and the table.
constexpr int k_bar_height = 56;

} // namespace

recovery_window_c::recovery_window_c(scan_session_c &session, QWidget *parent) : QWidget(parent), session_(session)
{
    setupUi(this);
    choose_destination = [](QWidget *page) {
        return QFileDialog::getExistingDirectory(page, lookup_text("recovery_select"), QDir::homePath(),
                                                 QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    };
    choose_scan_file = [](QWidget *page) {
        QString selected = QString::fromLatin1(k_scan_filter);
        return QFileDialog::getOpenFileName(page, QStringLiteral("Open"), QDir::currentPath(), scan_file_filters(),
                                            &selected);
    };
    choose_save_file = [](QWidget *page) {
        QString selected = QString::fromLatin1(k_scan_filter);
        return QFileDialog::getSaveFileName(page, QStringLiteral("Save"), QDir::currentPath(), scan_file_filters(),
                                            &selected);
    };
    open_folder = [](const QString &folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };

    views_ = new found_views_c(session_, tv_dirtree, this);
    preview_ = new preview_pane_c(session_, this);
    restore_ = new restore_step_c(session_, this, choose_destination, open_folder);
    saver_ = new scan_file_saver_c(session_, this);
    chosen_label_ = new QLabel(this);
    chosen_label_->setObjectName(QStringLiteral("chosen_label"));
    chosen_label_->setAlignment(Qt::AlignCenter);

    progress_bar.setup(QStringLiteral(":/images/partition_search/loding_on.png"), QColor(226, 240, 253));
    movie = new QMovie(QStringLiteral(":/images/recovery/ani.gif"), QByteArray(), this);
    lbl_anime->setMovie(movie);
    lbl_anime->setScaledContents(true);
    movie->jumpToFrame(0);

    for (QPushButton *button : {btn_back, btn_recovery, btn_stop, btn_pause, btn_filter})
        style_page_button(button);
    btn_back->resize(100, 30);
    btn_recovery->resize(100, 30);
    for (QPushButton *button : {btn_stop, btn_pause, btn_filter})
        button->resize(80, 30);
    btn_back->setText(lookup_text("btn_back"));
    btn_stop->setText(lookup_text("btn_stop"));
    btn_pause->setText(lookup_text("btn_pause"));
    btn_filter->setText(lookup_text("btn_save_result"));
    btn_recovery->setText(lookup_text("btn_recovery"));
    btn_filter->hide();
    show_chosen_count();

    connect(&session_, &scan_session_c::scan_finished, this, &recovery_window_c::on_scan_finished);
    connect(&session_, &scan_session_c::tree_replaced, this, &recovery_window_c::show_chosen_count);
    connect(views_, &found_views_c::chosen_changed, this, &recovery_window_c::show_chosen_count);
    connect(views_, &found_views_c::rows_replaced, preview_, &preview_pane_c::clear);
    connect(views_, &found_views_c::current_row_changed, this, &recovery_window_c::on_current_row);
    connect(btn_recovery, &QPushButton::clicked, this, &recovery_window_c::on_recovery_clicked);
    connect(btn_pause, &QPushButton::clicked, this, &recovery_window_c::on_pause_clicked);
    connect(btn_stop, &QPushButton::clicked, this, &recovery_window_c::on_stop_clicked);
    connect(btn_filter, &QPushButton::clicked, this, &recovery_window_c::on_save_result_clicked);
    connect(saver_, &QThread::finished, this, &recovery_window_c::on_saved);
    connect(restore_, &restore_step_c::finished, this, qOverload<>(&QWidget::update));
    connect(&timer, &QTimer::timeout, this, &recovery_window_c::on_timer);
    timer.start(200);
}

recovery_window_c::~recovery_window_c()
{
    // The form's tree view goes before children made later: the views
    // let go of it first.
    delete views_;
}

QTableView *recovery_window_c::table() const
{
    return views_->table();
}
MyHeaderView *recovery_window_c::table_header() const
{
    return views_->header();
}
row_filter_bar_c *recovery_window_c::filter_bar() const
{
    return views_->filter_bar();
}
QTabBar *recovery_window_c::preview_tabs() const
{
    return preview_->tabs();
}
QPlainTextEdit *recovery_window_c::hex_view() const
{
    return preview_->hex_view();
}
const file_preview_s &recovery_window_c::shown_preview() const
{
    return preview_->shown();
}
bool recovery_window_c::preview_loading() const
{
    return preview_->loading();
}
bool recovery_window_c::restore_running() const
{
    return restore_->running();
}
bool recovery_window_c::saving() const
{
    return saver_->isRunning();
}
bool recovery_window_c::is_row_chosen(int row) const
{
    return views_->is_shown_row_chosen(row);
}

QList<recovery_item_s> recovery_window_c::table_rows() const
{
    QList<recovery_item_s> rows;
    for (const found_row_s &found : views_->shown_rows())
        rows.append(found.row);
    return rows;
}

QStringList recovery_window_c::table_row_folders() const
{
    QStringList folders;
    for (const found_row_s &found : views_->shown_rows())
        folders.append(found.folder_path());
    return folders;
}

int recovery_window_c::ask(const char *key, int buttons, const QString &detail)
{
    std::unique_ptr<QMessageBox> box =
        make_warning_box(this, k_title_tarnrecovery, key, static_cast<QMessageBox::StandardButtons>(buttons));
    if (!detail.isNull())
        box->setText(box->text().arg(detail));
    return box->exec();
}

bool recovery_window_c::refuse_while_busy()
{
    if (!restore_running() && !saving())
        return false;
    ask("recovery_writer_busy", QMessageBox::Ok);
    return true;
}

void recovery_window_c::show_chosen_count()
{
    const row_choice_c &choice = session_.choice();
    const char *key = choice.chosen_count() == 1 ? "recovery_chosen_one" : "recovery_chosen";
    chosen_label_->setText(lookup_text(key).arg(choice.chosen_count()).arg(format_size(choice.chosen_bytes())));
}

void recovery_window_c::prepare_buttons()
{
    btn_pause->setText(lookup_text("btn_pause"));
    btn_pause->show();
    btn_stop->show();
}

int recovery_window_c::start_scan(const volume_item_s &volume, bool deep)
{
    // The preview reads the engine the new scan replaces.
    preview_->settle();
    if (!session_.start_scan(volume, deep))
        return -1;
    abandoned = false;
    timer.start(200);
    movie->start();
    return 0;
}

int recovery_window_c::scan_volume(const volume_item_s &row, bool deep)
{
    if (session_.is_scanning() || refuse_while_busy())
        return -1;
    prepare_buttons();
    btn_filter->hide();
    progress_bar.set_value(0.0);
    return start_scan(row, deep);
}

void recovery_window_c::on_timer()
{
    progress_bar.set_value(session_.progress());
    if (session_.is_scanning() || restore_running())
        update();
}

void recovery_window_c::on_scan_finished()
{
    btn_pause->setText(lookup_text("btn_start"));
    btn_stop->hide();
    movie->stop();
    if (abandoned) {
        // The page was left: nothing is shown and nothing is asked.
        abandoned = false;
        return;
    }
    progress_bar.set_value(session_.progress());
    views_->show_tree();
    if (session_.deep())
        btn_filter->show();
    update();
    if (!session_.error().isEmpty() && isVisible())
        ask("recovery_scan_error", QMessageBox::Ok, session_.error());
    else if (!session_.note().isEmpty() && isVisible())
        ask("recovery_scan_note", QMessageBox::Ok, session_.note());
    if (session_.offers_deep_scan() && isVisible() &&
        ask("deep_scan_query", QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
        start_scan(session_.volume(), true) == 0)
        prepare_buttons();
}

void recovery_window_c::on_current_row(const found_row_s &row)
{
    // The writer and the preview would read the same engine at once.
    if (restore_running() || saving() || session_.is_scanning())
        return;
    preview_->show_row(row.row);
}

void recovery_window_c::on_stop_clicked()
{
    session_.stop();
    btn_stop->hide();
}

void recovery_window_c::on_pause_clicked()
{
    if (session_.is_scanning()) {
        if (session_.is_paused()) {
            session_.resume();
            btn_pause->setText(lookup_text("btn_pause"));
        } else {
            session_.pause();
            btn_pause->setText(lookup_text("btn_resume"));
        }
        return;
    }
    // After a scan the button reads Start: the same scan from the beginning.
    if (refuse_while_busy())
        return;
    if (start_scan(session_.volume(), session_.deep()) == 0)
        prepare_buttons();
}

void recovery_window_c::leave_page()
{
    preview_->settle();
    // A scan file being written reads the result to its end.
    saver_->wait();
    if (session_.is_scanning()) {
        abandoned = true;
        session_.abandon();
    }
    // A finished result is dropped, unless the writer still reads it.
    if (!session_.is_scanning() && !restore_running())
        session_.abandon();
    views_->clear();
    progress_bar.set_value(0.0);
    timer.stop();
}

void recovery_window_c::on_recovery_clicked()
{
    if (saving()) {
        ask("recovery_writer_busy", QMessageBox::Ok);
        return;
    }
    // The writer reads the engine the preview reads.
    preview_->settle();
    if (restore_->start()) {
        timer.start(200);
        update();
    }
}

void recovery_window_c::on_save_result_clicked()
{
    if (refuse_while_busy())
        return;
    const QString path = choose_save_file(this);
    if (path.isEmpty())
        return;
    preview_->settle();
    btn_filter->setEnabled(false);
    saver_->save(path);
}

void recovery_window_c::on_saved()
{
    btn_filter->setEnabled(true);
    if (!saver_->saved())
        ask("recovery_save_failed", QMessageBox::Ok, session_.error());
}

int recovery_window_c::resume_from_file()
{
    if (refuse_while_busy())
        return -1;
    // A scan abandoned when the page was left may still be ending.
    if (session_.is_scanning() && (!abandoned || !session_.wait_for_finish(10000)))
        return -1;
    const QString path = choose_scan_file(this);
    if (path.isEmpty())
        return -1;
    preview_->settle();
    if (session_.load_result(path) != scan_session_c::loaded) {
        ask("recovery_resume_refused", QMessageBox::Ok, session_.error());
        return -1;
    }
    progress_bar.set_value(0.0);
    timer.stop();
    views_->show_tree();
    btn_pause->hide();
    btn_stop->hide();
    btn_filter->hide();
    update();
    // A file of an older version loads without a checksum to prove it.
    if (!session_.note().isEmpty())
        ask("recovery_resume_note", QMessageBox::Ok, session_.note());
    return 0;
}

QRect recovery_window_c::visual(const QRect &where) const
{
    return QStyle::visualRect(layoutDirection(), rect(), where);
}

void recovery_window_c::draw_line(QPainter &painter, const QRect &where, const QString &text) const
{
    painter.drawText(visual(where), QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter), text);
}

void recovery_window_c::paintEvent(QPaintEvent *)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const int band = preview_band(h);
    const QPixmap top(QStringLiteral(":/images/background/bai.png"));
    painter.fillRect(QRect(0, 0, w, top.height()), QBrush(top));
    painter.setPen(QColor(139, 184, 241));
    painter.drawRect(visual(QRect(10, 13, w - 20, 60)));
    painter.drawRect(visual(QRect(212, 79, w - 222, band)));
    progress_bar.paint(painter, visual(QRect(90, 38, 250, 12)));

    // Text lines sit on the baselines 30 and 65 of the status box.
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Verdana"), 10));
    if (session_.deep()) {
        const auto scanned =
            static_cast<quint64>(progress_bar.value() * static_cast<double>(session_.volume().total_bytes));
        draw_line(painter, QRect(90, 16, 260, 18),
                  lookup_text("raw_progress") + QLatin1Char(' ') + format_size(scanned));
    } else {
        draw_line(painter, QRect(90, 16, 260, 18),
                  lookup_text("recovery_reading") + QString::number(session_.read_count()));
    }
    if (restore_running())
        draw_line(painter, QRect(360, 59, w - 380, 14),
                  lookup_text("recovery_writing").arg(restore_->done()).arg(restore_->total()));

    const quint64 found = session_.found_count();
    if (found > 0) {
        painter.setPen(Qt::red);
        draw_line(painter, QRect(90, 51, 260, 18),
                  lookup_text("recovery_total_files") + QLatin1Char(' ') + QString::number(found));
    }
}

void recovery_window_c::resizeEvent(QResizeEvent *)
{
    const int w = width();
    const int h = height();
    const int band = preview_band(h);
    // Scaled into the status box left of the status lines: at its full
    // size the animation would cover their beginning.
    lbl_anime->setGeometry(visual(QRect(10, 18, 76, 50)));
    btn_back->setGeometry(visual(QRect(QPoint(110, h - 49), fitted_size(btn_back, 100))));
    const QSize recover = fitted_size(btn_recovery, 100);
    btn_recovery->setGeometry(visual(QRect(QPoint(w - 110 - recover.width(), h - 49), recover)));
    // Between Back and Recover, which restores what it counts.
    const int count_left = 110 + btn_back->width() + 10;
    chosen_label_->setGeometry(visual(QRect(count_left, h - 49, w - 120 - recover.width() - count_left, 30)));
    btn_pause->setGeometry(visual(QRect(QPoint(360, 29), btn_pause->size())));
    btn_stop->setGeometry(visual(QRect(QPoint(470, 29), btn_stop->size())));
    btn_filter->setGeometry(visual(QRect(QPoint(w - 130, 29), btn_filter->size())));
    preview_->setGeometry(visual(QRect(213, 80, w - 223, band - 1)));
    const int below = band + 79 + 7;
    views_->filter_bar()->setGeometry(visual(QRect(212, below, w - 222, k_bar_height)));
    views_->table()->setGeometry(
        visual(QRect(212, below + k_bar_height + 4, w - 222, static_cast<int>((h - 143) * 0.6) - k_bar_height - 4)));
    tv_dirtree->setGeometry(visual(QRect(10, 79, 193, h - 137)));
}
