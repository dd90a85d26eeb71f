// What the coloured marks of the file table's state column mean: one line
// per colour, naming the states it marks in the current language.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

#include "records/recovery_state.h"

class state_legend_c : public QWidget {
    Q_OBJECT
public:
    explicit state_legend_c(QWidget *parent = nullptr);

    // The names again, after the language changed.
    void set_texts();
    // Each line's text, best state first.
    QStringList lines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct line_s {
        recovery_state_e state; // the first state of the colour, whose mark is drawn
        QString text;
    };
    // Where each line's text goes at a width.
    std::vector<QRect> text_places(int width) const;

    std::vector<line_s> lines_;
};
