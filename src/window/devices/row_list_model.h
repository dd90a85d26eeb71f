// A list of plain rows for a view: each row goes to its delegate whole, as
// a QVariant, in the display role. The model owns its copy of the rows: a
// list read again elsewhere reaches the view only through a new model.
// A row also reads as text (row_text, found next to the row's model), for
// whatever asks the display role for a string, such as accessibility, and
// as the tooltip of its row.
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

template <class Row> class row_list_model_t : public QAbstractListModel {
public:
    explicit row_list_model_t(QList<Row> rows, QObject *parent = nullptr)
        : QAbstractListModel(parent), rows(std::move(rows))
    {
        register_text();
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows.size());
    }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!index.isValid() || index.row() >= rows.size())
            return QVariant();
        // The whole name, where the list elides it.
        if (role == Qt::ToolTipRole) {
            const QString text = row_text(rows.at(index.row()));
            return text.isEmpty() ? QVariant() : QVariant(text);
        }
        return role == Qt::DisplayRole ? QVariant::fromValue(rows.at(index.row())) : QVariant();
    }

    const Row &row(int at) const { return rows.at(at); }

private:
    static void register_text()
    {
        static const bool registered =
            QMetaType::registerConverter<Row, QString>([](const Row &row) { return row_text(row); });
        (void)registered;
    }

    const QList<Row> rows;
};
