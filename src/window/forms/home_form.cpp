#include "window/forms/home_form.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "window/forms/form_parts.h"

void Ui::HomeForm::setupUi(QWidget *form)
{
    form->setObjectName(QStringLiteral("HomeForm"));
    form->resize(676, 492);
    btn_start = make_button(form, "btn_start", QRect(40, 105, 330, 106));
    btn_resume = make_button(form, "btn_resume", QRect(425, 105, 323, 106));
    lbl_wenzi = new QLabel(form);
    lbl_wenzi->setObjectName(QStringLiteral("lbl_wenzi"));
    lbl_wenzi->setGeometry(55, 262, 692, 188);
    lbl_wenzi->setStyleSheet(QStringLiteral("#lbl_wenzi {border-image: url(:/images/home/wenzi.png); }"));
    lbl_wenzi->hide();
}
