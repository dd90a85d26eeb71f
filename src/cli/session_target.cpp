#include "session_target.h"

#include <cstdio>

#include "cli_command.h"
#include "engines/engine_factory.h"
#include "progress_line.h"
#include "target.h"

namespace {

using accept_fn = std::function<bool(const volume_item_s &)>;

void print_note(const scan_session_c &session)
{
    if (!session.note().isEmpty())
        fprintf(stderr, "note: %s\n", qPrintable(session.note()));
}

int load_saved(const cli_args_c &args, const char *command, scan_session_c &session, const accept_fn &accept)
{
    const scan_session_c::load_result_e loaded = session.load_result(args.value(QStringLiteral("result")));
    if (loaded == scan_session_c::loaded) {
        print_note(session);
        return !accept || accept(session.volume()) ? cli_ok : cli_bad_target;
    }
    fprintf(stderr, "tarnrecovery-cli %s: %s%s\n", command, qPrintable(session.error()),
            loaded == scan_session_c::volume_not_listed ? "; add its image with --image" : "");
    return cli_bad_target;
}

int scan(const cli_args_c &args, const char *command, scan_session_c &session, const accept_fn &accept)
{
    volume_item_s volume;
    QString error;
    if (!resolve_target(args, volume, &error)) {
        fprintf(stderr, "tarnrecovery-cli %s: %s\n", command, qPrintable(error));
        return cli_bad_target;
    }
    if (accept && !accept(volume))
        return cli_bad_target;
    const bool deep = args.has(QStringLiteral("deep"));
    if (!session.start_scan(volume, deep)) {
        fprintf(stderr, "tarnrecovery-cli %s: %s; use --deep for a deep scan\n", command, qPrintable(session.error()));
        return cli_bad_target;
    }
    progress_line_c progress;
    auto counts = [&session, deep] {
        const QString found = QStringLiteral("%1 found").arg(session.found_count());
        return deep ? found : QStringLiteral("%1 entries read, ").arg(session.read_count()) + found;
    };
    while (!session.wait_for_finish(200))
        progress.update(session.progress(), counts());
    if (!session.error().isEmpty()) {
        progress.finish(QString());
        fprintf(stderr, "tarnrecovery-cli %s: scan of %s failed: %s\n", command, qPrintable(volume.device_name),
                qPrintable(session.error()));
        return cli_failed;
    }
    const QString kind = deep ? session.engine_name() : volume.file_system;
    progress.finish(QStringLiteral("Scanned %1 (%2): %3").arg(volume.device_name, kind, counts()));
    print_note(session);
    return cli_ok;
}

} // namespace

int run_session_target(const cli_args_c &args, const char *command, scan_session_c &session, const accept_fn &accept)
{
    if (!add_cli_images(args))
        return cli_bad_target;
    // The reader's diagnostic lines would mix with what this tool prints.
    if (args.has(QStringLiteral("verbose")))
        session.set_engine_log([](const std::string &line) { fputs(line.c_str(), stderr); });
    else
        session.set_engine_log(nullptr);
    if (args.has(QStringLiteral("result")))
        return load_saved(args, command, session, accept);
    return scan(args, command, session, accept);
}
