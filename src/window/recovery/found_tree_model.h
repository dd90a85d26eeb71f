// The folder tree of a finished scan as the page's tree view shows it, each
// folder with a check box for its files and every folder below it: checked,
// unchecked, or partly checked when only some of them are chosen.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QString>

#include "records/found_folder.h"

class row_choice_c;

// One folder of the tree; payload is the found folder whose files it lists
// (null for the hidden root). Deleting an item deletes its children.
struct TreeItem {
    explicit TreeItem(const QString &item_name, const found_folder_s *folder = nullptr, TreeItem *up = nullptr)
        : name(item_name), parent(up), payload(folder)
    {}
    ~TreeItem() { qDeleteAll(children); }
    TreeItem(const TreeItem &) = delete;
    TreeItem &operator=(const TreeItem &) = delete;

    // Appends child, which takes its place below this item.
    void append(TreeItem *child)
    {
        child->position = static_cast<int>(children.size());
        children.append(child);
    }

    QList<TreeItem *> children;
    QString name;
    TreeItem *parent;
    const found_folder_s *payload;
    int position = 0; // among the parent's children, so parent() needs no search
};

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Without a choice the folders have no check boxes.
    explicit TreeModel(row_choice_c *choice = nullptr, QObject *parent = nullptr);
    ~TreeModel() override;

    // Puts "/" under the root with every folder below found; the found tree
    // must outlive the model (items point into it).
    void build(const found_folder_s &top);
    // "/" and whether it has folders below it.
    bool has_folders() const;
    const found_folder_s *folder_at(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A check chooses or leaves the folder's rows and those below it.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // Every folder's check box again, after the choice changed elsewhere.
    void choice_changed();

signals:
    // The choice changed through the tree.
    void chosen_changed();

private:
    TreeItem *item_of(const QModelIndex &index) const;

    TreeItem root_;
    QIcon folder_icon_;
    row_choice_c *choice_;
};
