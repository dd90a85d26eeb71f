// A real small volume (testfs1) damaged in memory: the scan goes on past bad
// records and extraction refuses what it cannot do without leaving output.
#include <gtest/gtest.h>

#include <unistd.h>

#include "libntfs/boot_sector.h"
#include "libntfs/mft_record.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/ntfs_scan_internal.h"
#include "ntfs_test_support.h"

namespace {

std::unique_ptr<ntfs_image_s> load_testfs1()
{
    std::string path = unpack_shared_image("rust-ntfs/testfs1");
    if (path.empty())
        return nullptr;
    auto image = std::make_unique<ntfs_image_s>();
    EXPECT_TRUE(load_ntfs_image(path, *image));
    return image;
}

struct scan_s {
    scan_session_s session;
    std::map<uint64_t, ntfs_scan_record> records;
};

std::unique_ptr<scan_s> scan(const std::vector<uint8_t> &bytes)
{
    auto s = std::make_unique<scan_s>();
    s->session.startup_result = ntfs_scan_startup_device(std::make_shared<memory_device_c>(bytes), &s->session.context);
    if (s->session.startup_result == 0)
        s->records = scan_all(s->session.context);
    return s;
}

constexpr uint64_t file_with_12345 = 65, thousand_bytes_file = 66, sparse_file = 67;

} // namespace

TEST(ntfs_damaged_volume, a_torn_record_is_skipped_and_the_scan_goes_on)
{
    auto image = load_testfs1();
    if (!image)
        GTEST_SKIP() << "shared test images not found";
    image->record(file_with_12345)[1022] ^= 0xFF; // second stride's check value
    auto s = scan(image->bytes);
    ASSERT_EQ(s->session.startup_result, 0);
    EXPECT_FALSE(s->records.count(file_with_12345));
    EXPECT_TRUE(s->records.count(thousand_bytes_file));
    EXPECT_TRUE(s->records.count(sparse_file));
    EXPECT_EQ(8 * (int64_t(s->session.context.c1) + s->session.context.c2), s->session.context.total);
}

// A run pointing past the volume fails before any file is made, so a file
// already at the destination stays as it was.
TEST(ntfs_damaged_volume, a_run_outside_the_volume_fails_and_touches_nothing)
{
    auto image = load_testfs1();
    if (!image)
        GTEST_SKIP() << "shared test images not found";
    const auto found = image->find_all(thousand_bytes_file, ntfs_attr_data);
    ASSERT_FALSE(found.empty());
    ASSERT_TRUE(found[0].first.non_resident);
    const size_t offset = found[0].second;
    uint8_t header = image->record(thousand_bytes_file)[offset];
    ASSERT_EQ(header >> 4, 2) << "expects a two-byte cluster offset";
    uint8_t *lcn = image->record(thousand_bytes_file) + offset + 1 + (header & 0x0F);
    lcn[0] = 0xFF, lcn[1] = 0x7F; // cluster 32767 of a 4,096-cluster volume
    auto s = scan(image->bytes);
    ASSERT_EQ(s->session.startup_result, 0);
    std::string out = scratch_dir() + "/outside.bin";
    FILE *f = fopen(out.c_str(), "wb");
    fputs("keep me", f);
    fclose(f);
    EXPECT_EQ(ntfs_recover_file(&s->session.context, thousand_bytes_file, 0, out.c_str(), nullptr), ntfs_error_outside);
    EXPECT_EQ(read_file(out), "keep me");
}

TEST(ntfs_damaged_volume, an_encrypted_stream_is_refused_without_output)
{
    auto image = load_testfs1();
    if (!image)
        GTEST_SKIP() << "shared test images not found";
    const auto found = image->find_all(thousand_bytes_file, ntfs_attr_data);
    ASSERT_FALSE(found.empty());
    const size_t offset = found[0].second;
    // Flags of the $DATA attribute header: find its start by walking back to the type.
    uint8_t *rec = image->record(thousand_bytes_file);
    for (size_t pos = offset; pos-- > 0;) {
        uint32_t type;
        memcpy(&type, rec + pos, 4);
        if (type == ntfs_attr_data && pos % 8 == 0) {
            rec[pos + 13] |= ntfs_attr_flag_encrypted >> 8;
            break;
        }
    }
    auto s = scan(image->bytes);
    std::string out = scratch_dir() + "/encrypted.bin";
    EXPECT_EQ(ntfs_recover_file(&s->session.context, thousand_bytes_file, 0, out.c_str(), nullptr),
              ntfs_error_encrypted);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
}

// A cut-off image: records beyond the end are unreadable, never a crash.
TEST(ntfs_damaged_volume, a_truncated_image_scans_what_is_there)
{
    auto image = load_testfs1();
    if (!image)
        GTEST_SKIP() << "shared test images not found";
    size_t mft_end = image->geometry.mft_lcn * image->geometry.cluster_size + 40 * image->geometry.record_size;
    image->bytes.resize(mft_end);
    auto s = scan(image->bytes);
    ASSERT_EQ(s->session.startup_result, 0);
    EXPECT_TRUE(s->records.count(5));
    EXPECT_FALSE(s->records.count(thousand_bytes_file));
    std::string out = scratch_dir() + "/cut.bin";
    EXPECT_LT(ntfs_recover_file(&s->session.context, 0, 0, out.c_str(), nullptr), 0) << "$MFT data lies past the cut";
    EXPECT_NE(access(out.c_str(), F_OK), 0) << "the partial output is removed";
}

TEST(ntfs_damaged_volume, recover_file_refuses_unknown_records_and_directories)
{
    auto image = load_testfs1();
    if (!image)
        GTEST_SKIP() << "shared test images not found";
    auto s = scan(image->bytes);
    std::string out = scratch_dir() + "/none.bin";
    EXPECT_EQ(ntfs_recover_file(&s->session.context, 5, 0, out.c_str(), nullptr), ntfs_error_no_record);
    EXPECT_EQ(ntfs_recover_file(&s->session.context, 0, 1, out.c_str(), nullptr), ntfs_error_no_record);
    EXPECT_EQ(ntfs_recover_file(&s->session.context, 40, 0, out.c_str(), nullptr), ntfs_error_no_record)
        << "an unused slot";
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    ntfs_scan_context closed{};
    EXPECT_EQ(ntfs_recover_file(&closed, 64, 0, out.c_str(), nullptr), ntfs_error_argument);
}

// A wiped boot sector: the copy in the volume's last sector opens the scan,
// the context says so, and the same records are listed.
TEST(ntfs_damaged_volume, a_wiped_boot_sector_is_read_from_its_backup)
{
    const std::string path = scratch_dir() + "/backup-boot.img";
    int status = -1;
    run_command("truncate -s 4M " + shell_quote(path) + "; mkntfs -F -Q -q " + shell_quote(path) + " >/dev/null 2>&1",
                &status);
    ASSERT_EQ(status, 0) << "mkntfs failed";
    const std::string text = read_file(path);
    std::vector<uint8_t> bytes(text.begin(), text.end());
    auto intact = scan(bytes);
    ASSERT_EQ(intact->session.startup_result, 0);
    EXPECT_EQ(intact->session.context.notes, 0u);

    memset(bytes.data(), 0, 512);
    auto wiped = scan(bytes);
    ASSERT_EQ(wiped->session.startup_result, 0);
    EXPECT_EQ(wiped->session.context.notes, uint32_t{ntfs_note_backup_boot});
    EXPECT_EQ(wiped->records.size(), intact->records.size());
    EXPECT_GT(wiped->records.size(), 10u);

    memset(bytes.data() + bytes.size() - 512, 0, 512);
    EXPECT_EQ(scan(bytes)->session.startup_result, ntfs_error_not_ntfs) << "no copy left";
}
