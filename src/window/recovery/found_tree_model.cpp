#include "found_tree_model.h"

#include <utility>
#include <vector>

#include "core/session/row_choice.h"

TreeModel::TreeModel(row_choice_c *choice, QObject *parent)
    : QAbstractItemModel(parent), root_(QStringLiteral("Title")),
      folder_icon_(QStringLiteral(":/images/recovery/folder.png")), choice_(choice)
{}

TreeModel::~TreeModel() = default;

void TreeModel::build(const found_folder_s &top)
{
    beginResetModel();
    qDeleteAll(root_.children);
    root_.children.clear();
    auto *slash = new TreeItem(QStringLiteral("/"), &top, &root_);
    root_.append(slash);
    // Without recursion: a damaged volume can nest folders very deep.
    std::vector<std::pair<const found_folder_s *, TreeItem *>> pending{{&top, slash}};
    while (!pending.empty()) {
        const auto [folder, item] = pending.back();
        pending.pop_back();
        item->children.reserve(folder->folders.size());
        for (const found_folder_s &child : folder->folders) {
            auto *child_item = new TreeItem(child.name, &child, item);
            item->append(child_item);
            pending.emplace_back(&child, child_item);
        }
    }
    endResetModel();
}

bool TreeModel::has_folders() const
{
    return !root_.children.isEmpty() && !root_.children.first()->children.isEmpty();
}

TreeItem *TreeModel::item_of(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<TreeItem *>(index.internalPointer()) : const_cast<TreeItem *>(&root_);
}

const found_folder_s *TreeModel::folder_at(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this ? item_of(index)->payload : nullptr;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    return createIndex(row, column, item_of(parent)->children.at(row));
}

QModelIndex TreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return QModelIndex();
    TreeItem *up = item_of(index)->parent;
    if (!up || up == &root_)
        return QModelIndex();
    return createIndex(up->position, 0, up);
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(item_of(parent)->children.size());
}

int TreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return item_of(index)->name;
    if (role == Qt::DecorationRole)
        return folder_icon_;
    if (role == Qt::CheckStateRole && choice_) {
        switch (choice_->folder_state(item_of(index)->payload)) {
        case row_choice_c::all_chosen:
            return Qt::Checked;
        case row_choice_c::some_chosen:
            return Qt::PartiallyChecked;
        case row_choice_c::none_chosen:
            return Qt::Unchecked;
        }
    }
    return QVariant();
}

QVariant TreeModel::headerData(int, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return root_.name;
    return QVariant();
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | (choice_ ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
}

bool TreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !choice_)
        return false;
    const found_folder_s *folder = item_of(index)->payload;
    choice_->set_folder_chosen(folder, value.value<Qt::CheckState>() == Qt::Checked);
    choice_changed();
    emit chosen_changed();
    return true;
}

void TreeModel::choice_changed()
{
    // Folders are few beside rows: each is told, without recursion.
    std::vector<const TreeItem *> pending(root_.children.cbegin(), root_.children.cend());
    while (!pending.empty()) {
        const TreeItem *item = pending.back();
        pending.pop_back();
        const QModelIndex at = createIndex(item->position, 0, const_cast<TreeItem *>(item));
        emit dataChanged(at, at, {Qt::CheckStateRole});
        pending.insert(pending.end(), item->children.cbegin(), item->children.cend());
    }
}
