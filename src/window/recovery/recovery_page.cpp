#include "recovery_page.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <memory>

#include "core/devices/device_worker.h"
#include "found_views.h"
#include "preview_pane.h"
#include "records/format_size.h"
#include "row_filter_bar.h"
#include "scan_control.h"
#include "state_legend.h"
#include "window/dialogs/warning_box.h"
#include "window/forms/form_parts.h"
#include "window/text/translation.h"

namespace {

const char k_scan_filter[] = "TarnRecovery Scan files (*.sav)";

QString scan_file_filters()
{
    return QString::fromLatin1(k_scan_filter) + QStringLiteral(";;All files (*)");
}

// The resume dialog lists *.sav files: a name typed without it gets it.
QString with_scan_suffix(const QString &path)
{
    return path.endsWith(QLatin1String(".sav"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".sav");
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
    choose_destination = ask_restore_destination;
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

    scan_ = new scan_control_c(session_, this, {btn_pause, btn_stop, btn_filter, lbl_anime},
                               [this] { return refuse_while_busy(); });
    views_ = new found_views_c(session_, tv_dirtree, this);
    preview_ = new preview_pane_c(session_, this);
    restore_ = new restore_step_c(session_, this, choose_destination, open_folder);
    saver_ = new device_worker_c(this);
    chosen_label_ = new QLabel(this);
    chosen_label_->setObjectName(QStringLiteral("chosen_label"));
    chosen_label_->setAlignment(Qt::AlignCenter);
    legend_ = new state_legend_c(this);

    for (QPushButton *button : {btn_back, btn_recovery, btn_stop, btn_pause, btn_filter})
        style_page_button(button);
    btn_back->resize(100, 30);
    btn_recovery->resize(100, 30);
    for (QPushButton *button : {btn_stop, btn_pause, btn_filter})
        button->resize(80, 30);
    btn_pause->setText(lookup_text("btn_pause"));
    retranslate();
    btn_filter->hide();

    // The preview reads the engine a new scan replaces.
    connect(scan_, &scan_control_c::about_to_start, preview_, &preview_pane_c::settle);
    connect(scan_, &scan_control_c::results_ready, this, &recovery_window_c::on_results_ready);
    connect(&session_, &scan_session_c::tree_replaced, this, &recovery_window_c::show_chosen_count);
    connect(views_, &found_views_c::chosen_changed, this, &recovery_window_c::show_chosen_count);
    connect(views_, &found_views_c::rows_replaced, preview_, &preview_pane_c::clear);
    connect(views_, &found_views_c::current_row_changed, this, &recovery_window_c::on_current_row);
    connect(btn_recovery, &QPushButton::clicked, this, &recovery_window_c::on_recovery_clicked);
    connect(btn_filter, &QPushButton::clicked, this, &recovery_window_c::on_save_result_clicked);
    connect(restore_, &restore_step_c::progressed, this, qOverload<>(&QWidget::update));
    connect(restore_, &restore_step_c::finished, this, qOverload<>(&QWidget::update));
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
    return saver_->busy();
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
    const auto shown = static_cast<QMessageBox::StandardButtons>(buttons);
    return detail.isNull() ? warning_box(this, k_title_tarnrecovery, key, shown)
                           : warning_box_detail(this, key, shown, detail);
}

bool recovery_window_c::refuse_while_busy()
{
    if (!restore_running() && !saving())
        return false;
    ask("recovery_writer_busy", QMessageBox::Ok);
    return true;
}

void recovery_window_c::retranslate()
{
    btn_back->setText(lookup_text("btn_back"));
    btn_stop->setText(lookup_text("btn_stop"));
    scan_->set_texts();
    btn_filter->setText(lookup_text("btn_save_result"));
    btn_recovery->setText(lookup_text("btn_recovery"));
    preview_->set_texts();
    views_->filter_bar()->set_texts();
    views_->table()->horizontalHeader()->viewport()->update();
    legend_->set_texts();
    show_chosen_count();
    // The legend may take more lines in the new language.
    resizeEvent(nullptr);
    update();
}

void recovery_window_c::show_chosen_count()
{
    const row_choice_c &choice = session_.choice();
    const char *key = choice.chosen_count() == 1 ? "recovery_chosen_one" : "recovery_chosen";
    chosen_label_->setText(lookup_text(key).arg(choice.chosen_count()).arg(format_size(choice.chosen_bytes())));
}

int recovery_window_c::scan_volume(const volume_item_s &row, bool deep)
{
    return scan_->scan(row, deep);
}

void recovery_window_c::on_results_ready()
{
    views_->show_tree();
}

void recovery_window_c::on_current_row(const found_row_s &row)
{
    // The writer and the preview would read the same engine at once.
    if (restore_running() || saving() || session_.is_scanning())
        return;
    preview_->show_row(row.row);
}

void recovery_window_c::leave_page()
{
    preview_->settle();
    // A scan file being written reads the result to its end.
    saver_->wait();
    scan_->abandon();
    // A finished result is dropped, unless the writer still reads it.
    if (!session_.is_scanning() && !restore_running())
        session_.abandon();
    views_->clear();
}

void recovery_window_c::on_recovery_clicked()
{
    if (saving()) {
        ask("recovery_writer_busy", QMessageBox::Ok);
        return;
    }
    // The writer reads the engine the preview reads.
    preview_->settle();
    if (restore_->start())
        update();
}

void recovery_window_c::on_save_result_clicked()
{
    if (refuse_while_busy())
        return;
    const QString typed = choose_save_file(this);
    if (typed.isEmpty())
        return;
    const QString path = with_scan_suffix(typed);
    preview_->settle();
    btn_filter->setEnabled(false);
    auto saved = std::make_shared<bool>(false);
    saver_->run([this, path, saved] { *saved = session_.save_result(path); }, [this, saved] { on_saved(*saved); });
}

void recovery_window_c::on_saved(bool saved)
{
    btn_filter->setEnabled(true);
    if (!saved)
        ask("recovery_save_failed", QMessageBox::Ok, session_.error());
}

int recovery_window_c::resume_from_file()
{
    if (refuse_while_busy())
        return -1;
    // A scan abandoned when the page was left may still be ending.
    if (session_.is_scanning() && (!scan_->abandoned() || !session_.wait_for_finish(10000)))
        return -1;
    const QString path = choose_scan_file(this);
    if (path.isEmpty())
        return -1;
    preview_->settle();
    if (session_.load_result(path) != scan_session_c::loaded) {
        ask("recovery_resume_refused", QMessageBox::Ok, session_.error());
        return -1;
    }
    scan_->show_loaded();
    views_->show_tree();
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
    scan_->paint(painter, [this](const QRect &where) { return visual(where); }, w);
    if (restore_running()) {
        const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter);
        // Above Start and Stop, and below them where a scan's estimate goes.
        painter.drawText(visual(QRect(360, 14, w - 500, 15)), align, restore_->status_line());
        painter.drawText(visual(QRect(360, 59, w - 380, 14)), align, restore_->estimate_line());
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
    // The legend of the state marks below the folder tree.
    const int legend = legend_->heightForWidth(193);
    const int tree = h - 137 - legend - 6;
    tv_dirtree->setGeometry(visual(QRect(10, 79, 193, tree)));
    legend_->setGeometry(visual(QRect(10, 79 + tree + 6, 193, legend)));
}
