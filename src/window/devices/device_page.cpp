#include "device_page.h"

#include <QEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>

#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

device_page_c::device_page_c(QWidget *parent, Ui::device_form_s &form, int lists)
    : QWidget(parent), form(form), lister(lists)
{
    connect(&lister, &device_listing_c::listed, this, &device_page_c::on_listed);
}

void device_page_c::refresh()
{
    lister.request();
    form.btn_refresh->setEnabled(false);
    update();
}

void device_page_c::on_listed()
{
    form.btn_refresh->setEnabled(!lister.busy());
    show_rows();
    update();
}

void device_page_c::setup_texts()
{
    form.btn_back->setText(lookup_text("btn_back"));
    form.btn_refresh->setText(lookup_text("btn_refresh"));
    form.btn_scan->setText(lookup_text("btn_scan"));
    if (form.btn_image)
        form.btn_image->setText(lookup_text("btn_image"));
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
    const QRect line(23, 12, width() - 46, 24);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, lookup_text("volume_select"));
    if (lister.busy())
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, lookup_text("device_listing"));
}

void device_page_c::resizeEvent(QResizeEvent *)
{
    form.place(width(), height());
}

bool device_page_c::event(QEvent *event)
{
    // A button's new text may need more room.
    if (event->type() == QEvent::LayoutRequest)
        form.place(width(), height());
    return QWidget::event(event);
}
