#include "found_tree_model.h"

#include <utility>
#include <vector>

TreeModel::TreeModel(QObject *parent)
    : QAbstractItemModel(parent), root_(QStringLiteral("Title")),
      folder_icon_(QStringLiteral(":/images/recovery/folder.png"))
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
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}
