#include "window/app/home_page.h"

#include <QPainter>
#include <QPushButton>

#include "window/text/translation.h"

namespace {

QString localized_button_style(const char *base)
{
    const QString name = QString::fromLatin1(base);
    return three_state_button_style(multilang_image_path(name, 1), multilang_image_path(name, 2),
                                    multilang_image_path(name, 3));
}

} // namespace

home_window_c::home_window_c(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
    btn_start->setStyleSheet(localized_button_style("btn_start_scan"));
    btn_resume->setStyleSheet(localized_button_style("btn_resume_recovery"));
}

void home_window_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap band(QStringLiteral(":/images/background/bai.png"));
    painter.fillRect(QRect(0, 0, width(), band.height()), QBrush(band));
    const int h = height();
    painter.drawPixmap(55, h - 240, QPixmap(QStringLiteral(":/images/home/wenzi.png")));
    painter.setFont(QFont(QStringLiteral("arial"), 8));
    painter.setPen(QColor(91, 135, 201));
    const char *keys[] = {"home_text1", "home_text2", "home_text3"};
    for (int line = 0; line < 3; ++line) {
        // Long translations wrap inside the page instead of running off it.
        const QRect box(70, h - 190 + 50 * line - painter.fontMetrics().ascent(), width() - 100, 48);
        painter.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, lookup_text(keys[line]));
    }
}
