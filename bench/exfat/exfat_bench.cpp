// Scan and full restore of an exFAT camera card with about 1,000 deleted
// photos: the engine's scan alone, then `tarnrecovery-cli recover --all`
// beside sleuthkit's tsk_recover (which restores the deleted files too) on
// the same image, each writing into a fresh folder. The image is built by
// make_bench_image.sh (root and FUSE), or taken from TARN_BENCH_EXFAT_IMAGE.
#include <benchmark/benchmark.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "engines/exfat/exfat_recovery.h"

namespace {

int run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

const QString &bench_image()
{
    static QTemporaryDir dir;
    static QString image;
    if (image.isEmpty() && QFile::exists(qEnvironmentVariable("TARN_BENCH_EXFAT_IMAGE")))
        image = qEnvironmentVariable("TARN_BENCH_EXFAT_IMAGE"); // built once beforehand
    if (image.isEmpty()) {
        image = dir.filePath(QStringLiteral("card.img"));
        if (run(QStringLiteral("bash"), {QStringLiteral(TARN_BENCH_SCRIPT), image}) != 0)
            image.clear();
    }
    return image;
}

qint64 files_below(const QString &folder)
{
    qint64 n = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++n;
    return n;
}

void BM_exfat_scan(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    quint64 found = 0;
    for (auto _ : state) {
        exfat_recovery_c engine;
        engine.set_volume(volume_item_s(),
                          open_block_device(QFile::encodeName(bench_image()).toStdString(), open_mode_e::read));
        engine.run();
        found = engine.get_found_count();
    }
    state.counters["found"] = static_cast<double>(found);
}

// Restores into out and counts what was written; the folder is emptied
// first, outside the timing.
void restore_all(benchmark::State &state, const QString &program, const QStringList &args)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    qint64 written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out;
        state.ResumeTiming();
        QStringList with_out = args;
        with_out.replaceInStrings(QStringLiteral("OUT"), out.path());
        if (run(program, with_out) != 0)
            return state.SkipWithError("the restore failed");
        state.PauseTiming();
        written = files_below(out.path());
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(written);
}

void BM_cli_recover_all(benchmark::State &state)
{
    restore_all(state, QStringLiteral(TARN_CLI),
                {QStringLiteral("recover"), bench_image(), QStringLiteral("--all"), QStringLiteral("--out"),
                 QStringLiteral("OUT")});
}

void BM_tsk_recover(benchmark::State &state)
{
    restore_all(state, QStringLiteral("tsk_recover"), {bench_image(), QStringLiteral("OUT")});
}

} // namespace

BENCHMARK(BM_exfat_scan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_cli_recover_all)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_tsk_recover)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
