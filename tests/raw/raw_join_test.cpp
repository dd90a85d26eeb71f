// Files cut in two with noise between the pieces, joined again by the
// library's join search; damaged ones that no seam fixes stay unjoined.
#include <gtest/gtest.h>

#include <chrono>

#include "checks/sc_check.h"
#include "join/sc_jpeg_resume.h"
#include "platform/block_device.h"
#include "raw/join_samples.h"
#include "sc_join.h"

namespace {

std::vector<sc_piece_s> join(const std::string &image, uint64_t offset)
{
    memory_device_c device(reinterpret_cast<const uint8_t *>(image.data()), image.size());
    return sc_join_find(device, offset);
}

// For one kind: the pieces found for several seams and gaps; the file as it
// lies (no join); the second piece replaced by noise (no join, no hang).
void expect_joined(const std::string &file, const char *kind)
{
    SCOPED_TRACE(kind);
    ASSERT_GT(file.size(), 6u * 512);
    // The last seam leaves a second piece of a few hundred bytes (none for
    // JPEG, which joins no second piece under 2 KiB: noise decodes as well).
    const uint64_t last = (file.size() - (std::string(kind).rfind("jpeg", 0) == 0 ? 2048 : 1)) / 512 * 512;
    const uint64_t seams[] = {1024, file.size() / 2 / 512 * 512, last};
    const uint64_t gaps[] = {512, 37 * 512, 3000 * 512};
    for (uint64_t seam : seams)
        for (uint64_t gap : gaps) {
            SCOPED_TRACE(testing::Message() << "seam " << seam << " gap " << gap);
            const split_image_s img = split_with_gap(file, seam, gap, static_cast<unsigned>(seam + gap));
            const std::vector<sc_piece_s> pieces = join(img.bytes, img.offset);
            if (pieces.size() != 2u) {
                ADD_FAILURE() << "not joined";
                continue;
            }
            EXPECT_EQ(pieces[0].offset, img.offset);
            EXPECT_EQ(pieces[0].length, seam);
            EXPECT_EQ(pieces[1].offset, img.offset + seam + gap);
            EXPECT_EQ(pieces[1].length, file.size() - seam);
        }
    const split_image_s whole = split_with_gap(file, file.size(), 512, 1);
    EXPECT_TRUE(join(whole.bytes, whole.offset).empty());

    split_image_s lost = split_with_gap(file, file.size() / 2 / 512 * 512, 4096, 2);
    for (uint64_t at = lost.offset + lost.seam + lost.gap; at < lost.bytes.size(); ++at)
        lost.bytes[at] = static_cast<char>(at * 2654435761u >> 13);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(join(lost.bytes, lost.offset).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Catches: a seam taken off by a sector, a gap not searched at sector steps,
// the second piece's length counted from the wrong end, a seam accepted
// that the CRCs (or the decoder) refuse.
TEST(raw_join_test, png_cut_in_two_is_joined_by_its_chunk_crcs)
{
    expect_joined(make_test_png(160, 120, 4096), "png");
    expect_joined(make_test_png(300, 200, 1 << 20), "png in one chunk"); // hundreds of seams in it
}

TEST(raw_join_test, zip_cut_in_two_is_joined_by_its_entry_crcs)
{
    expect_joined(make_test_zip(), "zip");
    expect_joined(make_test_zip(3, true), "zip with sizes after the data");
}

// Also catches: the tail of another JPEG in the gap (same tables, decodes
// cleanly to its EOI, coefficients in range) taken for the second piece.
TEST(raw_join_test, jpeg_cut_in_two_is_joined_by_decoding_it)
{
    expect_joined(make_test_jpeg(320, 240), "jpeg");
    expect_joined(make_test_jpeg(320, 240, false, 3), "jpeg with restarts");
    const std::string file = make_test_jpeg(200, 500);
    std::string other = make_test_jpeg(320, 240);
    other += std::string((512 - other.size() % 512) % 512, '\0') + std::string(1024, '\x5a');
    for (uint64_t seam : {31744, 46080}) {
        const split_image_s img = split_with_gap(file, seam, 1024, 5, other);
        const std::vector<sc_piece_s> pieces = join(img.bytes, img.offset);
        ASSERT_EQ(pieces.size(), 2u) << seam;
        EXPECT_EQ(pieces[1].offset, img.offset + seam + img.gap) << seam;
    }
}

// Catches, in our own entropy decoder: a whole file not decoded to its EOI,
// a break reported before the seam, the true second piece refused or found
// rough from the state kept at the seam, zeros or noise let through, and
// another image's data (same tables) found smoother than the true piece.
TEST(raw_join_test, jpeg_second_piece_is_tested_from_the_state_at_the_seam)
{
    const std::string file = make_test_jpeg(320, 240, false, 7);
    const std::string other = make_test_jpeg(336, 256);
    const uint64_t seam = file.size() / 2 / 512 * 512;
    std::string bytes = file.substr(0, seam) + std::string(1024, '\0') + other.substr(0, 8192) + file.substr(seam);
    bytes.resize(bytes.size() + 1024, '\0');
    const uint64_t real = seam + 1024 + 8192, zeros = seam, inside_other = seam + 1024 + 4096;

    sc_span_source_c whole_source(reinterpret_cast<const uint8_t *>(file.data()), file.size());
    sc_cursor_c whole_cursor(whole_source);
    sc_jpeg_resume_c whole;
    ASSERT_TRUE(whole.run(whole_cursor));
    EXPECT_TRUE(whole.whole());
    EXPECT_EQ(whole.end(), file.size());

    sc_span_source_c source(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    sc_cursor_c cursor(source);
    memory_device_c device(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    sc_jpeg_resume_c cut;
    ASSERT_TRUE(cut.run(cursor));
    EXPECT_FALSE(cut.whole());
    EXPECT_GE(cut.end() + 1, seam);
    const uint64_t tail_end = real + file.size() - seam;
    sc_jpeg_fit_s fit, wrong;
    ASSERT_TRUE(cut.test(device, 0, seam, real, tail_end, fit));
    EXPECT_TRUE(fit.smooth);
    EXPECT_FALSE(cut.test(device, 0, seam, zeros, tail_end, wrong));
    EXPECT_FALSE(cut.test(device, 0, seam, real + 512, tail_end, wrong) && wrong.jump <= fit.jump);
    EXPECT_FALSE(cut.test(device, 0, seam, inside_other, tail_end, wrong) && wrong.jump <= fit.jump);
    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::string with_noise = file.substr(0, seam) + noise + file.substr(seam);
    sc_span_source_c noise_source(reinterpret_cast<const uint8_t *>(with_noise.data()), with_noise.size());
    sc_cursor_c noise_cursor(noise_source);
    memory_device_c noise_device(reinterpret_cast<const uint8_t *>(with_noise.data()), with_noise.size());
    sc_jpeg_resume_c noisy;
    ASSERT_TRUE(noisy.run(noise_cursor));
    EXPECT_FALSE(noisy.test(noise_device, 0, seam, seam, seam + noise.size(), wrong));
}

// Catches: every sector of whole JPEGs in the gap tried as the second piece
// (each costs a decode of the joined file, and the search gives up before
// it reaches the real one).
TEST(raw_join_test, jpeg_with_whole_jpegs_in_the_gap_is_joined)
{
    const std::string file = make_test_jpeg(420, 430);
    std::string others;
    for (auto [w, h] : {std::pair{600, 500}, std::pair{500, 400}}) {
        others += make_test_jpeg(w, h);
        others += std::string((512 - others.size() % 512) % 512, '\0') + std::string(1024, '\x33');
    }
    const uint64_t seam = file.size() / 2 / 512 * 512;
    const split_image_s img = split_with_gap(file, seam, 4096, 7, others);
    const std::vector<sc_piece_s> pieces = join(img.bytes, img.offset);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].offset, img.offset + seam + img.gap);
    EXPECT_EQ(pieces[1].length, file.size() - seam);
}

// Catches: text and free space (zeros) right before the second piece tried
// as its start, sector by sector: neither holds a marker, so each passes the
// first test and costs a decode of the whole joined file, and for a photo
// of a few MiB the search gives up before it reaches the real start.
TEST(raw_join_test, jpeg_after_text_and_free_space_is_joined)
{
    const std::string file = make_test_jpeg(2400, 1800);
    std::string text;
    while (text.size() < 24 * 512)
        text += "The minutes of the meeting were read and approved. ";
    text.resize(24 * 512);
    const split_image_s img = split_with_gap(file, 700416, 4096, 11, text + std::string(16 * 512, '\0'));
    const std::vector<sc_piece_s> pieces = join(img.bytes, img.offset);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].offset, img.offset + 700416 + img.gap);
}

// Catches: the second piece taken from another archive in the gap that
// starts with the same bytes (made from the same first entry): the joined
// bytes check, but they are that archive, whole where it lies.
TEST(raw_join_test, zip_is_not_joined_to_an_archive_that_shares_its_start)
{
    const std::string file = make_test_zip(1);
    const split_image_s img = split_with_gap(file, 2048, 4096, 3, make_test_zip(2));
    const std::vector<sc_piece_s> pieces = join(img.bytes, img.offset);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].offset, img.offset + 2048 + img.gap);
}

// Catches: a progressive JPEG joined to the wrong bytes. Its later scans
// only refine the picture, so a seam cut too early with a second piece
// taken from further inside the file decodes cleanly too.
TEST(raw_join_test, progressive_jpeg_is_left_unjoined)
{
    const std::string file = make_test_jpeg(702, 146, true);
    const split_image_s img = split_with_gap(file, 22016, 8192, 1);
    EXPECT_TRUE(join(img.bytes, img.offset).empty());
}

} // namespace
