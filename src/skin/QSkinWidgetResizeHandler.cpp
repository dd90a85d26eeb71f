#include "skin/QSkinWidgetResizeHandler.h"

#include "skin/QSkinWidget.h"

QSkinWidgetResizeHandler::QSkinWidgetResizeHandler(QSkinWidget *window)
    : edge_resize_filter_c(window), skin_widget(window)
{}
