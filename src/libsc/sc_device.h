// The devices sc_scan and sc_open read. Callers that opened the volume
// themselves hand the device in; the path calls resolve what they are given
// (a volume name path without its trailing separator, a device node or an
// image file) once and go through the same calls.
#pragma once

#include <memory>
#include <string>

#include "libsc.h"
#include "platform/block_device.h"
#include "sc_scanner.h"

std::unique_ptr<block_device_c> sc_open_device(const std::string &path);

// sc_scan on an opened device: 0 when it was read to its end or the scan was
// stopped. seen is handed every block the scan reads (see sc_scan_device).
int32_t sc_scan_on(raw_scan_control_s *control, block_device_c &device, const sc_block_fn &seen = {});
// sc_open on an opened device; null without one. A handle keeps its own
// position, so handles on one device may read from different threads.
sc_handle_s *sc_open_on(std::shared_ptr<block_device_c> device);
