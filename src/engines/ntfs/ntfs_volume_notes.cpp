#include "ntfs_volume_notes.h"

#include <QStringList>

namespace {

QString held_part(const ntfs_scan_context &context)
{
    return QStringLiteral("only %1 of the volume's %2 bytes are in the image (it was cut short)")
        .arg(context.device_bytes)
        .arg(context.volume_bytes);
}

} // namespace

QString ntfs_startup_error(int32_t result, const ntfs_scan_context &context)
{
    switch (result) {
    case ntfs_error_short:
        return held_part(context) + QStringLiteral(", and it ends before the volume's $MFT");
    case ntfs_error_not_ntfs:
        return QStringLiteral("no readable NTFS boot sector or $MFT on the volume");
    default:
        return QStringLiteral("the volume cannot be opened or read");
    }
}

QString ntfs_scan_notes(const ntfs_scan_context &context)
{
    QStringList notes;
    if (context.notes & ntfs_note_backup_boot)
        notes << QStringLiteral("the boot sector is damaged; its backup copy in the volume's last sector was read");
    if (context.notes & ntfs_note_short_device)
        notes << held_part(context) +
                QStringLiteral(": files whose records or data lie past its end are missing or cannot be restored");
    return notes.join(QStringLiteral("; "));
}
