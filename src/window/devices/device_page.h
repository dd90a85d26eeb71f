// What the volume page and the drive page share: the painted title band,
// the list with its Back, Refresh and Scan buttons placed on a resize, the
// "nothing selected" check, and Refresh reading the list on a worker.
#pragma once

#include <QList>
#include <QWidget>
#include <optional>

#include "core/devices/device_listing.h"
#include "window/forms/device_form.h"

class QAbstractItemModel;

class device_page_c : public QWidget {
    Q_OBJECT
public:
    // The list's current row, or -1 after telling the user to pick one.
    int selected_index();

    // A line under the list (shown only when it has a text).
    void set_note(const QString &text);

    // Reads the list again on the worker and shows it once read, even if
    // the page was left meanwhile. Until then Refresh is disabled and the
    // title band says that the drives are being read.
    void refresh();
    // A new model over the process-wide rows as they are now.
    virtual void show_rows() = 0;
    const device_listing_c &listing() const { return lister; }
    // Button captions, again after the language changed.
    void setup_texts();

protected:
    // lists: what Refresh reads (listed_devices_e).
    device_page_c(QWidget *parent, Ui::device_form_s &form, int lists);
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
    bool event(QEvent *event) override;

private:
    void on_listed();

    Ui::device_form_s &form;
    QAbstractItemModel *model = nullptr;
    device_listing_c lister;
};
