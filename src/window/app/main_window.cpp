#include "window/app/main_window.h"

#include <QAction>
#include <QGridLayout>
#include <QListView>
#include <QMenu>
#include <QPushButton>

#include "core/devices/drive_list.h"
#include "window/devices/drive_page.h"
#include "core/devices/volume_list.h"
#include "window/devices/volume_page.h"
#include "window/partitions/partition_page.h"
#include "platform/disks.h"
#include "window/recovery/recovery_page.h"
#include "window/app/home_page.h"
#include "window/app/image_opening.h"
#include "window/devices/imaging_window.h"
#include "window/app/init_thread.h"
#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

main_window_c::main_window_c() : choose_images(ask_image_files)
{
    setupUi(this);
    home = new home_window_c(this);
    volume = new volume_window_c(this);
    drive = new drive_window_c(this);
    partition = new partition_window_c(this);
    recovery = new recovery_window_c(session_, this);
    for (QWidget *page : {static_cast<QWidget *>(home), static_cast<QWidget *>(volume), static_cast<QWidget *>(drive),
                          static_cast<QWidget *>(partition), static_cast<QWidget *>(recovery)}) {
        gridLayout->addWidget(page, 0, 0);
        if (page != home)
            page->hide();
    }
    home->raise();
    current = home;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setWindowIcon(QIcon(QStringLiteral(":/images/top.ico")));
    connect_pages();
    add_open_image_entry();
}

main_window_c::~main_window_c()
{
    delete recovery;
}

void main_window_c::connect_pages()
{
    connect(home->btn_start, &QPushButton::clicked, this, &main_window_c::on_click_home_start);
    connect(home->btn_resume, &QPushButton::clicked, this, &main_window_c::on_click_home_resume);
    connect(volume->btn_back, &QPushButton::clicked, this, &main_window_c::on_click_volume_back);
    connect(volume->btn_refresh, &QPushButton::clicked, this, &main_window_c::on_click_volume_refresh);
    connect(volume->btn_scan, &QPushButton::clicked, this, &main_window_c::on_click_volume_scan);
    connect(volume, &volume_window_c::start_scan, this, &main_window_c::on_click_volume_scan);
    connect(drive->btn_back, &QPushButton::clicked, this, &main_window_c::on_click_drive_back);
    connect(drive->btn_refresh, &QPushButton::clicked, this, &main_window_c::on_click_drive_refresh);
    connect(drive->btn_scan, &QPushButton::clicked, this, &main_window_c::on_click_drive_scan);
    connect(drive->btn_image, &QPushButton::clicked, this, &main_window_c::on_click_drive_image);
    connect(partition->btn_back, &QPushButton::clicked, this, &main_window_c::on_click_partition_back);
    connect(recovery->btn_back, &QPushButton::clicked, this, &main_window_c::on_click_recovery_back);
}

void main_window_c::add_open_image_entry()
{
    // Before "Help": the menu reads Language, Open disk image, Help, Exit.
    QAction *help = main_menu()->actions().at(2);
    open_image_entry = new QAction(lookup_text("menu_open_image"), main_menu());
    main_menu()->insertAction(help, open_image_entry);
    QAction *open = open_image_entry;
    connect(open, &QAction::triggered, this, &main_window_c::on_click_open_image);
}

void main_window_c::retranslate()
{
    QSkinWidget::retranslate();
    open_image_entry->setText(lookup_text("menu_open_image"));
    volume->setup_texts();
    drive->setup_texts();
    partition->retranslate();
    recovery->retranslate();
    current->update();
}

void main_window_c::show_page(int page)
{
    QWidget *pages[] = {home, volume, drive, partition, recovery};
    current->hide();
    current = pages[page];
    current->raise();
    current->show();
    update();
}

void main_window_c::open_tab(top_tab_e tab)
{
    if (!may_leave_page())
        return;
    if (tab != tab_partition_search)
        deep_scan_mode_ = tab == tab_deep_scan;
    abandon_scan();
    show_page(tab == tab_partition_search ? page_drive : page_volume);
    show_active_tab(tab);
}

void main_window_c::abandon_scan()
{
    recovery->leave_page();
}

bool main_window_c::warn_until_started()
{
    if (startup_done)
        return false;
    warning_box(this, k_title_tarnrecovery, "startup_warning", QMessageBox::Ok);
    return true;
}

bool main_window_c::may_leave_scan()
{
    return !session_.is_scanning() ||
        warning_box(this, k_title_tarnrecovery, "back_warning", QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

bool main_window_c::may_leave_page()
{
    return !warn_until_started() && may_leave_scan();
}

bool main_window_c::may_close()
{
    return !session_.is_scanning() ||
        warning_box(this, k_title_tarnrecovery, "quit_warning", QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void main_window_c::on_click_home_start()
{
    if (warn_until_started())
        return;
    show_page(page_volume);
    show_active_tab(deep_scan_mode_ ? tab_deep_scan : tab_file_system_scan);
}

void main_window_c::on_click_home_resume()
{
    if (!warn_until_started() && recovery->resume_from_file() == 0)
        show_page(page_recovery);
}

void main_window_c::on_click_volume_back()
{
    show_page(page_home);
    show_active_tab(-1);
}

void main_window_c::on_click_recovery_back()
{
    if (!may_leave_scan())
        return;
    abandon_scan();
    show_page(page_volume);
}

void main_window_c::on_click_volume_refresh()
{
    volume->refresh();
}

void main_window_c::on_click_volume_scan()
{
    const std::optional<volume_item_s> row = volume->selected_row();
    if (!row)
        return;
    if (row->device_name.isEmpty()) {
        warning_box(nullptr, k_title_restorix, "main_warning2");
        return;
    }
    if (recovery->scan_volume(*row, deep_scan_mode_) == 0)
        show_page(page_recovery);
}

void main_window_c::on_click_drive_scan()
{
    const std::optional<drive_item_s> row = drive->selected_row();
    if (!row)
        return;
    if (row->name.isEmpty()) {
        warning_box(nullptr, k_title_restorix, "main_warning1");
        return;
    }
    partition->start_search(*row);
    show_page(page_partition);
}

void main_window_c::on_click_drive_refresh()
{
    drive->refresh();
}

void main_window_c::on_click_drive_back()
{
    show_page(page_home);
    show_active_tab(-1);
}

void main_window_c::on_click_partition_back()
{
    partition->stop_on_leave();
    show_page(page_volume);
    show_active_tab(deep_scan_mode_ ? tab_deep_scan : tab_file_system_scan);
}

void main_window_c::on_init_finished()
{
    volume->show_rows();
    drive->show_rows();
    const raw_access_s access = check_raw_access();
    if (access.readable)
        return;
    // Root refused all the same: another start would not help.
    if (access.as_root && !access.refused_disk.empty())
        volume->set_note(lookup_text("raw_access_refused")
                             .arg(QString::fromStdString(access.refused_disk), QString::fromStdString(access.reason)));
    else
        volume->set_note(lookup_text("raw_access_note"));
}

int main_window_c::open_images(const QStringList &paths)
{
    const int added = add_image_files(this, paths);
    // Before start-up ends the start-up worker lists them with the rest.
    if (added > 0 && startup_done)
        show_device_lists();
    return added;
}

void main_window_c::show_device_lists()
{
    volume->refresh();
    drive->refresh();
}

imaging_window_c *main_window_c::imaging_window() const
{
    return imaging;
}

void main_window_c::on_click_drive_image()
{
    const std::optional<drive_item_s> row = drive->selected_row();
    if (!row || row->is_header())
        return;
    imaging = new imaging_window_c(this, row->name, row->size);
    imaging->setAttribute(Qt::WA_DeleteOnClose);
    // A finished image is a disk of its own, ready to scan.
    connect(imaging, &imaging_window_c::image_ready, this, [this](const QString &path) { open_images({path}); });
    imaging->open();
}

void main_window_c::on_click_open_image()
{
    if (warn_until_started())
        return;
    open_images(choose_images(this));
}

void main_window_c::on_images_handed_over(const QStringList &paths)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    open_images(paths);
}
