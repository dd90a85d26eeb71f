// Opens what sc_scan and sc_open are given: a volume name path without its
// trailing separator, a device node or an image file.
#pragma once

#include <memory>
#include <string>

#include "platform/block_device.h"

std::unique_ptr<block_device_c> sc_open_device(const std::string &path);
