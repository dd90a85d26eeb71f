#include "window/skin/QSkinWidgetResizeHandler.h"

#include "window/skin/QSkinWidget.h"

QSkinWidgetResizeHandler::QSkinWidgetResizeHandler(QSkinWidget *window)
    : edge_resize_filter_c(window), skin_widget(window)
{}
