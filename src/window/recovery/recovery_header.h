// The file table's header: a check-all box over the first column, which
// shows whether the rows shown are all, some or none of them chosen (a
// press chooses them all, or leaves them all when all were chosen), and a
// press on another column's title asks for sorting by it.
#pragma once

#include <QHeaderView>
#include <QPixmap>

class MyHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit MyHeaderView(QWidget *parent = nullptr);

    Qt::CheckState check_state() const { return check_all_; }
    void set_check_state(Qt::CheckState state);

    QSize sizeHint() const override;

signals:
    void check_all(bool checked);
    void sort_column(int column);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintSection(QPainter *painter, const QRect &rect, int logical_index) const override;

private:
    Qt::CheckState check_all_ = Qt::Unchecked;
    QPixmap unchecked_;
    QPixmap checked_;
};
