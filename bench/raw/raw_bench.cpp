// The deep scan of a large image side by side with a plain sequential read
// of the same image and with two carving tools from Debian (photorec from
// testdisk, and foremost) run unattended on it. Throughput is bytes of image
// per second; recall is the share of planted files that come back byte-exact.
//
// TARN_BENCH_IMAGE_MB sets the image size (default 256).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "libsc.h"
#include "platform/block_device.h"

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
    std::vector<std::string> samples;    // contents
    std::vector<planted_s> planted;
};

std::string read_all(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Real files of every type, planted at sector starts between stretches of
// noise until the image has the size asked for.
const bench_image_s &bench_image()
{
    static bench_image_s b = [] {
        bench_image_s img;
        img.dir = fs::temp_directory_path() / ("raw_bench_" + std::to_string(getpid()));
        fs::create_directories(img.dir / "samples");
        std::string cmd = "python3 '" TARN_SOURCE_DIR "/tests/raw/make_samples.py' '" + (img.dir / "samples").string() + "'";
        if (system(cmd.c_str()) != 0)
            return img;
        std::ifstream manifest(img.dir / "samples" / "manifest.txt");
        std::string name, ext;
        while (manifest >> name >> ext)
            img.samples.push_back(read_all(img.dir / "samples" / name));
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
        img.size = at;
        return img;
    }();
    return b;
}

// Output files byte-equal to a planted file, each planted copy counted once.
double recall_of_folder(const bench_image_s &img, const fs::path &folder)
{
    std::map<size_t, size_t> planted_count;
    for (const planted_s &p : img.planted)
        ++planted_count[p.sample];
    std::map<size_t, size_t> back;
    std::map<size_t, std::vector<size_t>> by_size;
    for (size_t i = 0; i < img.samples.size(); ++i)
        by_size[img.samples[i].size()].push_back(i);
    if (!fs::exists(folder))
        return 0;
    for (const auto &e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file())
            continue;
        auto it = by_size.find(static_cast<size_t>(e.file_size()));
        if (it == by_size.end())
            continue;
        const std::string data = read_all(e.path());
        for (size_t i : it->second)
            if (data == img.samples[i] && back[i] < planted_count[i]) {
                ++back[i];
                break;
            }
    }
    size_t total = 0;
    for (const auto &b : back)
        total += b.second;
    return static_cast<double>(total) / static_cast<double>(img.planted.size());
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
    std::vector<std::pair<uint64_t, uint64_t>> list;
};

void on_found(void *user, const char *, uint64_t offset, uint64_t length)
{
    static_cast<finds_s *>(user)->list.emplace_back(offset, length);
}

void BM_deep_scan(benchmark::State &state)
{
    const bench_image_s &img = bench_image();
    finds_s finds;
    for (auto _ : state) {
        finds.list.clear();
        raw_scan_control_s control{};
        control.user = &finds;
        control.found = on_found;
        sc_scan(&control, img.image.string().c_str());
    }
    // A find counts when it has a planted file's offset and length: what is
    // restored from it is then that file, byte for byte.
    std::set<std::pair<uint64_t, uint64_t>> found(finds.list.begin(), finds.list.end());
    size_t exact = 0;
    for (const planted_s &p : img.planted)
        exact += found.count({p.offset, img.samples[p.sample].size()});
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
        state.ResumeTiming();
        std::string cmd = "cd '" + work.string() + "' && " + command_of_out + " >/dev/null 2>&1";
        if (system(cmd.c_str()) != 0) {
            state.SkipWithError((std::string(tool) + " failed or is not installed").c_str());
            return;
        }
    }
    report(state, img, recall_of_folder(img, work / "out"));
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

} // namespace

BENCHMARK(BM_plain_read)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_deep_scan)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_photorec)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_foremost)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(bench_image().dir, ec);
    return 0;
}
