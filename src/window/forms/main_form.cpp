#include "window/forms/main_form.h"

#include <QGridLayout>
#include <QWidget>

void Ui::MainForm::setupUi(QWidget *form)
{
    form->setObjectName(QStringLiteral("MainForm"));
    form->resize(800, 600);
    form->setMinimumSize(800, 600);
    form->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    form->setMouseTracking(true);
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    form->setWindowTitle(QStringLiteral("Tarn Restorix"));
}
