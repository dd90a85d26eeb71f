// Edge resizing of a dialog frame.
#pragma once

#include "window/skin/edge_resize_filter.h"

class QSkinDialog;

class QSkinDialogResizeHandler : public edge_resize_filter_c {
public:
    explicit QSkinDialogResizeHandler(QSkinDialog *window);

    QSkinDialog *const skin_dialog;
};
