// The drive page: the machine's disks and the disk images the user added,
// from which the user picks the one to search for lost partitions.
#pragma once

#include <optional>

#include "window/devices/device_page.h"
#include "core/devices/drive_item.h"
#include "window/forms/device_form.h"

class drive_delegate_c;

class drive_window_c : public device_page_c, public Ui::DriveForm {
    Q_OBJECT
public:
    explicit drive_window_c(QWidget *parent);

    // A new model over a copy of the process-wide drive rows.
    void show_rows() override;
    // The current row, or none after "scan_nosel_warning".
    std::optional<drive_item_s> selected_row();

private:
    drive_delegate_c *delegate;
    QList<drive_item_s> shown; // the rows the list shows
};
