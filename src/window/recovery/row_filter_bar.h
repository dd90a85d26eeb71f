// The bar above the file table: name, type group, size range, date range,
// recovery state and "deleted only" for the folder shown, and a search over
// every folder. It only gathers what was typed; row_filter_c filters.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "records/row_filter.h"

class row_filter_bar_c : public QWidget {
    Q_OBJECT
public:
    explicit row_filter_bar_c(QWidget *parent = nullptr);

    // The fields as filter texts; the search field is not among them.
    row_filter_texts_s texts() const;
    QString search_text() const;
    // Empties every field, without a changed(); "deleted only" is ticked
    // and offered when it narrows the rows, else unticked and greyed.
    void reset(bool deleted_only);
    void clear_search();
    // The hints and choices in the current language.
    void set_texts();
    // Marks the size and date fields whose text is no size or date; with an
    // error but no such field (a minimum above the maximum) both size
    // fields. An empty error clears the marks.
    void show_error(const QString &error);

    QLineEdit *name_edit = nullptr;
    QComboBox *type_box = nullptr;
    QLineEdit *min_size_edit = nullptr;
    QLineEdit *max_size_edit = nullptr;
    QComboBox *state_box = nullptr;
    QLineEdit *since_edit = nullptr;
    QLineEdit *until_edit = nullptr;
    QCheckBox *deleted_box = nullptr;
    QLineEdit *search_edit = nullptr;

signals:
    // A field changed; typing settles for a moment first.
    void changed();

private:
    QLineEdit *add_edit(int width);
    void mark(QLineEdit *edit, bool bad, const QString &error);

    QTimer typing_;
};
