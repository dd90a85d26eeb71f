// The deep scan of a sparse image (zeros throughout, made with truncate, so
// no disk space is used), side by side with cat of the same image: blank
// disks and free space should scan at the speed of the page cache. After
// the runs, the scan's time over cat's (the machine may be shared: each side's fastest
// and slowest runs are counters).
//
// TARN_SPARSE_GIB sets the image size (default 8); TARN_BENCH_DIR the folder
// for the image (default the temporary folder).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "libsc.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::vector<double>> run_seconds; // each run, sorted

const fs::path &sparse_image()
{
    static const fs::path path = [] {
        const char *dir = getenv("TARN_BENCH_DIR");
        const char *gib = getenv("TARN_SPARSE_GIB");
        fs::path p = fs::path(dir ? dir : fs::temp_directory_path().string()) / "tarn_sparse_bench.img";
        const std::string command = "truncate -s " + std::string(gib ? gib : "8") + "G '" + p.string() + "' && cat '" +
            p.string() + "' >/dev/null";
        return system(command.c_str()) == 0 ? p : fs::path();
    }();
    return path;
}

template <typename Fn> void timed(benchmark::State &state, const char *name, Fn run)
{
    const fs::path &image = sparse_image();
    if (image.empty()) {
        state.SkipWithError("the sparse image could not be made");
        return;
    }
    std::vector<double> &runs = run_seconds[name];
    runs.clear();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!run(image)) {
            state.SkipWithError("the run failed");
            return;
        }
        runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(runs.begin(), runs.end());
    state.counters["fastest_s"] = runs.front();
    state.counters["slowest_s"] = runs.back();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(image)));
}

void sparse_deep_scan(benchmark::State &state)
{
    timed(state, "deep scan", [](const fs::path &image) {
        raw_scan_control_s control{};
        return sc_scan(&control, image.c_str()) == 0;
    });
}

void sparse_cat(benchmark::State &state)
{
    timed(state, "cat",
          [](const fs::path &image) { return system(("cat '" + image.string() + "' >/dev/null").c_str()) == 0; });
}

} // namespace

BENCHMARK(sparse_cat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(sparse_deep_scan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::vector<double> &scan = run_seconds["deep scan"], &cat = run_seconds["cat"];
    if (!scan.empty() && !cat.empty())
        printf("deep scan / cat: %.2f fastest to fastest, %.2f median to median\n", scan.front() / cat.front(),
               scan[scan.size() / 2] / cat[cat.size() / 2]);
    if (!sparse_image().empty())
        fs::remove(sparse_image());
    return 0;
}
