// The main window: the skinned frame with the five pages in one grid cell,
// the navigation between them (which button leads where, which question is
// asked first) and the application's one scan session, which the recovery
// page shows. The pages do the work; this class only moves between them.
#pragma once

#include <QPointer>
#include <QStringList>
#include <functional>

#include "core/session/scan_session.h"
#include "window/forms/main_form.h"
#include "window/skin/QSkinWidget.h"

class QAction;
class home_window_c;
class volume_window_c;
class drive_window_c;
class partition_window_c;
class recovery_window_c;
class imaging_window_c;

class main_window_c : public QSkinWidget, public Ui::MainForm {
    Q_OBJECT
public:
    main_window_c();
    // The recovery page goes before the session it shows.
    ~main_window_c() override;

    enum page_e { page_home = 0, page_volume = 1, page_drive = 2, page_partition = 3, page_recovery = 4 };

    void show_page(int page);
    // A top tab: leaves the page (asking first while a scan runs), the file
    // system and deep scan tabs choosing the kind of the next scan.
    void open_tab(top_tab_e tab) override;
    bool deep_scan_mode() const { return deep_scan_mode_; }
    void set_deep_scan_mode(bool deep) { deep_scan_mode_ = deep; }

    QWidget *current_page() const { return current; }
    home_window_c *home_page() const { return home; }
    volume_window_c *volume_page() const { return volume; }
    drive_window_c *drive_page() const { return drive; }
    partition_window_c *partition_page() const { return partition; }
    recovery_window_c *recovery_page() const { return recovery; }
    const scan_session_c &session() const { return session_; }

    // Adds disk image files to the drive and volume lists; refused files are
    // named with the reason. Returns how many were added.
    int open_images(const QStringList &paths);
    // The imaging window last opened from the drive page, while it is open.
    imaging_window_c *imaging_window() const;
    // Asks the user for image files ("Open disk image…"); tests answer here.
    std::function<QStringList(QWidget *)> choose_images;

public slots:
    void on_click_home_start();
    void on_click_home_resume();
    void on_click_volume_back();
    void on_click_recovery_back();
    void on_click_volume_refresh();
    void on_click_volume_scan();
    void on_click_drive_scan();
    void on_click_drive_refresh();
    void on_click_drive_back();
    // "Image this disk": the imaging window over the chosen disk.
    void on_click_drive_image();
    void on_click_partition_back();
    void on_init_finished();
    void on_click_open_image();
    // A second start handed over its image files: added, and the window
    // comes to the front.
    void on_images_handed_over(const QStringList &paths);

protected:
    bool may_close() override;
    void retranslate() override;

private:
    void connect_pages();
    void add_open_image_entry();
    bool warn_until_started();
    bool may_leave_page();
    void abandon_scan();
    // After images were added: the lists again, and the note on raw access.
    void show_device_lists();

    // Asked before leaving a scan that runs, which is then abandoned.
    bool may_leave_scan();

    scan_session_c session_;
    bool deep_scan_mode_ = false;
    QWidget *current = nullptr;
    home_window_c *home;
    volume_window_c *volume;
    drive_window_c *drive;
    partition_window_c *partition;
    recovery_window_c *recovery;
    QAction *open_image_entry = nullptr;
    QPointer<imaging_window_c> imaging;
};
