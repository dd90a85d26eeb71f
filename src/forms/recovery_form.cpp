#include "forms/recovery_form.h"

#include <QLabel>
#include <QPushButton>

#include "forms/form_parts.h"

void Ui::RecoveryForm::setupUi(QWidget* form)
{
    form->setObjectName(QStringLiteral("RecoveryForm"));
    form->resize(676, 492);
    btn_back = make_page_button(form, "btn_back", QRect(175, 438, 75, 23));
    lbl_status = new QLabel(form);
    lbl_status->setObjectName(QStringLiteral("lbl_status"));
    lbl_status->setWordWrap(true);
    lbl_status->setGeometry(25, 60, 626, 120);
}
