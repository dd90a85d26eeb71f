#include "volume_page.h"

#include <QListView>

#include "window/devices/volume_delegate.h"
#include "core/devices/volume_list.h"
#include "engines/volume_free_space.h"
#include "window/devices/volume_model.h"

volume_window_c::volume_window_c(QWidget *parent) : device_page_c(parent, *this), delegate(new volume_delegate_c(this))
{
    setupUi(this);
    setup_texts();
    lv_volumes->setItemDelegate(delegate);
    connect(lv_volumes, &QListView::doubleClicked, this, &volume_window_c::on_double_clicked);
}

void volume_window_c::show_rows()
{
    replace_model(new volume_model_c(&volume_rows(), this));
}

void volume_window_c::refresh()
{
    enumerate_volumes(volume_free_bytes);
    show_rows();
}

std::optional<volume_item_s> volume_window_c::selected_row()
{
    return selected_of(volume_rows());
}

void volume_window_c::on_double_clicked(const QModelIndex &)
{
    emit start_scan();
}
