// What the volume page and the drive page share: the painted title band,
// the list with its Back, Refresh and Scan buttons placed on a resize, and
// the "nothing selected" check.
#pragma once

#include <QList>
#include <QWidget>
#include <optional>

#include "window/forms/device_form.h"

class QAbstractItemModel;

class device_page_c : public QWidget {
    Q_OBJECT
public:
    // The list's current row, or -1 after telling the user to pick one.
    int selected_index();

    // A line under the list (shown only when it has a text).
    void set_note(const QString &text);

protected:
    device_page_c(QWidget *parent, Ui::device_form_s &form);
    // Button captions; call after the form is set up.
    void setup_texts();
    // Puts a new model on the list and deletes the one before.
    void replace_model(QAbstractItemModel *model);
    // The selected one of rows (the list the model shows), or none after
    // "scan_nosel_warning".
    template <class Row> std::optional<Row> selected_of(const QList<Row> &rows)
    {
        const int at = selected_index();
        if (at < 0 || at >= rows.size())
            return std::nullopt;
        return rows.at(at);
    }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Ui::device_form_s &form;
    QAbstractItemModel *model = nullptr;
};
