// The recovery page's form as far as it is built: Back and a status line.
#pragma once

class QLabel;
class QPushButton;
class QWidget;

namespace Ui {

struct RecoveryForm {
    QPushButton* btn_back = nullptr;
    QLabel* lbl_status = nullptr;

    void setupUi(QWidget* form);
};

} // namespace Ui
