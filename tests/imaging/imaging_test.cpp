// Imaging a failing device: the careful passes, the map they keep, going on
// from it, and a read that hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

#include "core/imaging/disk_imager.h"
#include "core/imaging/imaging_job.h"
#include "imaging/failing_device.h"

namespace {

constexpr uint64_t sector = 512;

struct scratch_s {
    std::string folder;
    scratch_s()
    {
        char name[] = "/tmp/imaging-test-XXXXXX";
        folder = mkdtemp(name);
    }
    ~scratch_s() { (void)system(("rm -rf '" + folder + "'").c_str()); }
    std::string path(const std::string &name) const { return folder + "/" + name; }
};

std::shared_ptr<failing_device_c> failing_disk(uint64_t bytes, std::set<uint64_t> bad)
{
    std::vector<uint8_t> data(bytes);
    std::mt19937 rng(3);
    for (uint8_t &b : data)
        b = static_cast<uint8_t>(rng());
    auto disk = std::make_shared<failing_device_c>(std::move(data));
    disk->bad_sectors = std::move(bad);
    return disk;
}

std::string file_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

disk_imager_c imager_for(std::shared_ptr<failing_device_c> disk, const scratch_s &dir, rescue_map_c map,
                         imaging_options_s options = {})
{
    return disk_imager_c(disk, open_image_output(dir.path("copy.img"), disk->size(), nullptr), std::move(map),
                         dir.path("copy.map"), options);
}

// Every bad sector is marked bad, nothing else is, and every good byte is in
// the image; the map is saved finished and reads back the same.
void expect_finished_copy(failing_device_c &disk, const scratch_s &dir)
{
    rescue_map_c map;
    std::string why;
    ASSERT_TRUE(read_map_file(dir.path("copy.map"), map, &why)) << why;
    EXPECT_EQ(map.phase, imaging_phase_e::finished);
    std::set<uint64_t> marked;
    for (const map_area_s &a : map.areas()) {
        EXPECT_TRUE(a.status == area_status_e::rescued || a.status == area_status_e::bad);
        if (a.status == area_status_e::bad)
            for (uint64_t s = a.pos / sector; s < a.end() / sector; ++s)
                marked.insert(s);
    }
    EXPECT_EQ(marked, disk.bad_sectors);
    const std::string copy = file_text(dir.path("copy.img"));
    ASSERT_EQ(copy.size(), disk.size());
    for (uint64_t s = 0; s < disk.size() / sector; ++s)
        if (!disk.bad_sectors.count(s)) {
            ASSERT_EQ(0, memcmp(copy.data() + s * sector, disk.bytes().data() + s * sector, sector)) << "sector " << s;
        }
}

} // namespace

TEST(imaging, copies_around_bad_sectors_and_marks_exactly_them)
{
    scratch_s dir;
    // A lone sector, a run across a read boundary, a run at the very end.
    auto disk = failing_disk(4 << 20, {3, 127, 128, 129, 130, 4000, 4001, 8190, 8191});
    disk_imager_c imager = imager_for(disk, dir, rescue_map_c(disk->size()));
    EXPECT_EQ(imager.run(), disk_imager_c::result_e::finished);
    expect_finished_copy(*disk, dir);
    const imaging_progress_s p = imager.progress();
    EXPECT_EQ(p.rescued + p.bad_bytes, disk->size());
    EXPECT_EQ(p.bad_areas, 4u);
    // Large reads did the bulk: far fewer reads than sectors.
    EXPECT_LT(disk->reads.load(), disk->size() / sector / 8);
}

TEST(imaging, a_stopped_run_goes_on_from_its_map_and_retries_bad_sectors)
{
    scratch_s dir;
    auto disk = failing_disk(2 << 20, {100, 101, 2000, 3500});
    disk->delay = std::chrono::milliseconds(2);
    disk->slow_near = 64 * 1024;
    {
        disk_imager_c first = imager_for(disk, dir, rescue_map_c(disk->size()));
        std::thread run([&] { EXPECT_EQ(first.run(), disk_imager_c::result_e::stopped); });
        while (first.progress().rescued < disk->size() / 4)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        first.stop();
        run.join();
    }
    rescue_map_c map;
    ASSERT_TRUE(read_map_file(dir.path("copy.map"), map, nullptr));
    EXPECT_GT(map.bytes_with(area_status_e::rescued), 0u);
    EXPECT_LT(map.bytes_with(area_status_e::rescued), disk->size() - 4 * sector);
    const uint64_t asked_before = disk->bytes_asked;
    const uint64_t left = disk->size() - map.bytes_with(area_status_e::rescued);
    // Sector 2000 reads again by the time the retries come.
    disk->bad_sectors.erase(2000);
    imaging_options_s retrying;
    retrying.retries = 1;
    disk_imager_c second = imager_for(disk, dir, map, retrying);
    EXPECT_EQ(second.run(), disk_imager_c::result_e::finished);
    expect_finished_copy(*disk, dir);
    // Going on read only what was left (some of it more than once), not
    // what the first run had rescued.
    EXPECT_LE(disk->bytes_asked - asked_before, 3 * left);
}

TEST(imaging, a_hung_read_does_not_keep_the_run_from_stopping)
{
    scratch_s dir;
    auto disk = failing_disk(1 << 20, {});
    disk->hold = true;
    imaging_options_s options;
    options.map_interval_ms = 50;
    disk_imager_c imager = imager_for(disk, dir, rescue_map_c(disk->size()), options);
    std::atomic<bool> returned{false};
    std::thread run([&] {
        EXPECT_EQ(imager.run(), disk_imager_c::result_e::stopped);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Still answering while the read hangs: the time since a good read grows.
    EXPECT_GT(imager.progress().since_good_read, 0.2);
    EXPECT_FALSE(returned);
    imager.stop();
    const auto asked = std::chrono::steady_clock::now();
    while (!returned && std::chrono::steady_clock::now() - asked < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(returned);
    run.join();
    rescue_map_c map;
    EXPECT_TRUE(read_map_file(dir.path("copy.map"), map, nullptr));
    disk->hold = false; // lets the held worker finish
}

TEST(imaging, the_map_reads_what_ddrescue_writes_and_refuses_what_is_not_a_map)
{
    const std::string theirs = "# Mapfile. Created by GNU ddrescue version 1.27\n"
                               "# current_pos  current_status  current_pass\n"
                               "0x00020000     *               1\n"
                               "#      pos        size  status\n"
                               "0x00000000  0x00010000  +\n"
                               "0x00010000  0x00000200  -\n"
                               "0x00010200  0x0000FE00  /\n"
                               "0x00030000  0x00010000  ?\n";
    rescue_map_c map;
    std::string why;
    ASSERT_TRUE(rescue_map_c::parse(theirs, map, &why)) << why;
    EXPECT_EQ(map.phase, imaging_phase_e::trimming);
    EXPECT_EQ(map.current_pos, 0x20000u);
    EXPECT_EQ(map.size(), 0x40000u);
    // The gap before the last area is untried, joined to it.
    ASSERT_EQ(map.areas().size(), 4u);
    EXPECT_EQ(map.areas()[3].pos, 0x20000u);
    EXPECT_EQ(map.areas()[3].status, area_status_e::untried);
    rescue_map_c again;
    ASSERT_TRUE(rescue_map_c::parse(map.text({"again"}), again, &why)) << why;
    EXPECT_EQ(again.text({}), map.text({}));
    EXPECT_FALSE(map.fit(0x30000));

    for (const char *bad : {"", "0x0 ?\n0x0 0x10 +\n0x8 0x10 +\n", "0x0 ?\n0x0 0x10 x\n", "0x0 ?\n0x0 0 +\n",
                            "0x0 ?\n0x0 0xFFFFFFFFFFFFFFFF +\n0x1 0xFFFFFFFFFFFFFFFF +\n", "0x0 Q\n", "junk\n"})
        EXPECT_FALSE(rescue_map_c::parse(bad, map, &why)) << bad;
}
