// The lost-partition search beside testdisk's analyse and search on the same
// disk images, in the same run.
//
// Images: "lost" holds two NTFS and two FAT32 partitions (117 MiB); "layout" is 1 GiB partitioned as people do (a primary FAT32, an
// extended partition with NTFS, FAT16, ext4 and exFAT logicals, a primary
// swap) with its table and EBRs zeroed; "blank" is 1 GiB with nothing on it.
// The rows counter is how many partitions each found.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "core/partitions/partition_search.h"
#include "platform/block_device.h"
#include "platform/region_file_system.h"

namespace {

const char *const names[] = {"lost.img", "layout.img", "blank.img"};

struct bench_images_s {
    std::string dir;
    bool ok = false;
    bench_images_s()
    {
        const char *tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarn-partitions-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        dir = pattern;
        const std::string tests = std::string(TARN_SOURCE_DIR) + "/tests/partitions/";
        std::string make = "PATH=\"$PATH:/usr/sbin:/sbin\" bash '" + tests + "make_lost_partitions.sh' '" + path(0) +
            "' >/dev/null && bash '" + tests + "make_layout_disk.sh' '" + path(1) + "' mbr 1024 >/dev/null && truncate -s 1G '" +
            path(2) + "'";
        ok = std::system(make.c_str()) == 0;
    }
    ~bench_images_s() { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string path(int which) const { return dir + "/" + names[which]; }
};

bench_images_s &images()
{
    static bench_images_s made;
    return made;
}

void BM_partition_search(benchmark::State &state)
{
    if (!images().ok)
        return state.SkipWithError("cannot build the images (mkntfs, mkfs.fat, mkfs.ext4, mkfs.exfat, sfdisk)");
    const std::string path = images().path(static_cast<int>(state.range(0)));
    size_t rows = 0;
    for (auto _ : state) {
        auto disk = open_block_device(path, open_mode_e::read_unbuffered);
        region_prober_c prober(path);
        partition_search_hooks_s hooks;
        hooks.found = [&](const partition_item_s &) { ++rows; };
        hooks.probe_other = system_probe_other(prober);
        search_partitions(*disk, disk->size(), hooks);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
    state.SetLabel(names[state.range(0)]);
}

// Partitions in testdisk's log: the row before each description line, once
// (it lists its finds again as it goes), less the finds it made again from a
// backup copy.
size_t testdisk_rows(const std::string &log)
{
    std::ifstream in(log);
    std::set<std::string> rows;
    std::string previous;
    for (std::string line; std::getline(in, line); previous = line) {
        const bool described = line.find("blocksize=") != std::string::npos || line.find("SWAP2") != std::string::npos;
        const bool again = line.find("backup sector") != std::string::npos || line.find("Backup_SB") != std::string::npos;
        if (described && !again)
            rows.insert(previous);
    }
    return rows.size();
}

void BM_testdisk_search(benchmark::State &state)
{
    if (!images().ok)
        return state.SkipWithError("cannot build the images");
    if (std::system("command -v testdisk >/dev/null 2>&1") != 0)
        return state.SkipWithError("testdisk is not installed");
    const std::string path = images().path(static_cast<int>(state.range(0)));
    const std::string log = images().dir + "/testdisk.log";
    const std::string run = "cd '" + images().dir + "' && rm -f testdisk.log && testdisk /log /cmd '" + path +
        "' partition_i386,analyze,search </dev/null >/dev/null 2>&1";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(run.c_str()));
    state.counters["rows"] = static_cast<double>(testdisk_rows(log));
    state.SetLabel(names[state.range(0)]);
}

} // namespace

BENCHMARK(BM_partition_search)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_testdisk_search)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
