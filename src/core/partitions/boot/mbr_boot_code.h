// The loader in the first 440 bytes of a repaired sector 0, assembled from
// mbr_boot.asm at build time.
#pragma once

#include <cstdint>

extern const uint8_t mbr_boot_code[440];
