// Shared public images and scratch files for the platform and CLI tests.
#pragma once

#include <string>

// Folder of the public images (TARN_SHARED_IMAGES, tests/data/public in the
// repository); empty when unset.
std::string shared_images_dir();

// Path of a public image, asked for by its upstream name and unpacked (gzip,
// xz or tar) into this process's scratch folder on first use. Empty when the
// image is not there.
std::string unpack_shared_image(const std::string &relative_path);

// This process's scratch folder, removed when the process ends.
std::string scratch_dir();

// Runs a shell command; returns its standard output, and its exit status in
// *status when given.
std::string run_command(const std::string &command, int *status = nullptr);

// Quotes a word for the shell.
std::string shell_quote(const std::string &word);
