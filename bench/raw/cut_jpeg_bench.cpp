// The deep scan with its join pass over small JPEGs (all with the same
// tables), once as whole files one after another and once each cut in two,
// for 500 and for 2,000 files. The cut files lie in groups of 250: the first
// pieces of the group, then their second pieces, so that up to 249 other
// pieces (same tables, decoding cleanly) lie between a file's two. The join
// search is bounded in total, so the cut image scans in time linear in its
// size: the time per file stays as the files grow fourfold.
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
#include "join/sc_jpeg_entropy.h"
#include "sc_join.h"

namespace fs = std::filesystem;

namespace {

std::string padded(std::string s)
{
    s.resize((s.size() + 511) / 512 * 512, '\0');
    return s;
}

const size_t group = 250;

struct images_s {
    fs::path whole, cut;
};

const fs::path dir = fs::temp_directory_path() / ("cut_jpeg_bench_" + std::to_string(getpid()));

const images_s &images(int files)
{
    static std::map<int, images_s> made;
    if (made.count(files))
        return made[files];
    images_s &m = made[files];
    {
        fs::create_directories(dir);
        m.whole = dir / ("whole_" + std::to_string(files) + ".img");
        m.cut = dir / ("cut_" + std::to_string(files) + ".img");
        std::vector<std::string> jpegs;
        // Sizes repeat only after 41 * 53 files: no two files are the same.
        for (int i = 0; i < files; ++i)
            jpegs.push_back(make_test_jpeg(64 + 8 * (i % 41), 48 + 8 * (i % 53)));
        std::ofstream whole(m.whole, std::ios::binary), cut(m.cut, std::ios::binary);
        std::string seconds_of_group;
        for (size_t i = 0; i < jpegs.size(); ++i) {
            const std::string &j = jpegs[i];
            const size_t seam = j.size() / 2 / 512 * 512;
            whole << padded(j);
            cut << j.substr(0, seam);
            seconds_of_group += padded(j.substr(seam));
            if ((i + 1) % group == 0 || i + 1 == jpegs.size()) {
                cut << seconds_of_group;
                seconds_of_group.clear();
            }
        }
    }
    return m;
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

void deep_scan(benchmark::State &state, const std::string &name, const fs::path &image)
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
    const int files = static_cast<int>(state.range(0));
    deep_scan(state, "whole " + std::to_string(files), images(files).whole);
}

void BM_deep_scan_cut_jpegs(benchmark::State &state)
{
    const int files = static_cast<int>(state.range(0));
    deep_scan(state, "cut " + std::to_string(files), images(files).cut);
}

// The entropy decoder alone, over one large image from its first scan to
// its EOI: what every join check and proof is made of.
void BM_entropy_decode(benchmark::State &state)
{
    const std::string jpeg = make_test_jpeg(1024, 1024);
    sc_span_source_c source(reinterpret_cast<const uint8_t *>(jpeg.data()), jpeg.size());
    sc_cursor_c file(source);
    sc_jpeg_layout_s layout;
    if (!sc_jpeg_read_layout(file, layout)) {
        state.SkipWithError("no layout");
        return;
    }
    const auto *data = reinterpret_cast<const uint8_t *>(jpeg.data());
    for (auto _ : state) {
        sc_jpeg_decoder_c decoder(layout, data, jpeg.size(), 0);
        sc_jpeg_state_s s;
        s.pos = layout.scan;
        sc_jpeg_step_e step;
        while ((step = decoder.step(s, nullptr)) == sc_jpeg_step_e::mcu) {
        }
        if (step != sc_jpeg_step_e::end)
            state.SkipWithError("did not decode to the end");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (jpeg.size() - layout.scan)));
}

} // namespace

BENCHMARK(BM_entropy_decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_deep_scan_whole_jpegs)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_deep_scan_cut_jpegs)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char *files : {"500", "2000"}) {
        const std::string whole = std::string("whole ") + files, cut = std::string("cut ") + files;
        if (seconds.count(whole) && seconds.count(cut))
            printf("%s files cut: %.3f s, %.1fx the whole files' %.3f s\n", files, seconds[cut],
                   seconds[cut] / seconds[whole], seconds[whole]);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
