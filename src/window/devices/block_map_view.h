// The imaging window's picture of the source: one small cell per stretch of
// the disk, coloured by what the rescue map says of it (rescued, bad, failed
// and still to trim or scrape, not yet tried) and the cell being read.
#pragma once

#include <QColor>
#include <QWidget>

#include "core/imaging/rescue_map.h"

class block_map_view_c : public QWidget {
    Q_OBJECT
public:
    explicit block_map_view_c(QWidget *parent);

    void set_map(rescue_map_c map, bool running);

    enum cell_e { cell_untried, cell_rescued, cell_failed, cell_bad, cell_reading };
    static QColor colour_of(cell_e cell);
    // What each cell shows, for a map cut into cells of equal stretches: the
    // worst of its bytes (bad before failed before untried before rescued).
    static QVector<cell_e> cells_of(const rescue_map_c &map, int cells);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    rescue_map_c map_;
    bool running_ = false;
};
