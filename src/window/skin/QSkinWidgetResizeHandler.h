// Edge resizing of the main window frame.
#pragma once

#include "window/skin/edge_resize_filter.h"

class QSkinWidget;

class QSkinWidgetResizeHandler : public edge_resize_filter_c {
public:
    explicit QSkinWidgetResizeHandler(QSkinWidget *window);

    QSkinWidget *const skin_widget;
};
