// The deep scan with its join pass over 2,000 small JPEGs (all with the same
// tables), once as whole files one after another and once each cut in two
// with the first piece of the next file between its pieces. The join search
// is bounded in total, so the cut image scans in time linear in its size,
// within a few times the whole one.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "libsc.h"
#include "platform/block_device.h"
#include "raw/join_samples.h"
#include "sc_join.h"

namespace fs = std::filesystem;

namespace {

const int files = 2000;

std::string padded(std::string s)
{
    s.resize((s.size() + 511) / 512 * 512, '\0');
    return s;
}

struct images_s {
    fs::path dir, whole, cut;
};

// Files i and i + 1 overlap: first piece of i, first piece of i + 1,
// second piece of i, and so on.
const images_s &images()
{
    static images_s img = [] {
        images_s m;
        m.dir = fs::temp_directory_path() / ("cut_jpeg_bench_" + std::to_string(getpid()));
        fs::create_directories(m.dir);
        m.whole = m.dir / "whole.img";
        m.cut = m.dir / "cut.img";
        std::vector<std::string> jpegs;
        for (int i = 0; i < files; ++i)
            jpegs.push_back(make_test_jpeg(96 + 16 * (i % 13), 64 + 8 * (i % 11)));
        std::ofstream whole(m.whole, std::ios::binary), cut(m.cut, std::ios::binary);
        std::string pending; // the second piece of the file before
        for (const std::string &j : jpegs) {
            whole << padded(j);
            const size_t seam = j.size() / 2 / 512 * 512;
            cut << padded(j.substr(0, seam)) << pending;
            pending = padded(j.substr(seam));
        }
        cut << pending;
        return m;
    }();
    return img;
}

std::map<std::string, double> seconds;

struct finds_s {
    raw_scan_control_s control{};
    std::vector<sc_join_candidate_s> list;
};

void on_found(void *user, const char *, uint64_t offset, uint64_t)
{
    auto *finds = static_cast<finds_s *>(user);
    finds->list.push_back({offset, (finds->control.find_flags & SC_FIND_ENDED) != 0});
}

void deep_scan(benchmark::State &state, const char *name, const fs::path &image)
{
    size_t joined_count = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        finds_s finds;
        finds.control.user = &finds;
        finds.control.found = on_found;
        sc_scan(&finds.control, image.string().c_str());
        auto dev = open_block_device(image.string(), open_mode_e::read);
        std::vector<size_t> inside;
        joined_count = sc_join_finds(*dev, finds.list, &inside, [] { return false; }).size();
    }
    seconds[name] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(state.iterations());
    state.counters["joined"] = static_cast<double>(joined_count);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(image)));
}

void BM_deep_scan_whole_jpegs(benchmark::State &state)
{
    deep_scan(state, "whole", images().whole);
}

void BM_deep_scan_cut_jpegs(benchmark::State &state)
{
    deep_scan(state, "cut", images().cut);
}

} // namespace

BENCHMARK(BM_deep_scan_whole_jpegs)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_deep_scan_cut_jpegs)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (seconds.count("whole") && seconds.count("cut"))
        printf("cut: %.2f s, %.1fx the whole files' %.2f s\n", seconds["cut"], seconds["cut"] / seconds["whole"],
               seconds["whole"]);
    std::error_code ec;
    fs::remove_all(images().dir, ec);
    return 0;
}
