// The home page: Start scan and Resume recovery, and the three cautions.
#pragma once

#include <QWidget>

#include "window/forms/home_form.h"

class home_window_c : public QWidget, public Ui::HomeForm {
    Q_OBJECT
public:
    explicit home_window_c(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The box of cautions, as on a left-to-right page.
    QRect tips_place() const;
};
