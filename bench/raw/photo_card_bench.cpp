// The command line's "recover --deep --all" on a formatted memory card of
// photos and documents (bench/raw/make_photo_card.sh: JPEGs with the
// standard Huffman tables, a quarter of them cut in two around another
// photo and free clusters) side by side with photorec's full run. After the
// runs a table gives, per type, the files written to the card and those
// each tool brought back exactly, and how many times faster than photorec
// our run was.
//
// TARN_BENCH_DIR sets the folder for the card and the outputs (default the
// temporary folder); a card already made there (card.img and files/) is
// used again, since making one takes minutes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "file_bytes.h"

namespace fs = std::filesystem;

namespace {

struct card_s {
    fs::path dir, image, files;
    std::map<std::string, std::string> written; // contents -> type
    std::map<std::string, size_t> per_type;
};

std::map<std::string, std::map<std::string, size_t>> exact; // tool -> type -> files
std::map<std::string, double> seconds;

const card_s &card()
{
    static card_s c = [] {
        card_s card;
        const char *where = getenv("TARN_BENCH_DIR");
        card.dir = (where ? fs::path(where) : fs::temp_directory_path()) / "photo_card";
        card.image = card.dir / "card.img";
        card.files = card.dir / "files";
        if (!fs::exists(card.image)) {
            fs::create_directories(card.dir);
            const std::string cmd = "bash '" TARN_SOURCE_DIR "/bench/raw/make_photo_card.sh' '" +
                card.image.string() + "' '" + card.files.string() + "'";
            if (system(cmd.c_str()) != 0)
                return card;
        }
        for (const auto &e : fs::directory_iterator(card.files)) {
            const std::string type = e.path().extension().string().substr(1);
            card.written.emplace(read_all(e.path()), type);
            ++card.per_type[type];
        }
        return card;
    }();
    return c;
}

// Outputs byte-equal to a file written to the card, each counted once.
void count_exact(const char *tool, const fs::path &out)
{
    const card_s &c = card();
    std::map<std::string, size_t> &counts = exact[tool];
    counts.clear();
    std::map<std::string, bool> seen;
    for (const auto &e : fs::recursive_directory_iterator(out))
        if (e.is_regular_file()) {
            auto it = c.written.find(read_all(e.path()));
            if (it != c.written.end() && !seen[it->first]) {
                seen[it->first] = true;
                ++counts[it->second];
            }
        }
}

void run_tool(benchmark::State &state, const char *tool, const std::string &command)
{
    const card_s &c = card();
    if (c.written.empty()) {
        state.SkipWithError("no card: make_photo_card.sh failed");
        return;
    }
    const fs::path work = c.dir / tool;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(work);
        fs::create_directories(work / "out");
        sync();
        state.ResumeTiming();
        const std::string cmd = "cd '" + work.string() + "' && " + command + " >/dev/null 2>&1";
        const auto start = std::chrono::steady_clock::now();
        if (system(cmd.c_str()) != 0) {
            state.SkipWithError((std::string(tool) + " failed or is not installed").c_str());
            return;
        }
        seconds[tool] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    count_exact(tool, work / "out");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(c.image)));
}

void BM_card_photorec(benchmark::State &state)
{
    run_tool(state, "photorec",
             "photorec /log /d out/f /cmd '" + card().image.string() + "' partition_none,fileopt,everything,enable,search");
}

void BM_card_recover_all(benchmark::State &state)
{
    run_tool(state, "recover-all", "'" TARN_CLI "' recover '" + card().image.string() + "' --deep --all --flat --out out");
}

} // namespace

BENCHMARK(BM_card_photorec)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_card_recover_all)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const card_s &c = card();
    printf("\n%-8s %8s", "type", "written");
    for (const auto &[tool, counts] : exact)
        printf(" %12s", tool.c_str());
    printf("\n");
    for (const auto &[type, n] : c.per_type) {
        printf("%-8s %8zu", type.c_str(), n);
        for (const auto &[tool, counts] : exact) {
            auto it = counts.find(type);
            printf(" %12zu", it == counts.end() ? 0 : it->second);
        }
        printf("\n");
    }
    if (seconds.count("photorec") && seconds.count("recover-all"))
        printf("recover-all: %.2f s, %.1fx photorec's %.2f s\n", seconds["recover-all"],
               seconds["photorec"] / seconds["recover-all"], seconds["photorec"]);
    if (!getenv("TARN_BENCH_DIR")) {
        std::error_code ec;
        fs::remove_all(c.dir, ec);
    }
    return 0;
}
