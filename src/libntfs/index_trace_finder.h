// Searches directories' index slack on a thread of its own while the MFT
// walk goes on: the walk hands each directory over as it meets it, and takes
// the traces back in the same order once it is over. The thread runs only
// on a core the walk and its reader leave free, and only while the device
// reads fast: on a spinning or failing disk its reads would pull the head
// away from the $MFT at every directory. Whatever it has not begun, the
// walk's own thread searches when it gets there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "index_traces.h"
#include "ntfs_volume.h"

class index_trace_finder_c {
public:
    // described is asked on either thread (see find_index_traces); once
    // *slow_reads is set, the thread begins no more directories.
    index_trace_finder_c(ntfs_volume_c &volume, trace_described_f described, const std::atomic<bool> &slow_reads);
    // Stops the thread, cutting short the directory in hand.
    ~index_trace_finder_c();
    index_trace_finder_c(const index_trace_finder_c &) = delete;
    index_trace_finder_c &operator=(const index_trace_finder_c &) = delete;

    // A directory record number to search.
    void add(uint64_t directory);
    size_t count() const { return directories_.size(); }
    uint64_t directory(size_t n) const { return directories_[n]; }
    // The traces of the n-th directory added, searched here when the thread
    // has not finished it. In order of n, once no more are added.
    std::vector<index_trace_s> take(size_t n);
    // Ends the thread, cutting short the directory in hand (its result is
    // never read then): with its low priority it must not be waited for.
    void stop();

private:
    void run();
    std::vector<index_trace_s> search(uint64_t directory) const;

    ntfs_volume_c &volume_;
    trace_described_f described_;
    const std::atomic<bool> &slow_reads_;
    // Appended by the walk only; read by the thread under the lock.
    std::vector<uint64_t> directories_;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t claimed_ = 0;                            // directories begun, by either thread
    std::vector<std::vector<index_trace_s>> found_; // per directory, once searched
    std::vector<bool> done_;
    bool quitting_ = false;
    std::atomic<bool> cancel_{false}; // the thread's search, told to end
    std::thread thread_;
};
