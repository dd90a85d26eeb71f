#include "found_result.h"

#include <cstdio>

#include "cli_command.h"
#include "engines/raw/raw_recovery.h"
#include "platform/disks.h"
#include "platform/volume_path.h"
#include "results/engine_choice.h"
#include "results/found_tree.h"
#include "results/scan_file.h"
#include "target.h"

int load_found_result(const cli_args_c &args, const char *command, found_scan_s &out)
{
    if (!add_cli_images(args))
        return cli_bad_target;
    const QString file = args.value(QStringLiteral("result"));
    out.kind = engine_raw;
    out.engine = make_engine(engine_raw);
    auto *raw = qobject_cast<raw_recovery_c *>(out.engine.get());
    if (!raw)
        return cli_bad_target;
    const QString stored = load_results(*raw, file);
    if (stored.isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli %s: %s is not a readable scan file\n", command, qPrintable(file));
        return cli_bad_target;
    }
    // As resume does: the first known volume whose name path begins with the
    // stored path, ignoring case.
    for (const volume_info_s &v : list_volumes()) {
        volume_item_s item = make_volume_item(v);
        if (item.volume_path.startsWith(stored, Qt::CaseInsensitive)) {
            out.volume = item;
            break;
        }
    }
    // A volume with no file system left is not listed; its name still says
    // which disk or image and which partition it was.
    std::string source;
    int partition = 0;
    QString why;
    if (out.volume.is_header() && parse_volume_path(stored.toStdString(), source, partition)) {
        const cli_args_c named({QString::fromStdString(source), QStringLiteral("--partition"), QString::number(partition)},
                               cli_value_options());
        if (!resolve_target(named, out.volume, &why))
            out.volume = volume_item_s();
    }
    if (out.volume.is_header()) {
        fprintf(stderr, "tarnrecovery-cli %s: the volume of this scan (%s) is not present; "
                        "add its image with --image\n", command, qPrintable(stored));
        return cli_bad_target;
    }
    // Restores read from the volume as it is named now, keeping the loaded table.
    raw->set_volume(out.volume);
    out.tree = build_found_tree(engine_raw, *raw);
    return cli_ok;
}

int save_found_result(const found_scan_s &scan, const QString &path)
{
    auto *raw = qobject_cast<const raw_recovery_c *>(scan.engine.get());
    if (!raw) {
        fprintf(stderr, "tarnrecovery-cli scan: --save keeps deep-scan results only; add --deep\n");
        return cli_bad_target;
    }
    if (save_results(*raw, path) != 0) {
        fprintf(stderr, "tarnrecovery-cli scan: %s not written (%s)\n", qPrintable(path),
                raw->items().empty() ? "nothing was found" : "the file cannot be written");
        return cli_failed;
    }
    fprintf(stderr, "scan result saved to %s\n", qPrintable(path));
    return cli_ok;
}
