// Readers of what a carved file says about itself, for its name and its
// dates. Each takes the file's bytes, reads a bounded amount of them, and
// returns what it found, empty where the file holds nothing usable (or is
// damaged).
#pragma once

#include <cstdint>
#include <string>

#include "carved_bytes.h"

struct carved_meta_s {
    std::string label;    // UTF-8 text for the name
    int64_t modified = 0; // seconds since 1970-01-01 UTC (see carved_dates.h); 0: not stated
    int64_t created = 0;
};

// EXIF of a JPEG (APP1) or of a TIFF file. Label "2023-12-31 19-01-02 Canon
// EOS 5D": the date taken (else the date written) and the camera, the maker
// left out when the model already starts with it. Modified: the date taken,
// else digitized, else written, at its offset tag.
carved_meta_s exif_meta(carved_bytes_c &file);
// A PDF's document information dictionary: /Title, /ModDate, /CreationDate.
carved_meta_s pdf_meta(carved_bytes_c &file);
// An Office Open XML package's docProps/core.xml: dc:title,
// dcterms:modified, dcterms:created.
carved_meta_s ooxml_meta(carved_bytes_c &file);
// An OLE2 compound file's SummaryInformation: title, last saved, created.
carved_meta_s ole2_meta(carved_bytes_c &file);
// An MP3's title: the ID3v2 TIT2 frame, else the ID3v1 title at its end.
carved_meta_s id3_meta(carved_bytes_c &file);
// A PNG's tIME chunk, as modified.
carved_meta_s png_meta(carved_bytes_c &file);
