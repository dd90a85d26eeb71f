// The one standard box for every warning and question: warning icon replaced
// by the product icon, a title, and a text looked up by key.
#pragma once

#include <QMessageBox>
#include <memory>
#include <string>

inline const char k_title_tarnrecovery[] = "TarnRecovery";
inline const char k_title_restorix[] = "Tarn Restorix";

// Built but not shown; NoButton lets the box add its single OK button.
std::unique_ptr<QMessageBox> make_warning_box(QWidget *parent, const char *title, const std::string &key,
                                              QMessageBox::StandardButtons buttons);

// The same box over a text already looked up (a message with a detail
// such as a file name or a reason appended).
std::unique_ptr<QMessageBox> make_warning_box_text(QWidget *parent, const char *title, const QString &text,
                                                   QMessageBox::StandardButtons buttons);
QMessageBox::StandardButton warning_box_text(QWidget *parent, const char *title, const QString &text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::NoButton);

// Shows the box modally and returns the button that closed it.
QMessageBox::StandardButton warning_box(QWidget *parent, const char *title, const std::string &key,
                                        QMessageBox::StandardButtons buttons = QMessageBox::NoButton);

// The key's text with "%1" replaced by detail (a reason, a file name).
QMessageBox::StandardButton warning_box_detail(QWidget *parent, const std::string &key,
                                               QMessageBox::StandardButtons buttons, const QString &detail);
