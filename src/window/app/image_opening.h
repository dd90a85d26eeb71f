// Disk image files the user gives the window: chosen in a file dialog or on
// the command line, checked, added, and every refusal said with its reason.
#pragma once

#include <QStringList>

class QWidget;

// The files chosen in a file dialog (none when cancelled).
QStringList ask_image_files(QWidget *parent);

// Adds each file to the disk table; a refused one gets a warning box naming
// the file and the reason. An image without a recognised volume gets a note
// once the images were probed on a worker. Returns how many were added.
int add_image_files(QWidget *parent, const QStringList &paths);
