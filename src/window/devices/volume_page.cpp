#include "volume_page.h"

#include <QListView>

#include "window/devices/volume_delegate.h"
#include "core/devices/volume_list.h"
#include "window/devices/volume_model.h"

volume_window_c::volume_window_c(QWidget *parent) : device_page_c(parent, *this, listing_volumes), delegate(new volume_delegate_c(this))
{
    setupUi(this);
    setup_texts();
    lv_volumes->setItemDelegate(delegate);
    connect(lv_volumes, &QListView::doubleClicked, this, &volume_window_c::on_double_clicked);
}

void volume_window_c::show_rows()
{
    shown = volume_rows();
    replace_model(new volume_model_c(shown, this));
}

std::optional<volume_item_s> volume_window_c::selected_row()
{
    return selected_of(shown);
}

void volume_window_c::on_double_clicked(const QModelIndex &)
{
    emit start_scan();
}
