#include "state_legend.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "recovery_delegate.h"
#include "recovery_model.h"

namespace {
constexpr int k_mark_width = 18;
constexpr int k_spacing = 3;
const int k_text_flags = Qt::TextWordWrap | Qt::AlignVCenter;
} // namespace

state_legend_c::state_legend_c(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("state_legend"));
    setFont(QFont(QStringLiteral("Verdana"), 8));
    set_texts();
}

void state_legend_c::set_texts()
{
    lines_.clear();
    // States of one colour share a line, in the order of the states.
    for (int i = 0; i < recovery_state_count; ++i) {
        const auto state = static_cast<recovery_state_e>(i);
        const auto same = std::find_if(lines_.begin(), lines_.end(), [&](const line_s &line) {
            return state_colour(line.state) == state_colour(state);
        });
        if (same == lines_.end())
            lines_.push_back({state, recovery_state_text(state)});
        else
            same->text += QStringLiteral(" / ") + recovery_state_text(state);
    }
    updateGeometry();
    update();
}

QStringList state_legend_c::lines() const
{
    QStringList texts;
    for (const line_s &line : lines_)
        texts.append(line.text);
    return texts;
}

std::vector<QRect> state_legend_c::text_places(int width) const
{
    std::vector<QRect> places;
    const QFontMetrics metrics(font());
    const int text_width = qMax(1, width - k_mark_width);
    int top = 0;
    for (const line_s &line : lines_) {
        const int height = qMax(metrics.height(),
                                metrics.boundingRect(QRect(0, 0, text_width, 10000), k_text_flags, line.text).height());
        places.emplace_back(k_mark_width, top, text_width, height);
        top += height + k_spacing;
    }
    return places;
}

int state_legend_c::heightForWidth(int width) const
{
    const std::vector<QRect> places = text_places(width);
    return places.empty() ? 0 : places.back().bottom() + 1;
}

void state_legend_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    const std::vector<QRect> places = text_places(width());
    for (size_t i = 0; i < lines_.size(); ++i) {
        const QRect &text = places[i];
        const QRect mark(0, text.top(), k_mark_width, text.height());
        paint_state_mark(&painter, QStyle::visualRect(layoutDirection(), rect(), mark), lines_[i].state);
        painter.setPen(Qt::black);
        painter.drawText(QStyle::visualRect(layoutDirection(), rect(), text),
                         k_text_flags | QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft), lines_[i].text);
    }
}
