// Readers of what a carved file says about itself, for its name. Each takes
// the file's bytes, reads a bounded amount of them, and returns UTF-8 text,
// empty when the file holds nothing usable (or is damaged).
#pragma once

#include <string>

#include "carved_bytes.h"

// EXIF of a JPEG (APP1) or of a TIFF file: "2023-12-31 19-01-02 Canon EOS 5D",
// the date taken (else the date written) and the camera, the maker left out
// when the model already starts with it.
std::string exif_label(carved_bytes_c &file);
// The /Title of a PDF's document information dictionary.
std::string pdf_title(carved_bytes_c &file);
// The dc:title of an Office Open XML package's docProps/core.xml.
std::string ooxml_title(carved_bytes_c &file);
// The title property of an OLE2 compound file's SummaryInformation stream.
std::string ole2_title(carved_bytes_c &file);
// The ID3v2 TIT2 frame of an MP3, else the ID3v1 title at its end.
std::string id3_title(carved_bytes_c &file);
