#include "device_page.h"

#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>

#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

device_page_c::device_page_c(QWidget *parent, Ui::device_form_s &form) : QWidget(parent), form(form) {}

void device_page_c::setup_texts()
{
    form.btn_back->setText(lookup_text("btn_back"));
    form.btn_refresh->setText(lookup_text("btn_refresh"));
    form.btn_scan->setText(lookup_text("btn_scan"));
}

void device_page_c::replace_model(QAbstractItemModel *next)
{
    QAbstractItemModel *previous = model;
    model = next;
    form.list->setModel(model);
    delete previous;
}

int device_page_c::selected_index()
{
    const QModelIndex current = form.list->currentIndex();
    if (!current.isValid() || !form.list->selectionModel() || !form.list->selectionModel()->isSelected(current)) {
        warning_box(this, k_title_tarnrecovery, "scan_nosel_warning", QMessageBox::Ok);
        return -1;
    }
    return current.row();
}

void device_page_c::set_note(const QString &text)
{
    form.lbl_note->setText(text);
    form.lbl_note->setVisible(!text.isEmpty());
    form.place(width(), height());
}

void device_page_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap band(QStringLiteral(":/images/background/bai.png"));
    painter.fillRect(QRect(0, 0, width(), band.height()), QBrush(band));
    painter.setFont(QFont(QStringLiteral("Arial"), 12));
    // Left of the page, or right of it when the page reads right to left.
    painter.drawText(QRect(23, 12, width() - 46, 24), Qt::AlignLeft | Qt::AlignVCenter, lookup_text("volume_select"));
}

void device_page_c::resizeEvent(QResizeEvent *)
{
    form.place(width(), height());
}
