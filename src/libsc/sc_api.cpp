// The C entry points.
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "libsc.h"
#include "sc_config.h"
#include "sc_control_access.h"
#include "sc_device.h"
#include "sc_scanner.h"

struct sc_handle_s {
    std::shared_ptr<block_device_c> device;
    uint64_t position = 0;
};

namespace {
std::mutex config_mutex;
std::shared_ptr<const sc_config_s> loaded_config;

// The loaded table, or the built-in one when none was loaded.
std::shared_ptr<const sc_config_s> current_config()
{
    std::lock_guard<std::mutex> lock(config_mutex);
    if (loaded_config)
        return loaded_config;
    return std::shared_ptr<const sc_config_s>(std::shared_ptr<const sc_config_s>(), &builtin_sc_config());
}

bool read_text_file(const char *path, std::string &out)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return false;
    char buffer[8192];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0 && out.size() < (16u << 20))
        out.append(buffer, n);
    fclose(f);
    return true;
}
} // namespace

extern "C" {

int32_t sc_load_config(const char *path)
{
    std::string text;
    std::shared_ptr<sc_config_s> config;
    if (path && read_text_file(path, text)) {
        config = std::make_shared<sc_config_s>(parse_sc_config(text));
        for (const std::string &e : config->errors)
            fprintf(stderr, "%s: %s\n", path, e.c_str());
        if (config->types.empty())
            config.reset();
    }
    // A missing or empty file leaves the built-in table in force, so a scan
    // never finds nothing just because of the working folder.
    std::lock_guard<std::mutex> lock(config_mutex);
    loaded_config = config;
    return config ? static_cast<int32_t>(config->types.size()) : -1;
}

int32_t sc_scan(raw_scan_control_s *control, const char *device_path)
{
    if (!control || !device_path)
        return -1;
    std::unique_ptr<block_device_c> device = sc_open_device(device_path);
    return device ? sc_scan_on(control, *device) : -1;
}

sc_handle_s *sc_open(const char *device_path)
{
    return device_path ? sc_open_on(sc_open_device(device_path)) : nullptr;
}

int32_t sc_seek(sc_handle_s *handle, int64_t offset, int32_t origin)
{
    if (!handle)
        return -1;
    int64_t base = origin == 0 ? 0
        : origin == 1          ? static_cast<int64_t>(handle->position)
        : origin == 2          ? static_cast<int64_t>(handle->device->size())
                               : -1;
    if (base < 0 || (offset < 0 && -offset > base) || (offset > 0 && offset > INT64_MAX - base))
        return -1;
    handle->position = static_cast<uint64_t>(base + offset);
    return 0;
}

int32_t sc_read(sc_handle_s *handle, void *buffer, int32_t size)
{
    if (!handle || !buffer || size < 0)
        return -1;
    int64_t got = handle->device->read_at(handle->position, buffer, static_cast<size_t>(size));
    if (got < 0)
        return -1;
    handle->position += static_cast<uint64_t>(got);
    return static_cast<int32_t>(got);
}

int32_t sc_close(sc_handle_s *handle)
{
    delete handle;
    return 0;
}

} // extern "C"

int32_t sc_scan_on(raw_scan_control_s *control, block_device_c &device, const sc_block_fn &seen)
{
    if (!control)
        return -1;
    std::shared_ptr<const sc_config_s> config = current_config();
    sc_scan_device(*config, device, control, seen);
    if (sc_get_stop(control) == 0)
        sc_set_progress(control, 1.0);
    return 0;
}

sc_handle_s *sc_open_on(std::shared_ptr<block_device_c> device)
{
    return device ? new sc_handle_s{std::move(device), 0} : nullptr;
}
