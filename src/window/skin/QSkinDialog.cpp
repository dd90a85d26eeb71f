#include "window/skin/QSkinDialog.h"

#include "window/skin/QSkinDialogResizeHandler.h"

QSkinDialog::QSkinDialog(QWidget *parent)
    : skin_frame_t<QSkinDialog>(load_skin_images(QStringLiteral(":/images/dialogs")), parent)
{
    const QString images[3] = {QStringLiteral(":/images/system/quiButton1.png"),
                               QStringLiteral(":/images/system/quiButton2.png"),
                               QStringLiteral(":/images/system/quiButton3.png")};
    buttons.add<system_button_c>(images, QRect(1, 1, 30, 21), &QSkinDialog::close_dialog);
    resize_handler = new QSkinDialogResizeHandler(this);
}

QSkinDialog::~QSkinDialog() = default;

void QSkinDialog::close_dialog()
{
    close();
}
