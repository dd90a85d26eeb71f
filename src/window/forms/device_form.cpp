#include "window/forms/device_form.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "window/forms/form_parts.h"

void Ui::device_form_s::setup(QWidget *form, const char *form_name, const char *list_name)
{
    form->setObjectName(QString::fromLatin1(form_name));
    form->resize(676, 492);
    list = make_list(form, list_name);
    btn_back = make_page_button(form, "btn_back", QRect(175, 438, k_page_button_width, 23));
    btn_refresh = make_page_button(form, "btn_refresh", QRect(288, 438, k_page_button_width, 23));
    btn_scan = make_page_button(form, "btn_scan", QRect(401, 438, k_page_button_width, 23));
    lbl_note = new QLabel(form);
    lbl_note->setObjectName(QStringLiteral("lbl_note"));
    lbl_note->setWordWrap(true);
    lbl_note->setStyleSheet(QStringLiteral("color: rgb(160, 60, 30);"));
    lbl_note->hide();
}

void Ui::device_form_s::add_image_button(QWidget *form)
{
    btn_image = make_page_button(form, "btn_image", QRect(514, 438, k_page_button_width, 23));
}

void Ui::device_form_s::place(int width, int height)
{
    // As many lines as the note takes in this language, at least two.
    const int note_height =
        lbl_note->isVisibleTo(lbl_note->parentWidget()) ? qMax(34, lbl_note->heightForWidth(width - 50) + 4) : 0;
    place_widget(list, QRect(25, 45, width - 50, height - 140 - note_height));
    place_widget(lbl_note, QRect(25, height - 92 - note_height, width - 50, note_height));
    const int middle = height - 54 + btn_back->height() / 2;
    place_centred(btn_back, QPoint(212, middle), k_page_button_width);
    place_centred(btn_refresh, QPoint(width / 2 - 12, middle), k_page_button_width);
    place_centred(btn_scan, QPoint(width - 237, middle), k_page_button_width);
    if (btn_image)
        place_centred(btn_image, QPoint(width - 100, middle), k_page_button_width);
}
