#include "sc_check_list.h"

namespace {
struct named_check_s {
    std::string_view name;
    sc_check_fn fn;
};

const named_check_s checks[] = {
    {"jpeg", check_jpeg}, {"png", check_png},       {"gif", check_gif}, {"bmp", check_bmp},   {"tiff", check_tiff},
    {"ico", check_ico},   {"psd", check_psd},       {"zip", check_zip}, {"rar", check_rar},   {"7z", check_7z},
    {"gzip", check_gzip}, {"bzip2", check_bzip2},   {"xz", check_xz},   {"pdf", check_pdf},   {"ole2", check_ole2},
    {"rtf", check_rtf},   {"sqlite", check_sqlite}, {"eml", check_eml}, {"riff", check_riff}, {"mp3", check_mp3},
    {"flac", check_flac}, {"ogg", check_ogg},       {"mp4", check_mp4}, {"ebml", check_ebml}, {"asf", check_asf},
    {"pe", check_pe},     {"text", check_text},
};
} // namespace

sc_check_fn find_sc_check(std::string_view name)
{
    for (const auto &c : checks)
        if (c.name == name)
            return c.fn;
    return nullptr;
}

std::vector<std::string_view> sc_check_names()
{
    std::vector<std::string_view> names;
    for (const auto &c : checks)
        names.push_back(c.name);
    return names;
}
