#include "recovery_base.h"

void recovery_base_c::set_volume(const volume_item_s &volume, std::shared_ptr<block_device_c> device)
{
    std::lock_guard<std::mutex> hold(device_lock_);
    volume_ = volume;
    device_ = std::move(device);
    open_device_ = nullptr;
}

void recovery_base_c::set_lazy_volume(const volume_item_s &volume, device_opener_fn open)
{
    std::lock_guard<std::mutex> hold(device_lock_);
    volume_ = volume;
    device_.reset();
    open_device_ = std::move(open);
}

std::shared_ptr<block_device_c> recovery_base_c::device()
{
    std::lock_guard<std::mutex> hold(device_lock_);
    if (!device_ && open_device_)
        device_ = open_device_();
    return device_;
}
