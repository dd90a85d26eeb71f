// The partition page's form: the found-partition list, Start/Stop, Repair
// and Back, and a line for the outcome of the last repair.
#pragma once

class QLabel;
class QListView;
class QPushButton;
class QWidget;

namespace Ui {

struct PartitionForm {
    QPushButton *btn_repair = nullptr;
    QListView *lv_volumes = nullptr;
    QPushButton *btn_back = nullptr;
    QPushButton *btn_stop = nullptr;
    QLabel *lbl_outcome = nullptr;

    void setupUi(QWidget *form);
};

} // namespace Ui
