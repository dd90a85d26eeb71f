// The scanner on public NTFS volumes and $MFT extracts made by others, with
// sleuthkit's icat as the oracle for file contents.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <unistd.h>

#include "libntfs/ntfs_scan_internal.h"
#include "ntfs_test_support.h"

namespace {

struct volume_case_s {
    const char *image;                         // under the shared images; .gz are unpacked
    uint64_t offset;                           // of the volume in the image
    std::vector<std::string> paths;            // expected paths
    std::vector<std::string> slack_paths = {}; // deleted names left only in index slack
};

const std::vector<volume_case_s> &volume_cases()
{
    static const std::vector<volume_case_s> cases = {
        {"dfir_ntfs/ntfs3.raw.gz", 0, {"/test/1.txt", "/test/2.txt", "/test/3.txt"}},
        {"dfir_ntfs/ntfs3_attrlist.raw.gz", 0, {}},
        // The long copy's name is also in slack, but its file still lives.
        {"dfir_ntfs/ntfs_index.raw.gz",
         65536,
         {"/test_dir", "/" + std::string(120, 'A') + " - Copy (11).txt"},
         {"/test_dir/BBBBBBBBBBBBB-del.txt"}},
        {"ntfs-samples/ntfs-lastaccess.raw.gz", 65536, {}},
        {"ntfs-samples/ntfs-ptrn.raw.gz", 65536, {}},
        {"ntfs-samples/ntfs-2m.raw.gz", 65536, {}},
        {"rust-ntfs/testfs1",
         0,
         {"/empty-file", "/file-with-12345", "/1000-bytes-file", "/many_subdirs/1", "/many_subdirs/512"}},
    };
    return cases;
}

struct scanned_volume_s {
    std::string path;
    scan_session_s session;
    std::map<uint64_t, ntfs_scan_record> records;

    // Entries past the last record number: names found only in index slack.
    std::set<std::string> slack_paths() const
    {
        std::set<std::string> paths;
        for (auto it = records.lower_bound(uint64_t(session.context.total / 8)); it != records.end(); ++it)
            paths.insert(path_of(records, it->first));
        return paths;
    }
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

// Each volume sleuthkit can read, scanned, handed to compare beside one of
// sleuthkit's tools.
template <class Compare> void compare_with_sleuthkit(const char *tool, Compare compare)
{
    int status = 0;
    run_command(std::string("command -v ") + tool, &status);
    if (status != 0)
        GTEST_SKIP() << "sleuthkit's " << tool << " is not installed";
    for (const volume_case_s &c : volume_cases()) {
        if (std::string(c.image).find("2m") != std::string::npos)
            continue; // sleuthkit cannot read 2 MiB clusters
        SCOPED_TRACE(c.image);
        auto v = scan_volume(c);
        if (!v)
            GTEST_SKIP() << "shared test images not found";
        compare(c, *v);
    }
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
        EXPECT_EQ(v->slack_paths(), std::set<std::string>(c.slack_paths.begin(), c.slack_paths.end()))
            << "stale copies of live names, or noise, taken for deleted files";
    }
}

// A name that only the index remembers is a deleted file without data: it
// cannot be restored, and trying leaves nothing behind.
TEST(ntfs_shared_images, slack_names_are_deleted_files_that_cannot_be_restored)
{
    auto v = scan_volume(volume_cases()[2]);
    if (!v)
        GTEST_SKIP() << "shared test images not found";
    const uint64_t first_slack_id = uint64_t(v->session.context.total / 8);
    auto it = v->records.lower_bound(first_slack_id);
    ASSERT_NE(it, v->records.end());
    const ntfs_scan_record &r = it->second;
    EXPECT_EQ(r.flags, ntfs_record_flag_file | ntfs_record_flag_deleted);
    EXPECT_EQ(r.parent_id, 39u);
    // The volume was written on 2019-05-10.
    EXPECT_GE(r.first_time, 1557446400);
    EXPECT_LT(r.first_time, 1557446400 + 86400);
    const std::string target = scratch_dir() + "/slack";
    EXPECT_EQ(ntfs_recover_file(&v->session.context, uint32_t(it->first), uint32_t(it->first >> 32), target.c_str(),
                                nullptr),
              ntfs_error_no_record);
    EXPECT_NE(access(target.c_str(), F_OK), 0);
}

// Every name sleuthkit lists as deleted is found, in the same folder.
TEST(ntfs_shared_images, every_deleted_path_fls_lists_is_found)
{
    compare_with_sleuthkit("fls", [](const volume_case_s &c, scanned_volume_s &v) {
        std::set<std::string> paths;
        for (auto &[id, r] : v.records)
            paths.insert(path_of(v.records, id));
        const std::string listing = run_command("fls -r -d -p -o " + std::to_string(c.offset / 512) + " " +
                                                shell_quote(v.path) + " 2>/dev/null");
        std::istringstream lines(listing);
        for (std::string line; std::getline(lines, line);) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos || line.find("$OrphanFiles/") != std::string::npos)
                continue; // slots never given a name
            EXPECT_TRUE(paths.count("/" + line.substr(tab + 1))) << line;
        }
    });
}

// Every live file's unnamed data stream must equal what icat extracts:
// resident data, fragmented runs, sparse runs, the initialized-size tail.
TEST(ntfs_shared_images, live_files_match_icat_byte_for_byte)
{
    compare_with_sleuthkit("icat", [](const volume_case_s &c, scanned_volume_s &v) {
        int status = 0;
        int compared = 0;
        for (auto &[id, r] : v.records) {
            // $BadClus and $Secure keep their data in named streams only.
            if (r.flags != ntfs_record_flag_file || r.size > (8u << 20) || id == 8 || id == 9)
                continue;
            std::string ours = scratch_dir() + "/ours";
            int32_t rc = ntfs_recover_file(&v.session.context, uint32_t(id), uint32_t(id >> 32), ours.c_str(), nullptr);
            std::string theirs = run_command("icat -o " + std::to_string(c.offset / 512) + " " + shell_quote(v.path) +
                                                 " " + std::to_string(id) + " 2>/dev/null",
                                             &status);
            if (status != 0)
                continue;
            ASSERT_EQ(rc, 0) << "record " << id << " " << name_of(r);
            EXPECT_EQ(read_file(ours), theirs) << "record " << id << " " << name_of(r);
            EXPECT_EQ(theirs.size(), r.size) << "record " << id;
            ++compared;
        }
        EXPECT_GT(compared, 0);
    });
}
