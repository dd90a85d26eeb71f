// The home page's form: the two big buttons and the hidden caption label.
#pragma once

class QLabel;
class QPushButton;
class QWidget;

namespace Ui {

struct HomeForm {
    QPushButton *btn_start = nullptr;
    QPushButton *btn_resume = nullptr;
    QLabel *lbl_wenzi = nullptr;

    void setupUi(QWidget *form);
};

} // namespace Ui
