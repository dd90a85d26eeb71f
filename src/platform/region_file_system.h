// What the system's own file-system probers see from a sector of a disk or
// image on, for the file systems the partition search does not check itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class region_prober_c {
public:
    // Opens path for reading; every probe answers empty when it cannot.
    explicit region_prober_c(const std::string &path);
    ~region_prober_c();
    region_prober_c(const region_prober_c &) = delete;
    region_prober_c &operator=(const region_prober_c &) = delete;

    // The file system whose superblock starts offset bytes in, named as
    // system_fs_name names it; empty for none, or for two that contend.
    std::string file_system_at(uint64_t offset);

private:
    struct state_s;
    std::unique_ptr<state_s> state_;
};
