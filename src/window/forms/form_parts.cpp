#include "window/forms/form_parts.h"

#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace {

const char k_page_button_style[] = "QPushButton{ border-image: url(:/images/partition_search/btn_wai_1.png); }\n"
                                   "QPushButton:hover{ border-image: url(:/images/partition_search/btn_wai_2.png);}\n"
                                   "QPushButton:pressed{  border-image: url(:/images/partition_search/btn_wai_3.png);}";

} // namespace

QPushButton *make_button(QWidget *form, const char *name, const QRect &place)
{
    auto *button = new QPushButton(form);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    return button;
}

QPushButton *make_page_button(QWidget *form, const char *name, const QRect &place)
{
    QPushButton *button = make_button(form, name, place);
    style_page_button(button);
    return button;
}

void style_page_button(QPushButton *button)
{
    button->setFont(QFont(QStringLiteral("Arial"), 11));
    button->setStyleSheet(QString::fromLatin1(k_page_button_style));
}

QSize fitted_size(const QPushButton *button, int least_width)
{
    const int text_width = button->fontMetrics().horizontalAdvance(button->text()) + 20;
    return QSize(std::max(least_width, text_width), button->height());
}

void place_centred(QPushButton *button, const QPoint &centre, int least_width)
{
    QRect place(QPoint(), fitted_size(button, least_width));
    place.moveCenter(centre);
    place_widget(button, place);
}

void place_widget(QWidget *widget, const QRect &place)
{
    const QWidget *parent = widget->parentWidget();
    widget->setGeometry(QStyle::visualRect(parent->layoutDirection(), parent->rect(), place));
}

QListView *make_list(QWidget *form, const char *name)
{
    auto *list = new QListView(form);
    list->setObjectName(QString::fromLatin1(name));
    list->setStyleSheet(QStringLiteral("QListView  {\n    border-style: none;\n    border: 1px solid #8bb8fe;\n }\n"));
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}
