// One self-overwriting progress line on stderr while long work runs.
#pragma once

#include <QString>

class progress_line_c {
public:
    // Redraws at most every 200 ms unless forced; silent when stderr is not a terminal
    // except for the final line.
    void update(double fraction, const QString &detail = QString(), bool force = false);
    void finish(const QString &detail = QString());

private:
    qint64 last_ms_ = -1;
    int last_width_ = 0;
};
