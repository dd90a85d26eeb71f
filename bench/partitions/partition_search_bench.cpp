// The lost-partition search beside a plain sequential read of the same disk
// image and beside testdisk's analyse and search on it.
//
// Images: "lost" holds two NTFS and two FAT32 partitions (most of its 110 MiB
// is inside them, which the search skips); "blank" is 256 MiB with no
// partition at all, the search's worst case (every window read).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/partitions/partition_search.h"
#include "platform/block_device.h"

namespace {

struct bench_images_s {
    std::string dir, lost, blank;
    bool ok = false;
    bench_images_s()
    {
        const char *tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarn-partitions-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        dir = pattern;
        lost = dir + "/lost.img";
        blank = dir + "/blank.img";
        std::string script = std::string(TARN_SOURCE_DIR) + "/tests/partitions/make_lost_partitions.sh";
        std::string make = "PATH=\"$PATH:/usr/sbin:/sbin\" bash '" + script + "' '" + lost +
            "' >/dev/null && truncate -s 256M '" + blank + "'";
        ok = std::system(make.c_str()) == 0;
    }
    ~bench_images_s() { std::system(("rm -rf '" + dir + "'").c_str()); }
};

bench_images_s &images()
{
    static bench_images_s made;
    return made;
}

const std::string &image_for(int which)
{
    return which == 0 ? images().lost : images().blank;
}

void label(benchmark::State &state, const std::string &path)
{
    state.SetLabel(path.substr(path.rfind('/') + 1));
}

void BM_partition_search(benchmark::State &state)
{
    if (!images().ok)
        return state.SkipWithError("cannot build the images (mkntfs, mkfs.fat, sfdisk)");
    const std::string &path = image_for(static_cast<int>(state.range(0)));
    size_t rows = 0;
    for (auto _ : state) {
        auto disk = open_block_device(path, open_mode_e::read_unbuffered);
        partition_search_hooks_s hooks;
        hooks.found = [&](const partition_item_s &) { ++rows; };
        search_partitions(*disk, disk->size(), hooks);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
    label(state, path);
}

void BM_sequential_read(benchmark::State &state)
{
    if (!images().ok)
        return state.SkipWithError("cannot build the images");
    const std::string &path = image_for(static_cast<int>(state.range(0)));
    std::vector<char> buffer(search_window_bytes);
    for (auto _ : state) {
        int fd = open(path.c_str(), O_RDONLY);
        uint64_t total = 0;
        ssize_t n;
        while ((n = read(fd, buffer.data(), buffer.size())) > 0)
            total += static_cast<uint64_t>(n);
        close(fd);
        benchmark::DoNotOptimize(total);
    }
    label(state, path);
}

void BM_testdisk_analyse(benchmark::State &state)
{
    if (!images().ok)
        return state.SkipWithError("cannot build the images");
    if (std::system("command -v testdisk >/dev/null 2>&1") != 0)
        return state.SkipWithError("testdisk is not installed");
    const std::string &path = image_for(static_cast<int>(state.range(0)));
    const std::string run = "cd '" + images().dir + "' && testdisk /cmd '" + path +
        "' partition_i386,analyze,search </dev/null >/dev/null 2>&1";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(run.c_str()));
    label(state, path);
}

} // namespace

BENCHMARK(BM_partition_search)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_sequential_read)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_testdisk_analyse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
