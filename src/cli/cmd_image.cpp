// tarnrecovery-cli image: copies a failing disk once, carefully, into an
// image file or onto another disk, keeping a map that lets a stopped run go on.
#include <QString>
#include <csignal>
#include <cstdio>

#include "cli_command.h"
#include "core/imaging/imaging_job.h"
#include "progress_line.h"
#include "records/format_size.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void on_signal(int)
{
    interrupted = 1;
}

QString duration(double seconds)
{
    const qint64 s = static_cast<qint64>(seconds);
    if (s >= 3600)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
    if (s >= 60)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 s").arg(s);
}

QString phase_name(imaging_phase_e phase, int pass)
{
    switch (phase) {
    case imaging_phase_e::copying:
        return QStringLiteral("copying, pass %1").arg(pass);
    case imaging_phase_e::trimming:
        return QStringLiteral("trimming");
    case imaging_phase_e::scraping:
        return QStringLiteral("scraping");
    case imaging_phase_e::retrying:
        return QStringLiteral("retry %1").arg(pass);
    case imaging_phase_e::finished:
        break;
    }
    return QStringLiteral("finished");
}

QString progress_text(const imaging_progress_s &p)
{
    QString text = QStringLiteral("%1  rescued %2  bad %3 in %4 areas  %5/s now, %6/s average  last good read %7 ago")
                       .arg(phase_name(p.phase, p.pass), format_size(p.rescued), format_size(p.bad_bytes))
                       .arg(p.bad_areas)
                       .arg(format_size(static_cast<quint64>(p.current_rate)),
                            format_size(static_cast<quint64>(p.average_rate)), duration(p.since_good_read));
    if (p.seconds_left >= 0)
        text += QStringLiteral("  %1 left").arg(duration(p.seconds_left));
    return text;
}

int run_image(const cli_args_c &args)
{
    const QStringList unknown = args.unknown(QSet<QString>{QStringLiteral("map"), QStringLiteral("retries")});
    const QString map = args.value(QStringLiteral("map"));
    bool retries_ok = true;
    const int retries = args.has(QStringLiteral("retries")) ? args.value(QStringLiteral("retries")).toInt(&retries_ok) : 0;
    if (!unknown.isEmpty() || args.positional().size() != 2 || map.isEmpty() || !retries_ok || retries < 0) {
        fprintf(stderr, "tarnrecovery-cli image: usage: image SOURCE OUT --map MAP [--retries N]\n");
        return cli_bad_target;
    }
    imaging_request_s request;
    request.source = args.positional()[0].toStdString();
    request.destination = args.positional()[1].toStdString();
    request.map_path = map.toStdString();
    request.options.retries = retries;
    std::string error;
    std::unique_ptr<imaging_job_c> job = imaging_job_c::open(request, &error);
    if (!job) {
        fprintf(stderr, "tarnrecovery-cli image: %s\n", error.c_str());
        return cli_bad_target;
    }
    if (job->resumed())
        fprintf(stderr, "going on from %s\n", qPrintable(map));
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    job->start();
    progress_line_c line;
    bool asked_to_stop = false;
    while (!job->wait(200)) {
        if (interrupted && !asked_to_stop) {
            job->stop();
            asked_to_stop = true;
        }
        const imaging_progress_s p = job->progress();
        line.update(p.size ? static_cast<double>(p.rescued + p.bad_bytes) / static_cast<double>(p.size) : 0,
                    progress_text(p));
    }
    const imaging_progress_s p = job->progress();
    line.finish();
    printf("rescued %llu of %llu bytes; %llu bytes unreadable in %llu areas; %s\n",
           static_cast<unsigned long long>(p.rescued), static_cast<unsigned long long>(p.size),
           static_cast<unsigned long long>(p.bad_bytes), static_cast<unsigned long long>(p.bad_areas),
           qPrintable(QStringLiteral("took %1").arg(duration(p.elapsed))));
    switch (job->result()) {
    case disk_imager_c::result_e::finished:
        return cli_ok;
    case disk_imager_c::result_e::stopped:
        fprintf(stderr, "tarnrecovery-cli image: stopped; the same command goes on from %s\n", qPrintable(map));
        return cli_failed;
    case disk_imager_c::result_e::failed:
        break;
    }
    fprintf(stderr, "tarnrecovery-cli image: %s\n", job->error().c_str());
    return cli_failed;
}

const cli_command_registrar registered({"image", run_image, "SOURCE OUT --map MAP [--retries N]",
                                        "copy a failing disk, partition or image once, reading past bad "
                                        "sectors; the map lets a stopped run go on"});

} // namespace
