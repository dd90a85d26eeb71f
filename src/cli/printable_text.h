// Names read from a disk, made safe to print on a terminal: a control
// character (ESC, a newline) in a name must not move the cursor or fake a row.
#pragma once

#include <QString>

// Control characters become \xHH (and a backslash \\), everything else stays.
QString printable_text(const QString &text);
