// Small files built here that carry what the carved-file readers take: EXIF
// in a TIFF or a JPEG, a PDF's information dictionary, a docx's core.xml, an
// OLE2 SummaryInformation stream.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engines/raw/names/carved_meta.h"
#include "libsc.h"

std::string bytes_of(uint64_t v, int n, bool big);

using tiff_tags_t = std::vector<std::pair<uint16_t, std::string>>;
// A TIFF with the ASCII tags of ifd0 and, when exif holds any, an EXIF IFD with those.
std::string tiff(bool big, const tiff_tags_t &ifd0, const tiff_tags_t &exif);
// jpeg (by default a few bytes shaped like one) with tiff in an APP1
// segment after its SOI and APP0.
std::string jpeg_with_exif(const std::string &tiff_bytes, const std::string &jpeg = {});
// A PDF whose object 2 is the information dictionary info; with a
// cross-reference table that points at it, or with a stale one.
std::string pdf(const std::string &info, bool table);
// A docx: a word/ entry stored, then docProps/core.xml deflated.
std::string docx(const std::string &core);
// A compound file whose SummaryInformation stream, in the mini stream with
// its mini sectors out of order, holds title in code page 1252 and the
// FILETIMEs created and saved (properties 12 and 13) when not 0.
std::string ole2_with_summary(const std::string &title, uint64_t created = 0, uint64_t saved = 0);

template <typename reader_t> carved_meta_s meta_of(reader_t reader, const std::string &bytes)
{
    sc_span_source_c file(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return reader(file);
}
