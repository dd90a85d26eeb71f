// Dates of carved files from what the files state: the date parsers, the
// readers on small files built here, and the rows of a deep scan and of its
// reloaded scan file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <ctime>
#include <map>

#include "platform/disks.h"
#include "engines/raw/names/carved_dates.h"
#include "engines/raw/raw_recovery.h"
#include "platform/volume_path.h"
#include "raw/carved_samples.h"
#include "raw/join_samples.h"
#include "raw/raw_test_util.h"
#include "core/scanfile/scan_file.h"

namespace {

// The oracle: the C library's own UTC conversion.
int64_t utc(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<int64_t>(timegm(&t));
}

uint64_t filetime_of(int64_t seconds)
{
    return static_cast<uint64_t>(seconds + 11644473600) * 10000000 + 1234567;
}

// A PNG of the test image with a tIME chunk (the crc spoilt when damaged)
// after its header chunk, or just before IEND.
std::string png_with_time(bool at_end, bool damaged)
{
    std::string png = make_test_png(8, 8, 1024);
    const std::string data = bytes_of(2022, 2, true) + std::string{6, 7, 8, 9, 10};
    const std::string chunk = bytes_of(7, 4, true) + "tIME" + data + bytes_of(crc_of("tIME" + data) ^ damaged, 4, true);
    return png.insert(at_end ? png.size() - 12 : 8 + 25, chunk);
}

// Catches: offsets ignored or applied the wrong way, PDF dates with fields
// or the offset's minutes left off refused, W3CDTF fractions or blanks
// refused, impossible dates (month 0, 29 February of a common year, all
// zeros, the 1970 of unset clocks, a lone digit, a FILETIME beyond 9999)
// taken for real ones.
TEST(carved_dates_test, date_texts_are_read_at_their_offsets_and_impossible_ones_refused)
{
    EXPECT_EQ(exif_date("2023:12:31 19:01:02", ""), utc(2023, 12, 31, 19, 1, 2));
    EXPECT_EQ(exif_date("2023:12:31 19:01:02", "+02:00"), utc(2023, 12, 31, 17, 1, 2));
    EXPECT_EQ(exif_date("2024:02:29 23:30:00", "-05:30"), utc(2024, 3, 1, 5, 0, 0));
    EXPECT_EQ(exif_date("2023:12:31 19:01:02", "      "), utc(2023, 12, 31, 19, 1, 2));
    for (const char *bad : {"0000:00:00 00:00:00", "2023:00:10 10:00:00", "1970:01:01 00:00:00", "2023:02:29 10:00:00",
                            "2023:12:31 24:00:00", "    :  :     :  :  ", "2023-12-31 19:01:02"})
        EXPECT_EQ(exif_date(bad, ""), 0) << bad;

    EXPECT_EQ(pdf_date("D:20230405060708+02'00'"), utc(2023, 4, 5, 4, 7, 8));
    EXPECT_EQ(pdf_date("D:20230405060708-05'30"), utc(2023, 4, 5, 11, 37, 8));
    EXPECT_EQ(pdf_date("D:20230405060708+02"), utc(2023, 4, 5, 4, 7, 8));
    EXPECT_EQ(pdf_date("D:20230405060708Z00'00'"), utc(2023, 4, 5, 6, 7, 8));
    EXPECT_EQ(pdf_date("20230405"), utc(2023, 4, 5, 0, 0, 0));
    EXPECT_EQ(pdf_date("D:2023"), utc(2023, 1, 1, 0, 0, 0));
    for (const char *bad : {"D:20231305060708Z", "D:2023040", "D:19100101120000", "D:", "(none)"})
        EXPECT_EQ(pdf_date(bad), 0) << bad;

    EXPECT_EQ(w3cdtf_date("2023-04-05T06:07:08Z"), utc(2023, 4, 5, 6, 7, 8));
    EXPECT_EQ(w3cdtf_date(" 2023-04-05T06:07:08.125+02:00\n"), utc(2023, 4, 5, 4, 7, 8));
    EXPECT_EQ(w3cdtf_date("2023-04-05T06:07-01:00"), utc(2023, 4, 5, 7, 7, 0));
    EXPECT_EQ(w3cdtf_date("2023-04-05"), utc(2023, 4, 5, 0, 0, 0));
    for (const char *bad : {"2023-04-31T00:00:00Z", "2023-4-5", "2023-04-05T6:07Z", "1601-01-01T00:00:00Z"})
        EXPECT_EQ(w3cdtf_date(bad), 0) << bad;

    EXPECT_EQ(filetime_date(filetime_of(utc(2021, 6, 7, 8, 9, 10))), utc(2021, 6, 7, 8, 9, 10));
    EXPECT_EQ(filetime_date(0), 0);
    EXPECT_EQ(filetime_date(filetime_of(0)), 0);
    EXPECT_EQ(filetime_date(UINT64_MAX), 0);
}

// Catches: DateTimeDigitized or DateTime taken over DateTimeOriginal, an
// impossible date taken over the next one, the offset tag of another date
// used; PDF, core.xml or OLE2 modified and created swapped or missed; a
// tIME chunk missed at either end of a PNG or read with a bad CRC; a date
// made up for a file that states none.
TEST(carved_dates_test, readers_take_the_dates_files_state)
{
    const carved_meta_s taken = meta_of(exif_meta,
                                        jpeg_with_exif(tiff(false, {{0x132, "2024:01:01 00:00:00"}, {0x110, "Cam 1"}},
                                                            {{0x9004, "2023:12:30 10:00:00"},
                                                             {0x9003, "2023:12:31 19:01:02"},
                                                             {0x9012, "+05:00"},
                                                             {0x9011, "-01:00"}})));
    EXPECT_EQ(taken.modified, utc(2023, 12, 31, 20, 1, 2));
    EXPECT_EQ(taken.created, 0);
    EXPECT_EQ(taken.label, "2023-12-31 19-01-02 Cam 1");
    EXPECT_EQ(meta_of(exif_meta,
                      tiff(true, {{0x132, "2024:01:01 00:00:00"}, {0x9010, "+03:00"}},
                           {{0x9003, "0000:00:00 00:00:00"}, {0x9004, "2023:12:30 10:00:00"}}))
                  .modified,
              utc(2023, 12, 30, 7, 0, 0));
    EXPECT_EQ(
        meta_of(exif_meta, tiff(false, {{0x132, "2024:01:01 00:00:00"}}, {{0x9003, "1970:01:01 00:00:00"}})).modified,
        utc(2024, 1, 1, 0, 0, 0));

    const carved_meta_s report =
        meta_of(pdf_meta, pdf("/CreationDate (D:20200101000000Z) /Title (R) /ModDate (D:20210202030405+01'00')", true));
    EXPECT_EQ(report.modified, utc(2021, 2, 2, 2, 4, 5));
    EXPECT_EQ(report.created, utc(2020, 1, 1, 0, 0, 0));
    EXPECT_EQ(report.label, "R");

    const carved_meta_s core =
        meta_of(ooxml_meta,
                docx("<cp:coreProperties><dcterms:created xsi:type=\"dcterms:W3CDTF\">2019-05-06T07:08:09Z"
                     "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">2022-10-11T12:13:14+02:00"
                     "</dcterms:modified></cp:coreProperties>"));
    EXPECT_EQ(core.modified, utc(2022, 10, 11, 10, 13, 14));
    EXPECT_EQ(core.created, utc(2019, 5, 6, 7, 8, 9));

    const carved_meta_s summary = meta_of(ole2_meta,
                                          ole2_with_summary("Budget", filetime_of(utc(2005, 3, 4, 5, 6, 7)),
                                                            filetime_of(utc(2006, 1, 2, 3, 4, 5))));
    EXPECT_EQ(summary.modified, utc(2006, 1, 2, 3, 4, 5));
    EXPECT_EQ(summary.created, utc(2005, 3, 4, 5, 6, 7));
    EXPECT_EQ(summary.label, "Budget");

    EXPECT_EQ(meta_of(png_meta, png_with_time(false, false)).modified, utc(2022, 6, 7, 8, 9, 10));
    EXPECT_EQ(meta_of(png_meta, png_with_time(true, false)).modified, utc(2022, 6, 7, 8, 9, 10));
    EXPECT_EQ(meta_of(png_meta, png_with_time(true, true)).modified, 0);

    for (const carved_meta_s &none :
         {meta_of(pdf_meta, pdf("/Title (x)", true)), meta_of(png_meta, make_test_png(8, 8, 1024)),
          meta_of(ole2_meta, ole2_with_summary("x"))}) {
        EXPECT_EQ(none.modified, 0);
        EXPECT_EQ(none.created, 0);
    }
}

// Catches: carved rows left undated, or dated with what the scan alone
// knew, so that a reloaded scan file shows other dates; a date given to a
// find that states none.
TEST(carved_dates_test, a_deep_scan_dates_its_finds_from_their_own_bytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string photo = jpeg_with_exif(tiff(false, {{0x132, "2024:01:01 00:00:00"}},
                                                  {{0x9003, "2023:12:31 19:01:02"}, {0x9011, "+01:00"}}),
                                             make_test_jpeg(64, 48));
    const std::string report =
        pdf("/Title (Minutes) /ModDate (D:20240229123456+05'30') /CreationDate (D:20240102)", true);
    const std::string letter = docx("<cp:coreProperties><dcterms:modified>2022-10-11T12:13:14Z</dcterms:modified>"
                                    "</cp:coreProperties>");
    std::vector<planted_file_s> files = {
        {QStringLiteral("a.jpg"), "jpg", QByteArray::fromStdString(photo)},
        {QStringLiteral("a.pdf"), "pdf", QByteArray::fromStdString(report)},
        {QStringLiteral("a.docx"), "docx", QByteArray::fromStdString(letter)},
        {QStringLiteral("a.png"), "png", QByteArray::fromStdString(make_test_png(16, 16, 4096))},
    };
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    ASSERT_TRUE(write_file(image, plant_files(files, 9)));
    volume_item_s volume;
    volume.volume_path = QString::fromStdString(make_volume_path(image.toStdString(), 0));
    const std::map<std::string, std::pair<int64_t, int64_t>> expected = {
        {"jpg", {utc(2023, 12, 31, 18, 1, 2), 0}},
        {"pdf", {utc(2024, 2, 29, 7, 4, 56), utc(2024, 1, 2, 0, 0, 0)}},
        {"docx", {utc(2022, 10, 11, 12, 13, 14), 0}},
        {"png", {0, 0}},
    };
    auto check = [&](const raw_recovery_c &engine, const char *when) {
        std::map<std::string, std::pair<int64_t, int64_t>> dates;
        for (const found_folder_s &folder : engine.get_found_tree().folders)
            for (const recovery_item_s &row : folder.files)
                dates[folder.name.toStdString()] = {row.date1, row.date2};
        EXPECT_EQ(dates, expected) << when;
    };

    raw_recovery_c scanned;
    scanned.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    scanned.start();
    ASSERT_TRUE(scanned.wait(60000));
    check(scanned, "after the scan");

    const QString sav = dir.filePath(QStringLiteral("scan.sav"));
    ASSERT_EQ(save_results(scanned, volume, sav, nullptr), 0);
    std::vector<raw_item_s> entries;
    ASSERT_FALSE(read_scan_file(sav, &entries).isEmpty());
    raw_recovery_c reloaded;
    reloaded.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    reloaded.set_scan_entries(std::move(entries));
    check(reloaded, "after a reload");
}

} // namespace
