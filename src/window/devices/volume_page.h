// The volume page: the machine's volumes (and those of the disk images the
// user added), from which the user picks the one to scan.
#pragma once

#include <optional>

#include "window/devices/device_page.h"
#include "records/volume_item.h"
#include "window/forms/device_form.h"

class volume_delegate_c;

class volume_window_c : public device_page_c, public Ui::VolumeForm {
    Q_OBJECT
public:
    explicit volume_window_c(QWidget *parent);

    // A new model over a copy of the process-wide volume rows.
    void show_rows() override;
    // The current row, or none after "scan_nosel_warning".
    std::optional<volume_item_s> selected_row();

signals:
    void start_scan();

public slots:
    void on_double_clicked(const QModelIndex &index);

private:
    volume_delegate_c *delegate;
    QList<volume_item_s> shown; // the rows the list shows
};
