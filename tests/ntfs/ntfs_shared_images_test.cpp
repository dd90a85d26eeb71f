// The scanner on public NTFS volumes and $MFT extracts made by others, with
// sleuthkit's icat as the oracle for file contents.
#include <gtest/gtest.h>

#include <set>

#include "libntfs/ntfs_scan_internal.h"
#include "ntfs_test_support.h"

namespace {

struct volume_case_s {
    const char *image;      // under the shared images; .gz are unpacked
    uint64_t offset;        // of the volume in the image
    std::vector<std::string> paths;  // expected live paths
};

const std::vector<volume_case_s> &volume_cases()
{
    static const std::vector<volume_case_s> cases = {
        {"dfir_ntfs/ntfs3.raw.gz", 0, {"/test/1.txt", "/test/2.txt", "/test/3.txt"}},
        {"dfir_ntfs/ntfs3_attrlist.raw.gz", 0, {}},
        {"dfir_ntfs/ntfs_index.raw.gz", 65536, {"/test_dir"}},
        {"ntfs-samples/ntfs-lastaccess.raw.gz", 65536, {}},
        {"ntfs-samples/ntfs-ptrn.raw.gz", 65536, {}},
        {"ntfs-samples/ntfs-2m.raw.gz", 65536, {}},
        {"rust-ntfs/testfs1", 0,
         {"/empty-file", "/file-with-12345", "/1000-bytes-file", "/many_subdirs/1", "/many_subdirs/512"}},
    };
    return cases;
}

struct scanned_volume_s {
    std::string path;
    scan_session_s session;
    std::map<uint64_t, ntfs_scan_record> records;
};

std::unique_ptr<scanned_volume_s> scan_volume(const volume_case_s &c)
{
    auto v = std::make_unique<scanned_volume_s>();
    v->path = unpack_shared_image(c.image);
    if (v->path.empty())
        return nullptr;
    v->session.startup_result = ntfs_scan_startup_device(open_image_volume(v->path, c.offset), &v->session.context);
    if (v->session.startup_result == 0)
        v->records = scan_all(v->session.context);
    return v;
}

} // namespace

// A scanner that stops early, loses records behind a fragmented $MFT or
// mis-decodes cluster sizes (2 MiB clusters, 4 KiB records) fails here.
TEST(ntfs_shared_images, every_volume_scans_to_the_end_with_its_names)
{
    for (const volume_case_s &c : volume_cases()) {
        SCOPED_TRACE(c.image);
        auto v = scan_volume(c);
        if (!v)
            GTEST_SKIP() << "shared test images not found";
        ASSERT_EQ(v->session.startup_result, 0);
        const ntfs_scan_context &ctx = v->session.context;
        EXPECT_GT(ctx.total, 0);
        EXPECT_EQ(8 * (int64_t(ctx.c1) + ctx.c2 + 0) + ctx.c3, ctx.total) << "progress must reach 1";
        ASSERT_TRUE(v->records.count(5));
        EXPECT_EQ(v->records[5].flags & ntfs_record_flag_directory, ntfs_record_flag_directory);
        EXPECT_EQ(v->records[5].parent_id, 5u);
        EXPECT_EQ(name_of(v->records[0]), "$MFT");
        std::set<std::string> paths;
        for (auto &[id, r] : v->records)
            paths.insert(path_of(v->records, id));
        for (const std::string &p : c.paths)
            EXPECT_TRUE(paths.count(p)) << p;
    }
}

// Every live file's unnamed data stream must equal what icat extracts:
// resident data, fragmented runs, sparse runs, the initialized-size tail.
TEST(ntfs_shared_images, live_files_match_icat_byte_for_byte)
{
    int status = 0;
    run_command("command -v icat", &status);
    if (status != 0)
        GTEST_SKIP() << "sleuthkit's icat is not installed";
    for (const volume_case_s &c : volume_cases()) {
        if (std::string(c.image).find("2m") != std::string::npos)
            continue;  // sleuthkit cannot read 2 MiB clusters
        SCOPED_TRACE(c.image);
        auto v = scan_volume(c);
        if (!v)
            GTEST_SKIP() << "shared test images not found";
        int compared = 0;
        for (auto &[id, r] : v->records) {
            // $BadClus and $Secure keep their data in named streams only.
            if (r.flags != ntfs_record_flag_file || r.size > (8u << 20) || id == 8 || id == 9)
                continue;
            std::string ours = scratch_dir() + "/ours";
            int32_t rc = ntfs_recover_file(&v->session.context, uint32_t(id), uint32_t(id >> 32), ours.c_str(), nullptr);
            std::string theirs = run_command("icat -o " + std::to_string(c.offset / 512) + " " +
                                                 shell_quote(v->path) + " " + std::to_string(id) + " 2>/dev/null",
                                             &status);
            if (status != 0)
                continue;
            ASSERT_EQ(rc, 0) << "record " << id << " " << name_of(r);
            EXPECT_EQ(read_file(ours), theirs) << "record " << id << " " << name_of(r);
            EXPECT_EQ(theirs.size(), r.size) << "record " << id;
            ++compared;
        }
        EXPECT_GT(compared, 0);
    }
}
