#include "window/skin/QSkinDialogResizeHandler.h"

#include "window/skin/QSkinDialog.h"

QSkinDialogResizeHandler::QSkinDialogResizeHandler(QSkinDialog *window)
    : edge_resize_filter_c(window), skin_dialog(window)
{}
