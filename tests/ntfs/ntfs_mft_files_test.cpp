// The scanner on bare $MFT extracts made by others.
#include <gtest/gtest.h>
#include <unistd.h>

#include "libntfs/ntfs_scan_internal.h"
#include "ntfs_test_support.h"

namespace {

struct mft_scan_s {
    scan_session_s session;
    std::map<uint64_t, ntfs_scan_record> records;
};

std::unique_ptr<mft_scan_s> scan_mft(const std::string &name)
{
    std::string path = unpack_shared_image("dfir_ntfs/" + name);
    if (path.empty())
        return nullptr;
    auto s = std::make_unique<mft_scan_s>();
    s->session.startup_result =
        ntfs_scan_startup_mft_file(open_block_device(path, open_mode_e::read), &s->session.context);
    if (s->session.startup_result == 0)
        s->records = scan_all(s->session.context);
    return s;
}

size_t deleted_count(const std::map<uint64_t, ntfs_scan_record> &records)
{
    size_t n = 0;
    for (auto &[id, r] : records)
        n += (r.flags & ntfs_record_flag_deleted) != 0;
    return n;
}

} // namespace

// The deleted path the extract's makers expect; a scanner that drops records
// not in use, or takes the parent from the wrong $FILE_NAME, misses it.
TEST(ntfs_mft_files, deleted_mft_yields_the_deleted_path)
{
    auto s = scan_mft("deleted.mft");
    if (!s)
        GTEST_SKIP() << "shared test images not found";
    ASSERT_EQ(s->session.startup_result, 0);
    EXPECT_EQ(s->session.context.total, 256 * 8);
    EXPECT_EQ(deleted_count(s->records), 6u);
    bool found = false;
    for (auto &[id, r] : s->records) {
        if (path_of(s->records, id) == "/1/2/3/4/file.txt") {
            found = true;
            EXPECT_EQ(r.flags, ntfs_record_flag_file | ntfs_record_flag_deleted);
        }
    }
    EXPECT_TRUE(found);
}

TEST(ntfs_mft_files, orphan_unicode_and_4k_records_scan_to_the_end)
{
    for (const char *name : {"orphan.mft", "unicode.mft", "4k-large.mft"}) {
        SCOPED_TRACE(name);
        auto s = scan_mft(name);
        if (!s)
            GTEST_SKIP() << "shared test images not found";
        ASSERT_EQ(s->session.startup_result, 0);
        const ntfs_scan_context &ctx = s->session.context;
        EXPECT_EQ(8 * (int64_t(ctx.c1) + ctx.c2), ctx.total);
        EXPECT_TRUE(s->records.count(5));
    }
    auto orphan = scan_mft("orphan.mft");
    EXPECT_EQ(deleted_count(orphan->records), 4u);
    auto large = scan_mft("4k-large.mft");
    EXPECT_EQ(large->session.context.total, 256 * 8) << "4 KiB records";
}

// Non-ASCII names must come through as UTF-16, not truncated to bytes.
TEST(ntfs_mft_files, unicode_names_survive)
{
    auto s = scan_mft("unicode.mft");
    if (!s)
        GTEST_SKIP() << "shared test images not found";
    int non_ascii = 0;
    for (auto &[id, r] : s->records)
        for (int i = 0; i < 260 && r.name[i]; ++i)
            if (r.name[i] > 0x7F) {
                ++non_ascii;
                break;
            }
    EXPECT_GT(non_ascii, 0);
}

// Data that lived in clusters cannot come from an extract: fail, write nothing.
TEST(ntfs_mft_files, recovering_non_resident_data_from_an_extract_fails_cleanly)
{
    auto s = scan_mft("deleted.mft");
    if (!s)
        GTEST_SKIP() << "shared test images not found";
    std::string out = scratch_dir() + "/mft-out";
    EXPECT_LT(ntfs_recover_file(&s->session.context, 0, 0, out.c_str(), nullptr), 0) << "$MFT is non-resident";
    EXPECT_NE(access(out.c_str(), F_OK), 0);
}
