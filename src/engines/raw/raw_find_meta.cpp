#include "raw_find_meta.h"

#include <algorithm>
#include <climits>

#include "engines/raw/names/carved_name.h"
#include "libsc/sc_device.h"

namespace {

// One find's bytes on the device.
class find_bytes_c : public carved_bytes_c {
public:
    find_bytes_c(sc_handle_s *device, const raw_item_s &item) : device_(device), item_(item) {}
    uint64_t limit() const override { return item_.length; }
    size_t read(uint64_t pos, void *out, size_t len) override
    {
        if (pos >= item_.length)
            return 0;
        len = static_cast<size_t>(std::min<uint64_t>({len, item_.length - pos, INT32_MAX}));
        const uint64_t at = item_.offset + pos;
        if (at < item_.offset || at > uint64_t(INT64_MAX) || sc_seek(device_, static_cast<int64_t>(at), 0) < 0)
            return 0;
        size_t done = 0;
        while (done < len) {
            const int32_t got = sc_read(device_, static_cast<char *>(out) + done, static_cast<int32_t>(len - done));
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

private:
    sc_handle_s *device_;
    const raw_item_s &item_;
};

} // namespace

carved_meta_s read_find_meta(sc_handle_s *device, const raw_item_s &item)
{
    const std::string type = item.type_name();
    if (!device || !carved_type_has_meta(type))
        return {};
    find_bytes_c bytes(device, item);
    return read_carved_meta(type, bytes);
}

std::vector<carved_meta_s> read_find_metas(std::shared_ptr<block_device_c> device_of_volume,
                                           const std::vector<raw_item_s> &items)
{
    std::vector<carved_meta_s> metas(items.size());
    sc_handle_s *device = sc_open_on(std::move(device_of_volume));
    if (!device)
        return metas;
    for (size_t i = 0; i < items.size(); ++i)
        metas[i] = read_find_meta(device, items[i]);
    sc_close(device);
    return metas;
}
