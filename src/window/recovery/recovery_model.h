// The file table of the folder shown (or of a search over every folder):
// the page's rows, with check marks and sorting by each column in its own
// direction.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <vector>

#include "records/recovery_item.h"

class recovery_model_c : public QAbstractTableModel {
    Q_OBJECT
public:
    enum column_e {
        column_check = 0,
        column_name,
        column_size,
        column_modified,
        column_created,
        column_state,
        column_count
    };

    // The folder of a row gathered from many folders (a QString).
    static constexpr int folder_role = Qt::UserRole + 1;

    // rows belongs to the page and outlives the model.
    explicit recovery_model_c(QList<recovery_item_s> *rows, QObject *parent = nullptr);
    // The folder path of each row, for rows gathered from many folders: the
    // name's tooltip shows it and sorting keeps it with its row. Belongs to
    // the page, as long as rows.
    void set_folders(QStringList *folders) { folders_ = folders; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // The display role carries the whole row, for the delegate; the tooltip
    // of the state is its name, that of the name the row's folder.
    // folder_role gives the folder in every column.
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void set_checked(int row, bool value);
    // First press on a column sorts ascending, the next descending; each
    // column keeps its own direction. Names sort naturally ("2" before "10").
    void sort_by_column(int column);

private:
    QList<recovery_item_s> *rows_;
    QStringList *folders_ = nullptr;
    quint8 ascending_[column_count] = {};
};

// The order of rows by a column's key (names in natural order, states from
// the best to the worst): positions into rows.
std::vector<int> row_order(const QList<recovery_item_s> &rows, int column, bool ascending);
// A state's name in the current language.
QString recovery_state_text(recovery_state_e state);
