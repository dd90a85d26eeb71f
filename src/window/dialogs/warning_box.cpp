#include "window/dialogs/warning_box.h"

#include <QPixmap>

#include "window/text/translation.h"

std::unique_ptr<QMessageBox> make_warning_box_text(QWidget *parent, const char *title, const QString &text,
                                                   QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QString::fromUtf8(title), text, buttons, parent,
                                             Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box->setIconPixmap(QPixmap(QStringLiteral(":/images/top.ico")));
    return box;
}

std::unique_ptr<QMessageBox> make_warning_box(QWidget *parent, const char *title, const std::string &key,
                                              QMessageBox::StandardButtons buttons)
{
    return make_warning_box_text(parent, title, lookup_text(key), buttons);
}

QMessageBox::StandardButton warning_box_text(QWidget *parent, const char *title, const QString &text,
                                             QMessageBox::StandardButtons buttons)
{
    std::unique_ptr<QMessageBox> box = make_warning_box_text(parent, title, text, buttons);
    box->exec();
    // A box closed by its window control reports its escape button.
    return box->standardButton(box->clickedButton());
}

QMessageBox::StandardButton warning_box(QWidget *parent, const char *title, const std::string &key,
                                        QMessageBox::StandardButtons buttons)
{
    return warning_box_text(parent, title, lookup_text(key), buttons);
}

QMessageBox::StandardButton warning_box_detail(QWidget *parent, const std::string &key,
                                               QMessageBox::StandardButtons buttons, const QString &detail)
{
    return warning_box_text(parent, k_title_tarnrecovery, lookup_text(key).arg(detail), buttons);
}
