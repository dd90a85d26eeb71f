// The partition page's form: the found-partition list, the table on the
// disk beside the one a repair would write, Start/Stop, Repair and Back, and
// a line for the outcome of the last repair.
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
    QLabel *lbl_table_now = nullptr;
    QLabel *lbl_table_new = nullptr;

    void setupUi(QWidget *form);
};

} // namespace Ui
