// The partition tables the page and the repair confirmation show: the one on
// the disk and the one a repair would write, each entry with its kind.
#pragma once

#include <QString>

#include "core/partitions/table_repair.h"

// "Primary 0x0c", "Extended 0x05", "Logical 0x07", or the GPT type.
QString entry_kind(const partition_entry_s &entry);

// What the page's list says of a find: primary or logical in the MBR the
// plan writes, GPT in a GUID table; empty without a plan.
QString row_kind(const table_repair_plan_s &plan, const partition_item_s &row);

// A title and one line per entry: number, kind, first sector, sectors, size.
QString table_text(const QString &title, const QList<partition_entry_s> &entries);

// The confirmation's rich text: the question, the disk, and the table on the
// disk beside the one to write.
QString confirm_text(const table_repair_plan_s &plan);
