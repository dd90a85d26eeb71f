#include "partition_tables.h"

#include "records/format_size.h"
#include "window/text/translation.h"

namespace {

bool is_gpt_entry(const partition_entry_s &entry)
{
    return entry.gpt_type != guid_bytes_t{};
}

QList<partition_entry_s> current_entries(const table_repair_plan_s &plan)
{
    return QList<partition_entry_s>(plan.current.partitions.begin(), plan.current.partitions.end());
}

} // namespace

QString entry_kind(const partition_entry_s &entry)
{
    if (is_gpt_entry(entry))
        return QStringLiteral("GPT %1").arg(QString::fromStdString(format_guid(entry.gpt_type)).left(8));
    const char *key = entry.extended ? "partition_extended" : entry.logical ? "partition_logical" : "partition_primary";
    return QStringLiteral("%1 0x%2").arg(lookup_text(key)).arg(entry.mbr_type, 2, 16, QLatin1Char('0'));
}

QString row_kind(const table_repair_plan_s &plan, const partition_item_s &row)
{
    if (!plan.ready)
        return QString();
    if (plan.action != table_action_e::new_mbr)
        return QStringLiteral("GPT");
    return lookup_text(plan.is_logical(row) ? "partition_logical" : "partition_primary");
}

QString table_text(const QString &title, const QList<partition_entry_s> &entries)
{
    QString text = title + QLatin1Char('\n');
    for (const partition_entry_s &e : entries)
        text += QStringLiteral("%1 %2 %3 %4\n")
                    .arg(e.number, 3)
                    .arg(entry_kind(e), -16)
                    .arg(e.first_sector, 10)
                    .arg(format_size(e.sector_count * 512), 9);
    if (entries.isEmpty())
        text += QStringLiteral("  -\n");
    return text;
}

QString confirm_text(const table_repair_plan_s &plan)
{
    const auto block = [](const QString &text) {
        return QStringLiteral("<pre>%1</pre>").arg(text.toHtmlEscaped());
    };
    return QStringLiteral("<p>%1</p><p>%2 <b>%3</b></p><table><tr><td>%4</td><td>&nbsp;&nbsp;</td><td>%5</td></tr>"
                          "</table>")
        .arg(lookup_text("partition_query").toHtmlEscaped(), lookup_text("partition_disk").toHtmlEscaped(),
             plan.drive.name.toHtmlEscaped(),
             block(table_text(lookup_text("partition_table_now"), current_entries(plan))),
             block(table_text(lookup_text("partition_table_new"), plan.new_table)));
}
