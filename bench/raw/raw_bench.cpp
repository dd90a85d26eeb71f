// The deep scan of a large image side by side with a plain sequential read
// of the same image and with two carving tools from Debian (photorec from
// testdisk, and foremost) run unattended on it. Throughput is bytes of image
// per second; recall is the share of planted files that come back byte-exact.
// The command line's "recover --deep --all" (scan, then restore of every
// find) runs the same way, as the peer of photorec's full run, which also
// scans and writes. After the runs a table gives, per type, the planted files
// each tool brought back exactly, then its outputs that are no planted file
// (false finds) and those more than twice the size of the file they start
// with, and how many times faster than photorec each of our runs was.
// Besides the whole files, JPEG, PNG and ZIP files cut in two with filler
// between the pieces are planted, counted as the types jpg/2, png/2 and zip/2
// (half of the ZIPs with their CRC and sizes after the data, as streaming
// writers make them).
//
// TARN_BENCH_IMAGE_MB sets the image size (default 256); TARN_BENCH_DIR the
// folder for the image and the outputs (default the temporary folder): on a
// file system without a journal, ext4 passes over the inodes freed in the
// last minutes when it makes files, so runs soon after a large delete there
// time the file system more than the tools (tmpfs, /dev/shm, has no such cost).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "file_bytes.h"
#include "libsc.h"
#include "platform/block_device.h"
#include "raw/join_samples.h"
#include "sc_join.h"

namespace fs = std::filesystem;

namespace {

struct planted_s {
    size_t sample;
    uint64_t offset;
};

struct bench_image_s {
    fs::path dir;
    fs::path image;
    uint64_t size = 0;
    std::vector<std::string> samples; // contents
    std::vector<std::string> types;   // extension of each sample
    std::vector<planted_s> planted;
};

// What one tool brought back.
struct tally_s {
    std::map<std::string, size_t> exact; // by type
    size_t outputs = 0;
    size_t false_finds = 0; // outputs that are no planted file nor start with one
    size_t oversized = 0;   // outputs over twice the planted file they start with
};
std::map<std::string, tally_s> tallies;
std::map<std::string, double> seconds; // one run of each tool

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Real files of every type, planted at sector starts between stretches of
// noise until the image has the size asked for.
const bench_image_s &bench_image()
{
    static bench_image_s b = [] {
        bench_image_s img;
        const char *where = getenv("TARN_BENCH_DIR");
        img.dir = (where ? fs::path(where) : fs::temp_directory_path()) / ("raw_bench_" + std::to_string(getpid()));
        fs::create_directories(img.dir / "samples");
        std::string cmd =
            "python3 '" TARN_SOURCE_DIR "/tests/raw/make_samples.py' '" + (img.dir / "samples").string() + "'";
        if (system(cmd.c_str()) != 0)
            return img;
        std::ifstream manifest(img.dir / "samples" / "manifest.txt");
        std::string name, ext;
        while (manifest >> name >> ext) {
            img.samples.push_back(read_all(img.dir / "samples" / name));
            img.types.push_back(ext);
        }
        const char *mb = getenv("TARN_BENCH_IMAGE_MB");
        const uint64_t want = uint64_t(mb ? atoi(mb) : 256) << 20;
        img.image = img.dir / "bench.img";
        std::ofstream out(img.image, std::ios::binary);
        std::mt19937_64 rng(42);
        std::vector<uint64_t> noise(64 * 64);
        uint64_t at = 0;
        for (size_t i = 0; at < want; i = (i + 1) % img.samples.size()) {
            size_t gap = 512 * (1 + rng() % 64);
            for (auto &w : noise)
                w = rng();
            out.write(reinterpret_cast<const char *>(noise.data()), static_cast<std::streamsize>(gap));
            at += gap;
            const std::string &s = img.samples[i];
            img.planted.push_back({i, at});
            out.write(s.data(), static_cast<std::streamsize>(s.size()));
            std::string slack((512 - s.size() % 512) % 512, '\0');
            out.write(slack.data(), static_cast<std::streamsize>(slack.size()));
            at += s.size() + slack.size();
        }
        // Files in two pieces: the seam at a sector inside the file, up to
        // 1 MiB of filler before the second piece. The filler is random words
        // each written eight times, shifted a bit further each time, so it
        // holds long runs without a JPEG marker: a hard gap to search.
        for (int k = 0; k < 6; ++k) {
            const std::pair<std::string, std::string> cut[] = {{"jpg/2", make_test_jpeg(320 + 64 * k, 240 + 32 * k)},
                                                               {"png/2",
                                                                make_test_png(160 + 40 * k, 120 + 24 * k, 8192)},
                                                               {"zip/2", make_test_zip(100 + k, k % 2 == 1)}};
            for (const auto &[type, file] : cut) {
                img.samples.push_back(file);
                img.types.push_back(type);
                // A JPEG's headers fill its first two sectors.
                const uint64_t first = type == "jpg/2" ? 2 : 1, sectors = file.size() / 512;
                const uint64_t seam = 512 * (first + rng() % (sectors - first));
                const uint64_t gap = 512 * (1 + rng() % 2048);
                std::string bytes = file.substr(0, seam);
                for (uint64_t n = 0; n < gap; n += 8)
                    for (int b = 0, w = static_cast<int>(rng()); b < 8; ++b)
                        bytes += static_cast<char>(w >> b);
                bytes += file.substr(seam);
                bytes.resize((bytes.size() + 511) / 512 * 512, '\0');
                img.planted.push_back({img.samples.size() - 1, at});
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                at += bytes.size();
            }
        }
        img.size = at;
        return img;
    }();
    return b;
}

// The planted sample an output is, else the one it starts with (its first
// sector, or the whole sample when shorter), else npos.
size_t sample_at_start(const bench_image_s &img, const std::string &data)
{
    for (size_t i = 0; i < img.samples.size(); ++i)
        if (img.samples[i] == data)
            return i;
    for (size_t i = 0; i < img.samples.size(); ++i) {
        const std::string &s = img.samples[i];
        size_t n = std::min<size_t>(s.size(), 512);
        if (data.size() >= n && data.compare(0, n, s, 0, n) == 0)
            return i;
    }
    return std::string::npos;
}

// Counts one output against the planted files; exact outputs are counted at
// most as often as their sample was planted. Returns whether it was exact.
bool tally_output(const bench_image_s &img, tally_s &t, std::map<size_t, size_t> &back, const std::string &data)
{
    ++t.outputs;
    size_t i = sample_at_start(img, data);
    if (i == std::string::npos) {
        ++t.false_finds;
        return false;
    }
    if (data.size() > 2 * img.samples[i].size())
        ++t.oversized;
    size_t planted = 0;
    for (const planted_s &p : img.planted)
        planted += p.sample == i;
    if (data != img.samples[i] || back[i] >= planted)
        return false;
    ++back[i];
    ++t.exact[img.types[i]];
    return true;
}

// Output files byte-equal to a planted file, each planted copy counted once.
double recall_of_folder(const bench_image_s &img, const fs::path &folder, tally_s &t)
{
    std::map<size_t, size_t> back;
    size_t exact = 0;
    if (!fs::exists(folder))
        return 0;
    for (const auto &e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().filename() != "report.xml" && e.path().filename() != "audit.txt")
            exact += tally_output(img, t, back, read_all(e.path()));
    return static_cast<double>(exact) / static_cast<double>(img.planted.size());
}

void report(benchmark::State &state, const bench_image_s &img, double recall)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * img.size));
    state.counters["recall"] = recall;
    state.counters["files"] = static_cast<double>(img.planted.size());
}

void BM_plain_read(benchmark::State &state)
{
    const bench_image_s &img = bench_image();
    auto dev = open_block_device(img.image.string(), open_mode_e::read);
    if (!dev) {
        state.SkipWithError("no image");
        return;
    }
    std::vector<uint8_t> buffer(4 << 20);
    for (auto _ : state)
        for (uint64_t at = 0; at < img.size; at += buffer.size())
            benchmark::DoNotOptimize(dev->read_at(at, buffer.data(), buffer.size()));
    report(state, img, 0);
}

struct finds_s {
    raw_scan_control_s *control = nullptr;
    std::vector<std::pair<uint64_t, uint64_t>> list;
    std::vector<sc_join_candidate_s> ends;
};

void on_found(void *user, const char *, uint64_t offset, uint64_t length)
{
    auto *finds = static_cast<finds_s *>(user);
    finds->list.emplace_back(offset, length);
    finds->ends.push_back({offset, (finds->control->find_flags & SC_FIND_ENDED) != 0});
}

void BM_deep_scan(benchmark::State &state)
{
    const bench_image_s &img = bench_image();
    finds_s finds;
    const auto start = std::chrono::steady_clock::now();
    std::vector<sc_joined_s> joined;
    std::vector<size_t> inside;
    std::chrono::duration<double> join_time{0};
    for (auto _ : state) {
        finds.list.clear();
        finds.ends.clear();
        raw_scan_control_s control{};
        finds.control = &control;
        control.user = &finds;
        control.found = on_found;
        sc_scan(&control, img.image.string().c_str());
        // The engine's pass after the scan, timed with it.
        const auto join_start = std::chrono::steady_clock::now();
        auto dev = open_block_device(img.image.string(), open_mode_e::read);
        joined = sc_join_finds(*dev, finds.ends, &inside, [] { return false; });
        join_time += std::chrono::steady_clock::now() - join_start;
    }
    seconds["deep scan"] = seconds_since(start) / static_cast<double>(state.iterations());
    // Each find is what a restore would write: its bytes (its pieces, when
    // joined) read back from the image; bits of second pieces are dropped.
    std::map<size_t, std::vector<sc_piece_s>> pieces;
    for (const sc_joined_s &j : joined)
        pieces[j.find] = j.pieces;
    tally_s &t = tallies["deep scan"] = tally_s{};
    std::map<size_t, size_t> back;
    size_t exact = 0;
    std::ifstream in(img.image, std::ios::binary);
    for (size_t i = 0; i < finds.list.size(); ++i) {
        if (std::find(inside.begin(), inside.end(), i) != inside.end())
            continue;
        std::vector<sc_piece_s> stretches{{finds.list[i].first, finds.list[i].second}};
        if (pieces.count(i))
            stretches = pieces[i];
        std::string data;
        for (const sc_piece_s &p : stretches) {
            std::string part(static_cast<size_t>(p.length), '\0');
            in.seekg(static_cast<std::streamoff>(p.offset));
            in.read(part.data(), static_cast<std::streamsize>(p.length));
            data += part;
        }
        exact += tally_output(img, t, back, data);
    }
    state.counters["joined"] = static_cast<double>(joined.size());
    state.counters["join_s"] = join_time.count() / static_cast<double>(state.iterations());
    report(state, img, static_cast<double>(exact) / static_cast<double>(img.planted.size()));
}

void run_tool(benchmark::State &state, const char *tool, const std::string &command_of_out)
{
    const bench_image_s &img = bench_image();
    const fs::path work = img.dir / tool;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(work);
        fs::create_directories(work);
        sync(); // no tool pays for writing back what ran before it (the image, other outputs)
        state.ResumeTiming();
        std::string cmd = "cd '" + work.string() + "' && " + command_of_out + " >/dev/null 2>&1";
        const auto start = std::chrono::steady_clock::now();
        if (system(cmd.c_str()) != 0) {
            state.SkipWithError((std::string(tool) + " failed or is not installed").c_str());
            return;
        }
        seconds[tool] = seconds_since(start);
    }
    report(state, img, recall_of_folder(img, work / "out", tallies[tool] = tally_s{}));
}

void BM_photorec(benchmark::State &state)
{
    // Unattended: no partition table, every file type, then search.
    run_tool(state, "photorec",
             "mkdir -p out && photorec /log /d out/f /cmd '" + bench_image().image.string() +
                 "' partition_none,fileopt,everything,enable,search");
}

void BM_foremost(benchmark::State &state)
{
    // Quick mode looks at sector starts only, as the deep scan does.
    run_tool(state, "foremost", "foremost -q -t all -i '" + bench_image().image.string() + "' -o out");
}

void BM_recover_all(benchmark::State &state)
{
    // Flat: every find straight into the folder, as photorec writes them.
    run_tool(state, "recover-all",
             "mkdir -p out && '" TARN_CLI "' recover '" + bench_image().image.string() +
                 "' --deep --all --flat --out out");
}

} // namespace

BENCHMARK(BM_plain_read)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_deep_scan)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_photorec)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_foremost)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_recover_all)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Planted and exact per type, one column per tool that ran.
void print_table()
{
    const bench_image_s &img = bench_image();
    if (tallies.empty())
        return;
    std::map<std::string, size_t> planted;
    for (const planted_s &p : img.planted)
        ++planted[img.types[p.sample]];
    printf("\n%-8s %8s", "type", "planted");
    for (const auto &[tool, t] : tallies)
        printf(" %12s", tool.c_str());
    printf("\n");
    for (const auto &[type, n] : planted) {
        printf("%-8s %8zu", type.c_str(), n);
        for (const auto &[tool, t] : tallies) {
            auto it = t.exact.find(type);
            printf(" %12zu", it == t.exact.end() ? 0 : it->second);
        }
        printf("\n");
    }
    const char *rows[] = {"outputs", "false", "over 2x"};
    for (int r = 0; r < 3; ++r) {
        printf("%-17s", rows[r]);
        for (const auto &[tool, t] : tallies)
            printf(" %12zu", r == 0 ? t.outputs : r == 1 ? t.false_finds : t.oversized);
        printf("\n");
    }
    auto peer = seconds.find("photorec");
    if (peer == seconds.end())
        return;
    for (const char *ours : {"deep scan", "recover-all"})
        if (seconds.count(ours) && seconds[ours] > 0)
            printf("%s: %.2f s, %.1fx photorec's %.2f s\n", ours, seconds[ours], peer->second / seconds[ours],
                   peer->second);
}

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_table();
    std::error_code ec;
    fs::remove_all(bench_image().dir, ec);
    return 0;
}
