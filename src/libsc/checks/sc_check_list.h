// The structure checks, one per format family; see sc_check.h.
#pragma once

#include "sc_check.h"

sc_result_s check_jpeg(sc_cursor_c &c);
sc_result_s check_png(sc_cursor_c &c);
sc_result_s check_gif(sc_cursor_c &c);
sc_result_s check_bmp(sc_cursor_c &c);
sc_result_s check_tiff(sc_cursor_c &c);
sc_result_s check_ico(sc_cursor_c &c);
sc_result_s check_psd(sc_cursor_c &c);
sc_result_s check_zip(sc_cursor_c &c);
sc_result_s check_rar(sc_cursor_c &c);
sc_result_s check_7z(sc_cursor_c &c);
sc_result_s check_gzip(sc_cursor_c &c);
sc_result_s check_bzip2(sc_cursor_c &c);
sc_result_s check_xz(sc_cursor_c &c);
sc_result_s check_pdf(sc_cursor_c &c);
sc_result_s check_ole2(sc_cursor_c &c);
sc_result_s check_rtf(sc_cursor_c &c);
sc_result_s check_sqlite(sc_cursor_c &c);
sc_result_s check_eml(sc_cursor_c &c);
sc_result_s check_riff(sc_cursor_c &c);
sc_result_s check_mp3(sc_cursor_c &c);
sc_result_s check_flac(sc_cursor_c &c);
sc_result_s check_ogg(sc_cursor_c &c);
sc_result_s check_mp4(sc_cursor_c &c);
sc_result_s check_ebml(sc_cursor_c &c);
sc_result_s check_asf(sc_cursor_c &c);
sc_result_s check_pe(sc_cursor_c &c);
sc_result_s check_text(sc_cursor_c &c);
