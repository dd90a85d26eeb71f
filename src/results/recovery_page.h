// The recovery page (page 4). It takes the volume the user chose and the
// deep-scan switch, refuses a volume no engine takes, and will show the scan
// and its results; scanning from the window is not built yet, so the page
// says so and points to the command line instead of showing anything made up.
#pragma once

#include <QWidget>

#include "devices/volume_item.h"
#include "forms/recovery_form.h"

// Set while a scan started by this page runs; read by the main window's
// questions before a page is left or the window closes.
extern bool scan_running;

class recovery_window_c : public QWidget, public Ui::RecoveryForm {
    Q_OBJECT
public:
    explicit recovery_window_c(QWidget* parent);

    // 0 when the page takes the volume, -1 when a scan runs or no engine
    // takes it (neither "NTFS" nor "FAT..." without the deep switch).
    int scan_volume(const volume_item_s& volume, bool deep);
    // Nothing can be loaded yet: -1.
    int resume_from_file();
    // Called when the page is left.
    void leave_page();

    const volume_item_s& chosen_volume() const { return volume; }
    bool deep_scan() const { return deep; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    volume_item_s volume;
    bool deep = false;
};
