// MFT scan of a large NTFS image, and the command line's scan listing,
// side by side with sleuthkit's fls -r -d and ntfs-3g's ntfsundelete -s on
// the same image (cli_scan_vs_ntfsundelete runs the listing and
// ntfsundelete -s by turns and gives their ratio). The image comes from
// make_bench_image.sh; its path is in TARN_NTFS_BENCH_IMAGE.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engines/ntfs/ntfs_item.h"
#include "libntfs/data_state.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/ntfs_scan_internal.h"
#include "libntfs/ntfs_volume.h"

namespace {

const char *bench_image()
{
    const char *path = getenv("TARN_NTFS_BENCH_IMAGE");
    return path && access(path, R_OK) == 0 ? path : nullptr;
}

// Runs a tool with its output discarded, under /usr/bin/time for its own
// peak memory; KiB, or -1 on failure.
long run_tool(const std::vector<std::string> &args)
{
    std::string command = "/usr/bin/time -f %M -o /dev/fd/3";
    for (const std::string &a : args)
        command += " '" + a + "'";
    command += " 3>&1 >/dev/null 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    long peak = -1;
    if (!pipe)
        return -1;
    if (fscanf(pipe, "%ld", &peak) != 1)
        peak = -1;
    return pclose(pipe) == 0 ? peak : -1;
}

// Runs a tool with its output discarded; its wall time in milliseconds, or
// -1 on failure. Started directly, so that no shell's start-up is timed.
double timed_run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    bool ran = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0;
    pid_t waited = -1;
    while (ran && (waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    ran = ran && waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    posix_spawn_file_actions_destroy(&quiet);
    return ran ? took.count() : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

long current_rss_kib()
{
    long pages = 0, resident = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (f) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Our scan as the engine runs it: every record described, directories and
// deleted entries stored and linked.
void libntfs_scan(benchmark::State &state)
{
    const char *image = bench_image();
    if (!image) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set");
        return;
    }
    int64_t records = 0;
    double bytes_per_stored = 0;
    for (auto _ : state) {
        ntfs_scan_context context{};
        if (ntfs_scan_startup_device(open_block_device(image, open_mode_e::read), &context) != 0) {
            state.SkipWithError("scan did not start");
            return;
        }
        long before = current_rss_kib();
        ntfs_store_t store;
        for (;;) {
            ntfs_item_s item;
            if (!ntfs_scan_next(&context, &item.record))
                break;
            ++records;
            if (!item.is_file() || item.is_deleted())
                store.insert(item.record.id, item);
        }
        link_ntfs_store(store);
        bytes_per_stored = 1024.0 * double(current_rss_kib() - before) / double(store.size());
        ntfs_scan_shutdown(&context);
    }
    state.counters["records_per_s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.counters["bytes_per_stored_record"] = bytes_per_stored;
}

// What the scan adds for recovery states, alone: the cluster bitmap read,
// every deleted file's runs judged, and the claims of later deleted files.
// Its time over libntfs_scan's is what the states cost.
void libntfs_states(benchmark::State &state)
{
    const char *image = bench_image();
    int32_t error = 0;
    std::unique_ptr<ntfs_volume_c> volume =
        image ? ntfs_volume_c::open(open_block_device(image, open_mode_e::read), &error) : nullptr;
    if (!volume) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set or not NTFS");
        return;
    }
    std::vector<file_record_s> deleted;
    for (uint64_t n = 0; n < volume->record_count(); ++n) {
        file_record_s record;
        if (load_file_record(*volume, n, record) && !(record.header.flags & ntfs_record_in_use) &&
            !(record.header.flags & ntfs_record_is_directory))
            deleted.push_back(std::move(record));
    }
    size_t damaged = 0;
    for (auto _ : state) {
        cluster_bitmap_c bitmap;
        const bool read = bitmap.load(*volume, 1ull << 30);
        std::vector<data_extent_s> extents;
        std::unordered_map<uint64_t, data_usage_s> usage;
        for (const file_record_s &record : deleted) {
            const data_usage_s u = record_data_usage(*volume, read ? &bitmap : nullptr, record,
                                                     static_cast<int64_t>(record.number), extents);
            if (u.mapped)
                usage[record.number] = u;
        }
        if (read)
            count_later_claims(std::move(extents), bitmap, usage);
        damaged = 0;
        for (const auto &u : usage)
            damaged += u.second.state() != ntfs_data_intact;
    }
    state.counters["deleted_files"] = double(deleted.size());
    state.counters["not_intact"] = double(damaged);
}

void external_tool(benchmark::State &state, std::vector<std::string> args)
{
    const char *image = bench_image();
    if (!image) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set");
        return;
    }
    args.push_back(image);
    long peak = 0;
    for (auto _ : state) {
        peak = run_tool(args);
        if (peak < 0) {
            state.SkipWithError("tool failed or is not installed");
            return;
        }
    }
    state.counters["peak_rss_kib"] = double(peak);
}

void fls_rd(benchmark::State &state)
{
    external_tool(state, {"fls", "-r", "-d"});
}
void ntfsundelete_s(benchmark::State &state)
{
    external_tool(state, {"ntfsundelete", "-s", "-f"});
}
// The command line's listing, as a user runs it: start-up, the scan, the
// folder tree and a text line per deleted file with its dates.
void cli_scan(benchmark::State &state)
{
    external_tool(state, {TARN_CLI, "scan"});
}

// The listing and ntfsundelete -s by turns on the same image, page cache
// warm, so that both meet the same load on the machine: each one's fastest
// and middle run, and ours over theirs (below 1: ours is faster).
void cli_scan_vs_ntfsundelete(benchmark::State &state)
{
    const char *image = bench_image();
    if (!image) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set");
        return;
    }
    const std::vector<std::string> ours = {TARN_CLI, "scan", image};
    const std::vector<std::string> peer = {"ntfsundelete", "-s", "-f", image};
    if (timed_run(ours) < 0 || timed_run(peer) < 0) {
        state.SkipWithError("a tool failed or is not installed");
        return;
    }
    std::vector<double> ours_ms, peer_ms;
    for (auto _ : state) {
        peer_ms.push_back(timed_run(peer));
        ours_ms.push_back(timed_run(ours));
        if (peer_ms.back() < 0 || ours_ms.back() < 0) {
            state.SkipWithError(peer_ms.back() < 0 ? "ntfsundelete failed" : "the listing failed");
            return;
        }
    }
    const double ours_min = *std::min_element(ours_ms.begin(), ours_ms.end());
    const double peer_min = *std::min_element(peer_ms.begin(), peer_ms.end());
    state.counters["ours_min_ms"] = ours_min;
    state.counters["ntfsundelete_min_ms"] = peer_min;
    state.counters["ours_median_ms"] = median(ours_ms);
    state.counters["ntfsundelete_median_ms"] = median(peer_ms);
    state.counters["ratio_min"] = ours_min / peer_min;
    state.counters["ratio_median"] = median(ours_ms) / median(peer_ms);
}

} // namespace

BENCHMARK(libntfs_scan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(libntfs_states)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(fls_rd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ntfsundelete_s)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(cli_scan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(cli_scan_vs_ntfsundelete)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK_MAIN();
