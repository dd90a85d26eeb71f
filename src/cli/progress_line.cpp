#include "progress_line.h"

#include <QDateTime>
#include <cstdio>
#include <unistd.h>

void progress_line_c::update(double fraction, const QString &detail, bool force)
{
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && last_ms_ >= 0 && now - last_ms_ < 200)
        return;
    last_ms_ = now;
    if (!isatty(STDERR_FILENO))
        return;
    QString line = QStringLiteral("%1%  %2").arg(fraction * 100.0, 5, 'f', 1).arg(detail);
    int width = static_cast<int>(line.size());
    fprintf(stderr, "\r%s%*s", qPrintable(line), qMax(0, last_width_ - width), "");
    last_width_ = width;
    fflush(stderr);
}

void progress_line_c::finish(const QString &detail)
{
    if (isatty(STDERR_FILENO) && last_width_ > 0)
        fprintf(stderr, "\r%*s\r", last_width_, "");
    if (!detail.isEmpty())
        fprintf(stderr, "%s\n", qPrintable(detail));
    last_width_ = 0;
}
