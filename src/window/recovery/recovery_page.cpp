#include "recovery_page.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMovie>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabBar>
#include <QUrl>

#include "records/format_size.h"
#include "window/forms/form_parts.h"
#include "found_tree_model.h"
#include "records/hex_dump.h"
#include "recovery_delegate.h"
#include "recovery_file.h"
#include "recovery_header.h"
#include "recovery_model.h"
#include "recovery_table_view.h"
#include "row_filter_bar.h"
#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

bool scan_running = false;

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

// The preview's tabs take the top of its area; the filter bar sits between
// the preview and the table.
constexpr int k_tabs_height = 24;
constexpr int k_bar_height = 56;
constexpr int k_preview_tab = 0;
constexpr int k_hex_tab = 1;

} // namespace

recovery_window_c::recovery_window_c(QWidget *parent) : QWidget(parent)
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

    progress_bar.setup(QStringLiteral(":/images/partition_search/loding_on.png"), QColor(226, 240, 253));
    movie = new QMovie(QStringLiteral(":/images/recovery/ani.gif"), QByteArray(), this);
    lbl_anime->setMovie(movie);
    lbl_anime->setScaledContents(true);
    movie->jumpToFrame(0);

    table_view = new MyQTableView(this);
    table_view->setObjectName(QStringLiteral("table_view"));
    table_view->setStyleSheet(QStringLiteral("QTableView{border-style: none;border: 1px solid #8bb8fe;}"));
    table_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_view->setSelectionMode(QAbstractItemView::SingleSelection);
    table_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_view->verticalHeader()->hide();
    header = new MyHeaderView(table_view);
    table_view->setHorizontalHeader(header);
    header->setStretchLastSection(true);
    table_view->setItemDelegate(new recovery_delegate_c(table_view));
    // Every row is as high as the check mark needs; a fixed height also
    // keeps a 100,000-row table from measuring each row.
    table_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_view->verticalHeader()->setDefaultSectionSize(32);

    filter_bar_ = new row_filter_bar_c(this);
    preview_tabs_ = new QTabBar(this);
    preview_tabs_->setObjectName(QStringLiteral("preview_tabs"));
    preview_tabs_->setDrawBase(false);
    preview_tabs_->addTab(lookup_text("preview_tab"));
    preview_tabs_->addTab(lookup_text("hex_tab"));
    hex_view_ = new QPlainTextEdit(this);
    hex_view_->setObjectName(QStringLiteral("hex_view"));
    hex_view_->setReadOnly(true);
    hex_view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8); // a whole line, text column included, fits the area
    hex_view_->setFont(fixed);
    hex_view_->setPlaceholderText(lookup_text("hex_nothing"));
    // Offsets, bytes and text read left to right in every language.
    hex_view_->setLayoutDirection(Qt::LeftToRight);
    hex_view_->hide();

    tv_dirtree->header()->hide();
    tv_dirtree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tv_dirtree->header()->setStretchLastSection(false);
    clear_tree();
    clear_table();

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

    connect(&session_, &scan_session_c::scan_finished, this, &recovery_window_c::on_thread_finished);
    connect(&session_, &scan_session_c::restore_progressed, this, &recovery_window_c::on_restore_progressed);
    connect(tv_dirtree, &QTreeView::clicked, this, &recovery_window_c::on_tree_clicked);
    connect(table_view, &QTableView::clicked, this, &recovery_window_c::on_list_clicked);
    connect(btn_recovery, &QPushButton::clicked, this, &recovery_window_c::on_recovery_clicked);
    connect(btn_pause, &QPushButton::clicked, this, &recovery_window_c::on_pause_clicked);
    connect(btn_stop, &QPushButton::clicked, this, &recovery_window_c::on_stop_clicked);
    connect(btn_filter, &QPushButton::clicked, this, &recovery_window_c::on_save_result_clicked);
    connect(&timer, &QTimer::timeout, this, &recovery_window_c::on_timer);
    connect(header, &MyHeaderView::check_all, this, &recovery_window_c::on_check_all);
    connect(header, &MyHeaderView::sort_column, this, &recovery_window_c::on_sort_column);
    connect(filter_bar_, &row_filter_bar_c::changed, this, &recovery_window_c::on_filter_changed);
    connect(preview_tabs_, &QTabBar::currentChanged, this, &recovery_window_c::on_preview_tab_changed);
    timer.start(200);
}

recovery_window_c::~recovery_window_c()
{
    // The writer reads the session's engine: it ends before the session.
    if (writer)
        writer->wait();
    // The views outlive the rows and the tree their models point into.
    table_view->setModel(nullptr);
    tv_dirtree->setModel(nullptr);
    scan_running = false;
}

bool recovery_window_c::restore_running() const
{
    return writer && writer->isRunning();
}

int recovery_window_c::ask(const char *key, int buttons, const QString &detail)
{
    std::unique_ptr<QMessageBox> box =
        make_warning_box(this, k_title_tarnrecovery, key, static_cast<QMessageBox::StandardButtons>(buttons));
    if (!detail.isNull())
        box->setText(box->text().arg(detail));
    return box->exec();
}

bool recovery_window_c::refuse_while_restoring()
{
    // The writer reads the current engine's store until it ends.
    if (!restore_running())
        return false;
    ask("recovery_writer_busy", QMessageBox::Ok);
    return true;
}

void recovery_window_c::clear_tree()
{
    auto *fresh = new TreeModel(tv_dirtree);
    QAbstractItemModel *old = tv_dirtree->model();
    tv_dirtree->setModel(fresh);
    delete old;
    tree_model = fresh;
    shown_folder = nullptr;
    shown_tree = found_folder_s();
}

void recovery_window_c::set_table_model()
{
    auto *fresh = new recovery_model_c(&rows, table_view);
    fresh->set_folders(row_folders.isEmpty() ? nullptr : &row_folders);
    QAbstractItemModel *old = table_view->model();
    table_view->setModel(fresh);
    delete old;
    table_model = fresh;
    header->resizeSection(recovery_model_c::column_check, 33);
    header->resizeSection(recovery_model_c::column_name, 200);
    header->resizeSection(recovery_model_c::column_size, 76);
    header->resizeSection(recovery_model_c::column_modified, 90);
    header->resizeSection(recovery_model_c::column_created, 90);
    header->resizeSection(recovery_model_c::column_state, 60);
}

void recovery_window_c::clear_table()
{
    rows.clear();
    row_folders.clear();
    set_table_model();
    preview = file_preview_s();
    fill_hex_view();
}

void recovery_window_c::show_rows()
{
    rows.clear();
    row_folders.clear();
    const QString search = filter_bar_->search_text();
    if (!search.isEmpty()) {
        for (const found_row_s &found : filter.search(shown_tree, search)) {
            rows.append(found.row);
            row_folders.append(found.folder_path());
        }
    } else if (shown_folder) {
        rows = filter.apply(shown_folder->files);
    }
    set_table_model();
    preview = file_preview_s();
    fill_hex_view();
    header->clear_check_all();
    update();
}

void recovery_window_c::on_filter_changed()
{
    QString error;
    if (!filter.set(filter_bar_->texts(), &error)) {
        filter_bar_->show_error(error);
        return;
    }
    filter_bar_->show_error(QString());
    show_rows();
}

void recovery_window_c::on_preview_tab_changed(int tab)
{
    hex_view_->setVisible(tab == k_hex_tab);
    fill_hex_view();
    update();
}

void recovery_window_c::fill_hex_view()
{
    // Formatted only while shown: 64 KiB make some 300,000 characters.
    hex_view_->setPlainText(preview_tabs_->currentIndex() == k_hex_tab ? format_hex_dump(preview.head) : QString());
}

void recovery_window_c::prepare_buttons()
{
    btn_pause->setText(lookup_text("btn_pause"));
    btn_pause->show();
    btn_stop->show();
}

int recovery_window_c::start_scan()
{
    if (!session_.start_scan(volume, deep_scan != 0))
        return -1;
    abandoned = false;
    scan_running = true;
    timer.start(200);
    movie->start();
    return 0;
}

int recovery_window_c::scan_volume(const volume_item_s &row, bool deep)
{
    if (scan_running || refuse_while_restoring())
        return -1;
    prepare_buttons();
    clear_tree();
    clear_table();
    deep_scan = deep ? 1 : 0;
    btn_filter->hide();
    volume = row;
    progress_bar.set_value(0.0);
    return start_scan();
}

int recovery_window_c::restart_scan()
{
    if (scan_running || refuse_while_restoring())
        return -1;
    if (start_scan() != 0)
        return -1;
    prepare_buttons();
    return 0;
}

void recovery_window_c::on_timer()
{
    progress_bar.set_value(session_.progress());
    if (scan_running || restore_running())
        update();
}

void recovery_window_c::show_tree()
{
    shown_tree = session_.tree();
    shown_folder = nullptr;
    filter_bar_->reset(session_.deleted_only_by_default());
    filter.set(filter_bar_->texts(), nullptr);
    auto *fresh = new TreeModel(tv_dirtree);
    fresh->build(shown_tree);
    if (!fresh->has_folders()) {
        // Files lying in "/" alone count as an empty result.
        delete fresh;
        clear_tree();
        return;
    }
    QAbstractItemModel *old = tv_dirtree->model();
    tv_dirtree->setModel(fresh);
    delete old;
    tree_model = fresh;
    tv_dirtree->expandToDepth(0);
}

void recovery_window_c::on_thread_finished()
{
    btn_pause->setText(lookup_text("btn_start"));
    btn_stop->hide();
    scan_running = false;
    movie->stop();
    if (abandoned) {
        // The page was left: nothing is shown and nothing is asked.
        abandoned = false;
        return;
    }
    progress_bar.set_value(session_.progress());
    show_tree();
    if (session_.deep())
        btn_filter->show();
    update();
    if (!session_.error().isEmpty() && isVisible())
        ask("recovery_scan_error", QMessageBox::Ok, session_.error());
    else if (!session_.note().isEmpty() && isVisible())
        ask("recovery_scan_note", QMessageBox::Ok, session_.note());
    if (session_.offers_deep_scan() && isVisible() &&
        ask("deep_scan_query", QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        deep_scan = 1;
        restart_scan();
    }
}

void recovery_window_c::on_tree_clicked(const QModelIndex &index)
{
    // A folder chosen in the tree ends a search across all of them.
    shown_folder = tree_model->folder_at(index);
    filter_bar_->clear_search();
    show_rows();
}

void recovery_window_c::on_list_clicked(const QModelIndex &index)
{
    if (!index.isValid() || index.row() >= rows.size())
        return;
    preview = file_preview_s();
    fill_hex_view();
    if (index.column() == recovery_model_c::column_check)
        table_model->set_checked(index.row(), !rows.at(index.row()).checked);
    show_preview(rows.at(index.row()));
    update();
}

void recovery_window_c::show_preview(const recovery_item_s &row)
{
    // The writer and the preview would read the same engine at once.
    if (restore_running() || scan_running)
        return;
    const QString folder = preview_folder();
    if (folder.isEmpty())
        return;
    // One copy at a time: the last preview's file goes first.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    if (row.size > k_preview_limit) {
        // Too large to copy for a look: its start, for the hex view.
        const QString head = folder + QStringLiteral("/head");
        if (!session_.restore_head(row, head, k_hex_dump_limit))
            return;
        preview_row = row;
        preview = file_preview_s{};
        preview.head = load_preview_head(head);
    } else {
        const recovery_report_s report = session_.restore({found_row_s{QStringList(), row}}, folder, false);
        if (report.written.size() != 1)
            return;
        preview_row = row;
        preview = load_preview(report.written.first());
    }
    // What the preview cannot draw is shown in hex.
    if (!preview.drawable() && !preview.head.isEmpty())
        preview_tabs_->setCurrentIndex(k_hex_tab);
    fill_hex_view();
}

void recovery_window_c::on_check_all(bool value)
{
    for (recovery_item_s &row : rows)
        row.checked = value ? 1 : 0;
    set_table_model();
}

void recovery_window_c::on_sort_column(int column)
{
    table_model->sort_by_column(column);
}

void recovery_window_c::on_stop_clicked()
{
    session_.stop();
    btn_stop->hide();
}

void recovery_window_c::on_pause_clicked()
{
    if (scan_running) {
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
    if (restore_running()) {
        ask("recovery_writer_busy", QMessageBox::Ok);
        return;
    }
    clear_tree();
    clear_table();
    btn_pause->setText(lookup_text("btn_pause"));
    btn_stop->show();
    restart_scan();
}

void recovery_window_c::leave_page()
{
    if (scan_running) {
        abandoned = true;
        session_.abandon();
    }
    clear_tree();
    clear_table();
    // A finished result is dropped, unless the writer still reads it.
    if (!scan_running && !restore_running())
        session_.abandon();
    progress_bar.set_value(0.0);
    timer.stop();
}

void recovery_window_c::on_recovery_clicked()
{
    if (rows.isEmpty())
        return;
    QList<found_row_s> checked;
    for (const recovery_item_s &row : rows) {
        if (row.checked)
            checked.append(found_row_s{QStringList(), row});
    }
    if (checked.isEmpty()) {
        ask("recovery_check_warning", QMessageBox::Ok);
        return;
    }
    if (refuse_while_restoring())
        return;
    const QString folder = choose_destination(this);
    if (folder.isEmpty())
        return;
    if (session_.on_scanned_volume(folder) &&
        ask("recovery_same_volume_warning", QMessageBox::Yes | QMessageBox::No) == QMessageBox::No)
        return;
    // Told before anything is written: the files that fit, in the order
    // shown, or none.
    const quint64 needed = restore_bytes(checked), room = folder_free_bytes(folder);
    if (needed > room) {
        const qsizetype fit = rows_that_fit(checked, room);
        std::unique_ptr<QMessageBox> box = make_warning_box(this, k_title_tarnrecovery, "recovery_no_room",
                                                            fit > 0 ? QMessageBox::Yes | QMessageBox::No
                                                                    : QMessageBox::Ok);
        box->setText(box->text().arg(format_size(needed), folder, format_size(room)).arg(fit));
        if (box->exec() != QMessageBox::Yes)
            return;
        checked = checked.mid(0, fit);
    }
    if (!writer) {
        writer = new recovery_file_c(session_, this);
        connect(writer, &QThread::finished, this, &recovery_window_c::on_writer_finished);
    }
    writer->setup(folder, checked);
    restore_done = 0;
    restore_total = static_cast<int>(checked.size());
    timer.start(200);
    writer->start();
}

void recovery_window_c::on_restore_progressed(int done, int total)
{
    restore_done = done;
    restore_total = total;
}

void recovery_window_c::on_writer_finished()
{
    update();
    const recovery_report_s &report = writer->report();
    // A folder that could not be written to shows nothing worth opening.
    if (!report.refused.isEmpty()) {
        ask("recovery_refused", QMessageBox::Ok, report.refused);
        return;
    }
    open_folder(writer->destination());
    const recovery_counts_s counts = count_results(report);
    std::unique_ptr<QMessageBox> box =
        make_warning_box(this, k_title_tarnrecovery, "recovery_summary", QMessageBox::Ok);
    QString text = box->text().arg(counts.restored).arg(counts.incomplete).arg(counts.failed).arg(counts.no_data);
    if (!report.stopped.isEmpty())
        text += QStringLiteral("\n\n") + lookup_text("recovery_stopped").arg(report.stopped);
    box->setText(text);
    box->exec();
}

void recovery_window_c::on_save_result_clicked()
{
    const QString path = choose_save_file(this);
    if (path.isEmpty())
        return;
    if (!session_.save_result(path))
        ask("recovery_save_failed", QMessageBox::Ok, session_.error());
}

int recovery_window_c::resume_from_file()
{
    if (refuse_while_restoring())
        return -1;
    // A scan abandoned when the page was left may still be ending.
    if (scan_running && (!abandoned || !session_.wait_for_finish(10000)))
        return -1;
    const QString path = choose_scan_file(this);
    if (path.isEmpty())
        return -1;
    if (session_.load_result(path) != scan_session_c::loaded) {
        ask("recovery_resume_refused", QMessageBox::Ok, session_.error());
        return -1;
    }
    clear_tree();
    clear_table();
    progress_bar.set_value(0.0);
    timer.stop();
    volume = session_.volume();
    deep_scan = 1;
    show_tree();
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
        const auto scanned = static_cast<quint64>(progress_bar.value() * static_cast<double>(volume.total_bytes));
        draw_line(painter, QRect(90, 16, 260, 18),
                  lookup_text("raw_progress") + QLatin1Char(' ') + format_size(scanned));
    } else {
        draw_line(painter, QRect(90, 16, 260, 18),
                  lookup_text("recovery_reading") + QString::number(session_.read_count()));
    }
    if (restore_running())
        draw_line(painter, QRect(360, 59, w - 380, 14),
                  lookup_text("recovery_writing").arg(restore_done).arg(restore_total));

    painter.fillRect(visual(QRect(213, 80, w - 223, band - 1)), Qt::white);
    if (preview.drawable() && preview_tabs_->currentIndex() == k_preview_tab)
        paint_preview(painter, band);

    const quint64 found = session_.found_count();
    if (found > 0) {
        painter.setPen(Qt::red);
        draw_line(painter, QRect(90, 51, 260, 18),
                  lookup_text("recovery_total_files") + QLatin1Char(' ') + QString::number(found));
    }
}

void recovery_window_c::paint_preview(QPainter &painter, int band)
{
    const int top = 84 + k_tabs_height;
    const int h = band - 10 - k_tabs_height;
    if (!preview.image.isNull()) {
        if (preview.image.width() == 0 || preview.image.height() == 0 || h <= 0)
            return;
        // Fitted to the area's height, and to its width when that is less.
        const QSize size = preview.image.size().scaled(QSize(width() - 232, h), Qt::KeepAspectRatio);
        const int x = 212 + (width() - size.width() - 222) / 2;
        painter.drawImage(visual(QRect(QPoint(x, top), size)), preview.image);
        return;
    }
    // The file's text reads in its own direction, whatever the page's.
    const bool right_to_left = preview.text.isRightToLeft();
    painter.save();
    painter.setLayoutDirection(right_to_left ? Qt::RightToLeft : Qt::LeftToRight);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Verdana"), 9));
    painter.drawText(visual(QRect(217, top, width() - 232, h)),
                     Qt::TextWrapAnywhere | Qt::AlignTop | Qt::AlignAbsolute |
                         (right_to_left ? Qt::AlignRight : Qt::AlignLeft),
                     preview.text);
    painter.restore();
}

void recovery_window_c::resizeEvent(QResizeEvent *)
{
    const int w = width();
    const int h = height();
    const int band = preview_band(h);
    // Scaled into the status box left of the status lines: at its full
    // size the animation would cover their beginning.
    lbl_anime->setGeometry(visual(QRect(10, 18, 76, 50)));
    btn_back->setGeometry(visual(QRect(QPoint(200, h - 49), btn_back->size())));
    btn_recovery->setGeometry(visual(QRect(QPoint(w - 300, h - 49), btn_recovery->size())));
    btn_pause->setGeometry(visual(QRect(QPoint(360, 29), btn_pause->size())));
    btn_stop->setGeometry(visual(QRect(QPoint(470, 29), btn_stop->size())));
    btn_filter->setGeometry(visual(QRect(QPoint(w - 130, 29), btn_filter->size())));
    preview_tabs_->setGeometry(visual(QRect(214, 81, qMin(w - 226, 240), k_tabs_height)));
    hex_view_->setGeometry(visual(QRect(213, 80 + k_tabs_height, w - 224, band - 1 - k_tabs_height)));
    const int below = band + 79 + 7;
    filter_bar_->setGeometry(visual(QRect(212, below, w - 222, k_bar_height)));
    table_view->setGeometry(
        visual(QRect(212, below + k_bar_height + 4, w - 222, static_cast<int>((h - 143) * 0.6) - k_bar_height - 4)));
    tv_dirtree->setGeometry(visual(QRect(10, 79, 193, h - 137)));
}
