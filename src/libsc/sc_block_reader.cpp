#include "sc_block_reader.h"

#include <algorithm>
#include <cstring>

sc_block_reader_c::sc_block_reader_c(block_device_c &device, size_t block_size, size_t slots)
    : block_size_(block_size),
      reader_(
          block_size, (device.size() + block_size - 1) / block_size,
          [&device, block_size](uint64_t index, uint8_t *data) -> int64_t {
              const uint64_t offset = index * block_size;
              const size_t want = static_cast<size_t>(std::min<uint64_t>(block_size, device.size() - offset));
              const int64_t got = device.read_at(offset, data, want);
              if (got >= 0)
                  return got; // short when the device ended early
              memset(data, 0, want);
              return static_cast<int64_t>(want);
          },
          slots)
{}

bool sc_block_reader_c::next(block_s &out)
{
    read_ahead_c::block_s block;
    if (!reader_.next(block))
        return false;
    out = {block.data, block.index * block_size_, static_cast<size_t>(block.len)};
    return out.len > 0;
}
