#include "drive_page.h"

#include <QListView>

#include "window/devices/drive_delegate.h"
#include "core/devices/drive_list.h"
#include "window/devices/drive_model.h"

drive_window_c::drive_window_c(QWidget *parent) : device_page_c(parent, *this, listing_drives), delegate(new drive_delegate_c(this))
{
    setupUi(this);
    setup_texts();
    lv_drives->setItemDelegate(delegate);
}

void drive_window_c::show_rows()
{
    shown = drive_rows();
    replace_model(new drive_model_c(shown, this));
}

std::optional<drive_item_s> drive_window_c::selected_row()
{
    return selected_of(shown);
}
