#include "partition_page.h"

#include <QLabel>
#include <QListView>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include "window/forms/form_parts.h"
#include "core/partitions/mbr_backup.h"
#include "window/partitions/partition_delegate.h"
#include "window/partitions/partition_model.h"
#include "window/partitions/partition_tables.h"
#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

namespace {

constexpr int k_refresh_ms = 400;
constexpr int tables_height = 120;

} // namespace

partition_window_c::partition_window_c(QWidget *parent) : QWidget(parent), delegate(new partition_delegate_c(this))
{
    setupUi(this);
    lv_volumes->setItemDelegate(delegate);
    show_found_rows();
    retranslate();
    connect(&search_thread, &partition_repair_c::partition_found, this, &partition_window_c::on_partition_found);
    connect(&search_thread, &QThread::finished, this, &partition_window_c::on_thread_finished);
    connect(btn_stop, &QPushButton::clicked, this, &partition_window_c::on_stop_clicked);
    connect(&timer, &QTimer::timeout, this, &partition_window_c::on_timer);
    connect(btn_repair, &QPushButton::clicked, this, &partition_window_c::on_repair_clicked);
    connect(&repair_job, &table_repair_job_c::planned, this, &partition_window_c::on_repair_planned);
    connect(&repair_job, &table_repair_job_c::applied, this, &partition_window_c::on_repair_applied);
    timer.start(k_refresh_ms);
    progress.setup(QStringLiteral(":/images/partition_search/loding_on.png"), QColor(226, 240, 253, 255));
}

partition_window_c::~partition_window_c()
{
    search_thread.request_stop();
    search_thread.wait();
}

void partition_window_c::start_search(const drive_item_s &drive)
{
    // A search left running on another drive (its page was left) ends
    // before its next read; wait for it rather than ignore the new drive.
    search_thread.request_stop();
    search_thread.wait();
    lbl_outcome->clear();
    lbl_table_now->clear();
    lbl_table_new->clear();
    delegate->set_kinds({});
    search_thread.start_with_drive(drive);
    btn_stop->setText(lookup_text("btn_stop"));
    show_found_rows();
}

void partition_window_c::retranslate()
{
    btn_back->setText(lookup_text("btn_back"));
    btn_stop->setText(lookup_text(search_thread.isRunning() ? "btn_stop" : "btn_start"));
    btn_repair->setText(lookup_text("btn_repair"));
}

void partition_window_c::stop_on_leave()
{
    if (!search_thread.isRunning())
        return;
    search_thread.request_stop();
    btn_stop->setText(lookup_text("btn_start"));
}

void partition_window_c::show_found_rows()
{
    QAbstractItemModel *previous = model;
    model = make_partition_model(search_thread.rows(), this);
    lv_volumes->setModel(model);
    delete previous;
}

void partition_window_c::on_partition_found()
{
    show_found_rows();
}

void partition_window_c::on_thread_finished()
{
    btn_stop->setText(lookup_text("btn_start"));
    show_found_rows();
    on_timer();
    lbl_outcome->setText(search_thread.open_error());
    // The table a repair would write, shown before anyone asks for it.
    if (!search_thread.rows().isEmpty() && repair_job.plan(search_thread.drive(), search_thread.rows())) {
        confirm_next_plan = false;
        enable_buttons(false);
    }
}

void partition_window_c::on_timer()
{
    progress.set_value(search_thread.progress());
    update();
}

void partition_window_c::on_stop_clicked()
{
    if (search_thread.isRunning()) {
        search_thread.request_stop();
        btn_stop->setText(lookup_text("btn_start"));
    } else if (!search_thread.drive().is_header()) {
        start_search(search_thread.drive());
    }
}

void partition_window_c::on_repair_clicked()
{
    if (search_thread.isRunning())
        return;
    // The same plan-then-write path as the command line's repair: a table
    // that would damage the disk is refused before the user is asked, and
    // the old sector 0 is saved before the new one is written.
    if (repair_job.plan(search_thread.drive(), search_thread.rows())) {
        confirm_next_plan = true;
        enable_buttons(false);
    }
}

void partition_window_c::on_repair_planned(bool ready, const QString &error)
{
    show_plan();
    const bool confirm = confirm_next_plan;
    confirm_next_plan = false;
    enable_buttons(true);
    if (!confirm)
        return;
    if (!ready)
        return refuse_repair(error);
    confirm_repair();
}

void partition_window_c::show_plan()
{
    const table_repair_plan_s &plan = repair_job.last_plan();
    QHash<quint64, QString> kinds;
    for (const partition_item_s &row : plan.rows)
        kinds.insert(row.start_sector, row_kind(plan, row));
    delegate->set_kinds(kinds);
    lv_volumes->viewport()->update();
    lbl_table_now->setText(
        table_text(lookup_text("partition_table_now"),
                   QList<partition_entry_s>(plan.current.partitions.begin(), plan.current.partitions.end())));
    lbl_table_new->setText(plan.ready ? table_text(lookup_text("partition_table_new"), plan.new_table) : QString());
}

void partition_window_c::confirm_repair()
{
    // The disk named and both tables shown; No unless the user moves to Yes.
    auto box = make_warning_box_text(this, k_title_tarnrecovery, confirm_text(repair_job.last_plan()),
                                     QMessageBox::Yes | QMessageBox::No);
    box->setTextFormat(Qt::RichText);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    if (box->exec() != QMessageBox::Yes || !repair_job.apply(mbr_backup_folder()))
        return;
    enable_buttons(false);
    lbl_outcome->setText(lookup_text("partition_writing"));
}

void partition_window_c::on_repair_applied(bool written, const QString &backup_path, const QString &error)
{
    enable_buttons(true);
    if (!written)
        return refuse_repair(error);
    // What the disk holds now.
    if (repair_job.plan(search_thread.drive(), search_thread.rows()))
        enable_buttons(false);
    const QString saved = lookup_text("partition_backup") + QLatin1Char('\n') + backup_path;
    lbl_outcome->setText(saved);
    // An image file is read again when it is next opened; only a real disk
    // may need the system restarted to see its new table.
    const bool image = QFileInfo(search_thread.drive().name).isFile();
    warning_box_text(this, k_title_tarnrecovery,
                     lookup_text(image ? "partition_finished_image" : "partition_finished") +
                         QStringLiteral("\n\n") + saved,
                     QMessageBox::Ok);
}

void partition_window_c::refuse_repair(const QString &error)
{
    const QString text = lookup_text("partition_failed") + QLatin1Char('\n') + error;
    lbl_outcome->setText(text);
    warning_box_text(this, k_title_tarnrecovery, text, QMessageBox::Ok);
}

void partition_window_c::enable_buttons(bool enabled)
{
    for (QPushButton *button : {btn_back, btn_stop, btn_repair})
        button->setEnabled(enabled);
}

void partition_window_c::paintEvent(QPaintEvent *)
{
    // The places mirror with the buttons when the page reads right to left.
    const auto mirrored = [this](const QRect &place) { return QStyle::visualRect(layoutDirection(), rect(), place); };
    QPainter painter(this);
    const QPixmap icon(QStringLiteral(":/images/partition_search/icon_found1.png"));
    painter.drawPixmap(mirrored(QRect(QPoint(45, 30), icon.size())), icon);
    painter.setPen(QColor(139, 184, 241));
    painter.drawRect(25, 12, width() - 50, 92);
    progress.paint(painter, mirrored(QRect(120, 50, 450, 12)));
    if (search_thread.isRunning()) {
        painter.setFont(QFont(QStringLiteral("Verdana"), 10));
        painter.setPen(Qt::black);
        painter.drawText(mirrored(QRect(120, 22, 450, 24)), Qt::AlignLeft | Qt::AlignBottom,
                         lookup_text("partition_text1"));
    }
}

bool partition_window_c::event(QEvent *event)
{
    // Start and Stop take turns on one button: the longer may need more room.
    if (event->type() == QEvent::LayoutRequest)
        place_widgets();
    return QWidget::event(event);
}

void partition_window_c::resizeEvent(QResizeEvent *)
{
    place_widgets();
}

void partition_window_c::place_widgets()
{
    const int middle = height() - 54 + btn_back->height() / 2;
    place_centred(btn_back, QPoint(237, middle), k_page_button_width);
    place_centred(btn_repair, QPoint(width() - 263, middle), k_page_button_width);
    // Its trailing end stays where it was, clear of the progress bar.
    const QSize stop = fitted_size(btn_stop, k_page_button_width);
    place_widget(btn_stop, QRect(QPoint(width() - 93 - stop.width(), 42), stop));
    // The list above, the table on the disk and the one to write side by side below it.
    const int tables_top = height() - 96 - tables_height;
    place_widget(lv_volumes, QRect(25, 120, width() - 50, tables_top - 8 - 120));
    const int half = (width() - 50) / 2;
    place_widget(lbl_table_now, QRect(25, tables_top, half - 5, tables_height));
    place_widget(lbl_table_new, QRect(25 + half + 5, tables_top, half - 5, tables_height));
    place_widget(lbl_outcome, QRect(25, height() - 96, width() - 50, 38));
}
