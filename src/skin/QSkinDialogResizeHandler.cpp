#include "skin/QSkinDialogResizeHandler.h"

#include "skin/QSkinDialog.h"

QSkinDialogResizeHandler::QSkinDialogResizeHandler(QSkinDialog *window)
    : edge_resize_filter_c(window), skin_dialog(window)
{}
