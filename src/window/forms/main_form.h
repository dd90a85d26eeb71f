// The main window's form: one grid cell that holds the five pages.
#pragma once

class QGridLayout;
class QWidget;

namespace Ui {

struct MainForm {
    QGridLayout *gridLayout = nullptr;

    void setupUi(QWidget *form);
};

} // namespace Ui
