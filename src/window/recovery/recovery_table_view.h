// The file table: arrow keys act as clicks, so the preview (and in the
// first column the check mark) follows the keyboard.
#pragma once

#include <QTableView>

class MyQTableView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
