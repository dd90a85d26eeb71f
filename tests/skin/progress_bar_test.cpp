// The textured progress bar painted into an image.
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

#include "skin/gui_app.h"
#include "window/skin/progress_bar.h"

namespace {

const QColor k_background(226, 240, 253);
const QColor k_fill(20, 120, 40);

class progress_bar_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_app();
        QImage texture(4, 4, QImage::Format_ARGB32);
        texture.fill(k_fill);
        path = dir.filePath("fill.png");
        ASSERT_TRUE(texture.save(path));
        bar.setup(path, k_background);
    }
    // The bar in a 201 x 40 rectangle; the text stays in the top rows.
    QImage paint(double value, const QColor &background = k_background)
    {
        bar.setup(path, background);
        bar.set_value(value);
        QImage image(201, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        bar.paint(painter, image.rect());
        return image;
    }
    int filled_columns(const QImage &image) const
    {
        int columns = 0;
        while (columns < image.width() && image.pixelColor(columns, 38) == k_fill)
            ++columns;
        return columns;
    }

    QTemporaryDir dir;
    QString path;
    progress_bar_c bar;
};

} // namespace

TEST_F(progress_bar_test, fill_width_follows_the_value)
{
    const QImage empty = paint(0.0);
    EXPECT_EQ(filled_columns(empty), 0);
    EXPECT_EQ(empty.pixelColor(0, 38), k_background);
    EXPECT_EQ(filled_columns(paint(0.5)), 100);
    const QImage full = paint(1.0);
    // right - left is one less than the width.
    EXPECT_EQ(filled_columns(full), 200);
    EXPECT_EQ(full.pixelColor(200, 38), k_background);
}

TEST_F(progress_bar_test, percentage_is_cut_to_its_integer_part)
{
    // With the fill the colour of the background only the text differs.
    const QImage almost = paint(0.999, k_fill);
    EXPECT_EQ(almost, paint(0.995, k_fill)) << "0.999 shows 99%";
    EXPECT_NE(almost, paint(1.0, k_fill));
    EXPECT_NE(paint(0.0, k_fill), paint(0.01, k_fill));
    // The text is black and centred at the top.
    const QImage text = paint(0.0);
    bool dark_in_middle = false;
    for (int x = 80; x < 120; ++x)
        for (int y = 0; y < 16; ++y)
            dark_in_middle |= text.pixelColor(x, y).value() < 80;
    EXPECT_TRUE(dark_in_middle);
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(text.pixelColor(2, y), k_background);
        EXPECT_EQ(text.pixelColor(198, y), k_background);
    }
}

TEST_F(progress_bar_test, values_outside_the_range_stay_inside_the_bar)
{
    // Fault: an engine that overshoots would paint past the bar's right end.
    bar.set_value(1.7);
    EXPECT_EQ(bar.value(), 1.0);
    bar.set_value(-0.2);
    EXPECT_EQ(bar.value(), 0.0);
    bar.set_value(std::nan(""));
    EXPECT_EQ(bar.value(), 0.0);
    EXPECT_EQ(paint(3.0), paint(1.0));
}
