#include "window/devices/block_map_view.h"

#include <QPainter>

namespace {

constexpr int cell_pixels = 8;

int rank(block_map_view_c::cell_e c)
{
    switch (c) {
    case block_map_view_c::cell_rescued:
        return 0;
    case block_map_view_c::cell_untried:
        return 1;
    case block_map_view_c::cell_failed:
        return 2;
    case block_map_view_c::cell_bad:
        return 3;
    case block_map_view_c::cell_reading:
        break;
    }
    return 4;
}

block_map_view_c::cell_e cell_for(area_status_e s)
{
    switch (s) {
    case area_status_e::rescued:
        return block_map_view_c::cell_rescued;
    case area_status_e::untried:
        return block_map_view_c::cell_untried;
    case area_status_e::bad:
        return block_map_view_c::cell_bad;
    case area_status_e::untrimmed:
    case area_status_e::unscraped:
        break;
    }
    return block_map_view_c::cell_failed;
}

} // namespace

block_map_view_c::block_map_view_c(QWidget *parent) : QWidget(parent) {}

void block_map_view_c::set_map(rescue_map_c map, bool running)
{
    map_ = std::move(map);
    running_ = running;
    update();
}

QColor block_map_view_c::colour_of(cell_e cell)
{
    switch (cell) {
    case cell_rescued:
        return QColor(80, 170, 80);
    case cell_failed:
        return QColor(230, 150, 40);
    case cell_bad:
        return QColor(200, 40, 40);
    case cell_reading:
        return QColor(40, 110, 220);
    case cell_untried:
        break;
    }
    return QColor(200, 200, 200);
}

QVector<block_map_view_c::cell_e> block_map_view_c::cells_of(const rescue_map_c &map, int cells)
{
    QVector<cell_e> out(cells, cell_rescued);
    const uint64_t size = map.size();
    if (size == 0 || cells <= 0) {
        out.fill(cell_untried);
        return out;
    }
    // One sweep: each area raises the cells it touches to its status.
    for (const map_area_s &a : map.areas()) {
        const int first = static_cast<int>(static_cast<unsigned __int128>(a.pos) * cells / size);
        const int last = static_cast<int>(static_cast<unsigned __int128>(a.end() - 1) * cells / size);
        const cell_e c = cell_for(a.status);
        for (int i = first; i <= last && i < cells; ++i)
            if (rank(c) > rank(out[i]))
                out[i] = c;
    }
    return out;
}

void block_map_view_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int columns = qMax(1, width() / cell_pixels), rows = qMax(1, height() / cell_pixels);
    QVector<cell_e> cells = cells_of(map_, columns * rows);
    if (running_ && map_.size() && map_.phase != imaging_phase_e::finished) {
        const int at = static_cast<int>(static_cast<unsigned __int128>(map_.current_pos) * cells.size() / map_.size());
        if (at < cells.size())
            cells[at] = cell_reading;
    }
    for (int i = 0; i < cells.size(); ++i)
        painter.fillRect((i % columns) * cell_pixels, (i / columns) * cell_pixels, cell_pixels - 1, cell_pixels - 1,
                         colour_of(cells[i]));
}
