#include "index_trace_finder.h"

#include "platform/thread_priority.h"

index_trace_finder_c::index_trace_finder_c(ntfs_volume_c &volume, trace_described_f described,
                                           const std::atomic<bool> &slow_reads)
    : volume_(volume), described_(std::move(described)), slow_reads_(slow_reads)
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
        found_.emplace_back();
        done_.push_back(false);
    }
    changed_.notify_all();
    // Started with the first directory: most small volumes have none.
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

std::vector<index_trace_s> index_trace_finder_c::search(uint64_t directory) const
{
    file_record_s record;
    if (!load_file_record(volume_, directory, record))
        return {};
    return find_index_traces(volume_, record, described_, &cancel_);
}

std::vector<index_trace_s> index_trace_finder_c::take(size_t n)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (n >= directories_.size())
        return {};
    if (done_[n])
        return std::move(found_[n]);
    // Not searched yet: here, now. The thread may be in the middle of it,
    // but it runs only on a free core and must not be waited for; its copy
    // is the same and is left unread.
    if (claimed_ <= n)
        claimed_ = n + 1;
    const uint64_t number = directories_[n];
    lock.unlock();
    return search(number);
}

void index_trace_finder_c::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
        cancel_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void index_trace_finder_c::run()
{
    run_when_cores_are_free();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return claimed_ < directories_.size() || quitting_; });
        if (quitting_ || slow_reads_.load(std::memory_order_relaxed))
            return;
        const size_t mine = claimed_++;
        const uint64_t directory = directories_[mine];
        lock.unlock();
        std::vector<index_trace_s> traces = search(directory);
        lock.lock();
        found_[mine] = std::move(traces);
        done_[mine] = true;
        changed_.notify_all();
    }
}
