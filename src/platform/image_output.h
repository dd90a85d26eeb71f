// Where an imaging run writes: an image file (made when missing, never cut
// short, so that an interrupted run goes on into it) or a whole disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class image_output_c {
public:
    virtual ~image_output_c() = default;
    // Writes len bytes at offset; false on any failure (errno says why).
    virtual bool write_at(uint64_t offset, const void *buffer, size_t len) = 0;
    // Makes every write so far durable, so that a map saved after it never
    // claims bytes a crash could lose.
    virtual bool flush() = 0;
};

// Opens path to take size bytes. A regular file is made when missing and
// grown (sparse) to size; a block device must hold size bytes. Null with the
// reason in *error.
std::unique_ptr<image_output_c> open_image_output(const std::string &path, uint64_t size, std::string *error);

// Why writing destination would harm source, or empty when it would not:
// the same file or disk, a disk holding the source, a partition of it, or a
// file on a file system that lies on the source disk.
std::string destination_conflict(const std::string &source, const std::string &destination);

// Replaces path with text through a temporary file beside it and a rename,
// so that a crash leaves the old text or the new, never half of it.
bool replace_file_text(const std::string &path, const std::string &text, std::string *error);
