#include "index_trace_finder.h"

index_trace_finder_c::index_trace_finder_c(ntfs_volume_c &volume, trace_described_f described)
    : volume_(volume), described_(std::move(described))
{}

index_trace_finder_c::~index_trace_finder_c()
{
    stop();
}

void index_trace_finder_c::add(uint64_t directory)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (quitting_)
            return;
        directories_.push_back(directory);
    }
    changed_.notify_all();
    // Started with the first directory: most small volumes have none.
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

std::vector<index_trace_s> index_trace_finder_c::take(size_t n)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return found_.size() > n || quitting_; });
    return n < found_.size() ? std::move(found_[n]) : std::vector<index_trace_s>{};
}

void index_trace_finder_c::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void index_trace_finder_c::run()
{
    for (size_t n = 0;; ++n) {
        uint64_t number = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return directories_.size() > n || quitting_; });
            if (quitting_)
                return;
            number = directories_[n];
        }
        std::vector<index_trace_s> traces;
        file_record_s directory;
        if (load_file_record(volume_, number, directory))
            traces = find_index_traces(volume_, directory, described_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            found_.push_back(std::move(traces));
        }
        changed_.notify_all();
    }
}
