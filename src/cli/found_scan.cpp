#include "found_scan.h"

#include <QDeadlineTimer>
#include <cstdio>

#include "cli_command.h"
#include "engines/fat/fat_recovery.h"
#include "progress_line.h"
#include "results/engine_choice.h"
#include "results/found_tree.h"
#include "target.h"

int run_found_scan(const cli_args_c &args, const char *command, found_scan_s &out)
{
    if (!add_cli_images(args))
        return cli_bad_target;
    QString error;
    if (!resolve_target(args, out.volume, &error)) {
        fprintf(stderr, "tarnrecovery-cli %s: %s\n", command, qPrintable(error));
        return cli_bad_target;
    }
    const bool deep = args.has(QStringLiteral("deep"));
    if (choose_engine(out.volume.file_system, deep, &out.kind) != 0) {
        fprintf(stderr,
                "tarnrecovery-cli %s: %s holds no FAT or NTFS file system (it reports \"%s\"); "
                "use --deep for a deep scan\n",
                command, qPrintable(out.volume.device_name), qPrintable(out.volume.file_system));
        return cli_bad_target;
    }
    out.engine = make_engine(out.kind);
    if (!out.engine) {
        fprintf(stderr, "tarnrecovery-cli %s: this build has no %s engine yet\n", command,
                engine_kind_name(out.kind));
        return cli_bad_target;
    }
    // The reader's diagnostic lines would mix with what this tool prints.
    if (auto *fat = qobject_cast<fat_recovery_c *>(out.engine.get()))
        fat->set_log(args.has(QStringLiteral("verbose"))
                         ? fat_log_fn([](const std::string &line) { fputs(line.c_str(), stderr); })
                         : fat_log_fn());

    recovery_base_c &engine = *out.engine;
    engine.reset();
    engine.set_volume(out.volume);
    engine.start();
    progress_line_c progress;
    while (!engine.wait(QDeadlineTimer(200)))
        progress.update(engine.get_progress(), QStringLiteral("%1 entries read, %2 found")
                                                   .arg(engine.get_read_count())
                                                   .arg(engine.get_found_count()));
    engine.set_progress(1.0);
    progress.finish(QStringLiteral("Scanned %1 (%2): %3 entries read, %4 found")
                        .arg(out.volume.device_name, out.volume.file_system)
                        .arg(engine.get_read_count())
                        .arg(engine.get_found_count()));
    out.tree = build_found_tree(out.kind, engine);
    return cli_ok;
}
