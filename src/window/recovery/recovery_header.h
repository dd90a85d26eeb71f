// The file table's header: a check-all box over the first column, and a
// press on another column's title asks for sorting by it.
#pragma once

#include <QHeaderView>
#include <QPixmap>

class MyHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit MyHeaderView(QWidget *parent = nullptr);

    bool is_checked() const { return check_all_; }
    // A new folder starts unchecked.
    void clear_check_all();

    QSize sizeHint() const override;

signals:
    void check_all(bool checked);
    void sort_column(int column);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintSection(QPainter *painter, const QRect &rect, int logical_index) const override;

private:
    bool check_all_ = false;
    QPixmap unchecked_;
    QPixmap checked_;
};
