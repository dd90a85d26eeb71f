// Scan and full restore of a FAT32 image with 20,000 deleted files, beside
// sleuthkit's fls -r -d (listing) and tsk_recover (restoring) on the same image.
// The image is built by make_bench_image.sh (about two minutes), or taken
// from TARN_BENCH_FAT_IMAGE. Then the restore of one deleted 200 MiB file
// (make_big_file_image.sh) beside a plain cp of the same bytes: their
// bytes_per_second give the restore's speed against the disk's.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <unistd.h>

#include "engines/fat/fat_recovery.h"
#include "engines/fat/fat_state.h"
#include "libfat/fat_volume.h"
#include "records/found_row.h"
#include "core/restore/recovery_writer.h"
#include "restore_to_path.h"

namespace {

const QString &bench_image()
{
    static QTemporaryDir dir;
    static QString image;
    if (image.isEmpty() && QFile::exists(qEnvironmentVariable("TARN_BENCH_FAT_IMAGE")))
        image = qEnvironmentVariable("TARN_BENCH_FAT_IMAGE"); // built once beforehand
    if (image.isEmpty()) {
        image = dir.filePath(QStringLiteral("bench32.img"));
        QProcess p;
        p.start(QStringLiteral("bash"), {QStringLiteral(TARN_BENCH_SCRIPT), image});
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            image.clear();
    }
    return image;
}

void scan(fat_recovery_c &engine)
{
    std::shared_ptr<block_device_c> disk =
        open_block_device(QFile::encodeName(bench_image()).toStdString(), open_mode_e::read);
    engine.set_log(nullptr); // the per-entry console lines are not part of the work
    engine.set_volume(volume_item_s(), disk);
    engine.run();
}

int run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    return p.exitCode();
}

void BM_fat_scan(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    size_t rows = 0;
    for (auto _ : state) {
        fat_recovery_c engine;
        scan(engine);
        rows = found_rows(engine.get_found_tree()).size();
    }
    state.counters["files"] = static_cast<double>(rows);
}

// The recovery-state pass alone, as the scan runs it at its end; its time
// over BM_fat_scan's is what the states add to a scan.
void BM_fat_states(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    fat_recovery_c engine;
    scan(engine);
    fat_store_t store = engine.store();
    fat_volume_s vol;
    fat_bind_volume(vol, open_block_device(QFile::encodeName(bench_image()).toStdString(), open_mode_e::read));
    if (fat_find_volume(vol) != fr_ok)
        return state.SkipWithError("bench image does not mount");
    size_t damaged = 0;
    for (auto _ : state) {
        vol.window_sector = UINT64_MAX; // the FAT is read anew, as after a scan
        mark_fat_states(vol, store);
    }
    for (const fat_item_s &item : store)
        damaged += item.state != recovery_state_e::intact;
    state.counters["not_intact"] = static_cast<double>(damaged);
}

void BM_fls_deleted(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    for (auto _ : state)
        run(QStringLiteral("fls"), {QStringLiteral("-r"), QStringLiteral("-d"), bench_image()});
}

void BM_fat_restore_all(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    for (auto _ : state) {
        QTemporaryDir out;
        fat_recovery_c engine;
        scan(engine);
        recovery_writer_c writer(engine, out.path(), true);
        recovery_report_s report = writer.write(found_rows(engine.get_found_tree()));
        state.counters["written"] = report.written.size();
    }
}

void BM_tsk_recover(benchmark::State &state)
{
    if (bench_image().isEmpty())
        return state.SkipWithError("no bench image");
    for (auto _ : state) {
        QTemporaryDir out;
        run(QStringLiteral("tsk_recover"), {bench_image(), out.path()});
    }
}

// The image with one deleted 200 MiB file; IMAGE.src holds the same bytes.
const QString &big_file_image()
{
    static QTemporaryDir dir;
    static QString image;
    if (image.isEmpty()) {
        image = dir.filePath(QStringLiteral("big32.img"));
        if (run(QStringLiteral("bash"), {QStringLiteral(TARN_BIG_FILE_SCRIPT), image}) != 0)
            image.clear();
    }
    return image;
}

void BM_fat_restore_big_file(benchmark::State &state)
{
    if (big_file_image().isEmpty())
        return state.SkipWithError("no image with a big deleted file");
    std::shared_ptr<block_device_c> disk =
        open_block_device(QFile::encodeName(big_file_image()).toStdString(), open_mode_e::read);
    fat_recovery_c engine;
    engine.set_log(nullptr);
    engine.set_volume(volume_item_s(), disk);
    engine.run();
    const QList<found_row_s> rows = found_rows(engine.get_found_tree());
    if (rows.size() != 1)
        return state.SkipWithError("the big file was not found");
    QTemporaryDir out;
    const QString dest = out.filePath(QStringLiteral("restored.bin"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(dest);
        sync(); // the last round's writes are not this one's
        state.ResumeTiming();
        if (recover_item_to(engine, rows[0].row.id, dest) != 0)
            return state.SkipWithError("the restore failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rows[0].row.size));
}

void BM_cp_same_bytes(benchmark::State &state)
{
    if (big_file_image().isEmpty())
        return state.SkipWithError("no image with a big deleted file");
    const QString source = big_file_image() + QStringLiteral(".src");
    QTemporaryDir out;
    const QString dest = out.filePath(QStringLiteral("copied.bin"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(dest);
        sync();
        state.ResumeTiming();
        run(QStringLiteral("cp"), {source, dest});
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * QFileInfo(source).size()));
}

BENCHMARK(BM_fat_scan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_fat_states)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_fls_deleted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_fat_restore_all)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_tsk_recover)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_fat_restore_big_file)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_cp_same_bytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
