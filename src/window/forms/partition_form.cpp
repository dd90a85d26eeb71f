#include "window/forms/partition_form.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "window/forms/form_parts.h"

void Ui::PartitionForm::setupUi(QWidget *form)
{
    form->setObjectName(QStringLiteral("PartitionForm"));
    form->resize(583, 438);
    btn_repair = make_page_button(form, "btn_repair", QRect(420, 380, 75, 23));
    btn_back = make_page_button(form, "btn_back", QRect(70, 380, 75, 23));
    btn_stop = make_page_button(form, "btn_stop", QRect(460, 50, 75, 23));
    lv_volumes = make_list(form, "lv_volumes");
    lv_volumes->setGeometry(40, 110, 511, 231);
    lbl_outcome = new QLabel(form);
    lbl_outcome->setObjectName(QStringLiteral("lbl_outcome"));
    lbl_outcome->setWordWrap(true);
    lbl_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (QLabel **table : {&lbl_table_now, &lbl_table_new}) {
        *table = new QLabel(form);
        (*table)->setObjectName(table == &lbl_table_now ? QStringLiteral("lbl_table_now")
                                                        : QStringLiteral("lbl_table_new"));
        (*table)->setTextFormat(Qt::PlainText);
        (*table)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*table)->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        (*table)->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
}
