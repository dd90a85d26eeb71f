#include <QStringList>

#include "exfat_recovery.h"
#include "records/found_tree_walk.h"

namespace {

bool exfat_is_folder(const exfat_item_s &item)
{
    return item.is_folder() && item.has_files && item.id != 0;
}

bool exfat_is_row(const exfat_item_s &item)
{
    return !item.is_folder() && item.id != 0;
}

recovery_item_s exfat_row(const exfat_item_s &item)
{
    recovery_item_s row;
    row.name = item.name;
    row.size = item.size;
    row.date1 = item.modified;
    row.date2 = item.created;
    row.id = item.id;
    row.flags = item.attributes;
    row.deleted = item.is_deleted() ? 1 : 0;
    row.size_capped = item.size_capped;
    row.state = item.state;
    return row;
}

} // namespace

found_folder_s exfat_recovery_c::get_found_tree() const
{
    return build_found_folders(store_, quint64(0),
                               found_rules_s<exfat_item_s>{exfat_is_row, exfat_row, exfat_is_folder});
}

QString exfat_recovery_c::get_note() const
{
    QStringList notes;
    for (const std::string &note : volume_.notes())
        notes << QString::fromStdString(note);
    if (!short_note_.isEmpty())
        notes << short_note_;
    const auto count = [&notes](uint64_t n, const char *what) {
        if (n)
            notes << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(what));
    };
    count(counts_.bad_sets, "damaged entry sets skipped");
    count(counts_.cut_names, "names longer than their entries cut short");
    count(counts_.outside, "folders starting outside the volume skipped");
    count(counts_.walked_again, "folders found inside themselves read once");
    count(counts_.broken_chains, "folders whose cluster chain loops or breaks off read in part");
    count(counts_.unreadable, "folders that could not be read whole");
    count(counts_.unread, "folders left unread: the folders read already were many times the volume's size");
    return notes.join(QStringLiteral("; "));
}
