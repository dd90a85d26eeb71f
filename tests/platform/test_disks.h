// Disk images built with sfdisk, mkfs.fat and mkntfs in the scratch folder,
// once per process.
#pragma once

#include <string>

// 32 MiB MBR disk: partition 1 FAT16 "TARN16" at sector 2048, extended
// partition 2, logical 5 FAT32 "TARN32" at 20480, logical 6 NTFS "TARNNTFS"
// at 43008. Its name holds ':' and '%'. Empty when a tool failed.
std::string make_mbr_disk();

// 48 MiB GPT disk: slot 1 empty, slot 2 FAT32 "GPTFAT" at sector 4096.
std::string make_gpt_disk();
