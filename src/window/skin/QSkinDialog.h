// Frame for dialogs: a narrow top band with the title and a quit button.
#pragma once

#include "window/skin/skin_frame_t.h"

class QSkinDialogResizeHandler;

class QSkinDialog : public skin_frame_t<QSkinDialog> {
    Q_OBJECT
public:
    explicit QSkinDialog(QWidget *parent = nullptr);
    ~QSkinDialog() override;

private:
    void close_dialog();

    QSkinDialogResizeHandler *resize_handler;
};
